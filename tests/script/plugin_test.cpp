// Import plug-ins: declarations by heading text, natives called with every parameter kind,
// properties through readers and writers, constructors, and native exceptions.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/script_engine.h"

namespace kelmo::script {
namespace {

// A stand-in for a host component with settings.
struct Rig {
  void* owner = nullptr;
  int period = 1000;
  std::string fileName = "test.dat";
  double scale = 1.5;
  bool enabled = false;
  void setRange(int channel, int rangeMV) {
    if (channel < 0 || channel > 7)
      throw std::runtime_error("channel must be 0..7, not " + std::to_string(channel));
    if (rangeMV != 5000 && rangeMV != 1600 && rangeMV != 500 && rangeMV != 160)
      throw std::runtime_error("range must be 5000, 1600, 500 or 160, not " + std::to_string(rangeMV));
    ranges[channel] = rangeMV;
  }
  int ranges[8] = {};
};

struct Host {
  Rig rig;
  std::vector<std::string> calls;
  std::vector<std::string> order;
  unsigned inputWord = 0xBEEF;
  int created = 0;
  std::vector<std::string> ownerKinds;
};

class RigImport : public ImportPlugin {
 public:
  explicit RigImport(Host& h) : h_(h) {}
  std::string name() const override { return "uRigImport"; }

  void compileImport(CompileContext& c) override {
    h_.order.push_back("compile rig");
    c.declareClass("tRig_Params", "TComponent");
    c.declareProperty("tRig_Params", "DATA_QUERY_PERIOD_MS", "integer");
    c.declareProperty("tRig_Params", "FileName", "string");
    c.declareProperty("tRig_Params", "IrScale", "double");
    c.declareProperty("tRig_Params", "Enabled", "boolean");
    c.declareProperty("tRig_Params", "Serial", "string", PropertyAccess::ReadOnly);
    c.declareMethod("tRig_Params", "Procedure setRange( nChannel : integer; rangeMV : integer)");
    c.declareMethod("tRig_Params", "Function rangeOf( nChannel : integer) : integer");
    c.declareMethod("tRig_Params", "Constructor create( iOwner : TComponent)");
    c.declareRoutine("Function rig_params : TRIG_PARAMS");
    c.declareRoutine("Procedure startPattern");
  }

  void executeImport(RuntimeBinder& b) override {
    h_.order.push_back("execute rig");
    auto rig = [](const NativeCall& c) { return c.self().objectAs<Rig>(); };
    b.bindPropertyReader("tRig_Params", "DATA_QUERY_PERIOD_MS", [rig](NativeCall& c) { return Value(rig(c)->period); });
    b.bindPropertyWriter("tRig_Params", "DATA_QUERY_PERIOD_MS", [rig](NativeCall& c) {
      rig(c)->period = static_cast<int>(c.arg(0).asInt());
      return Value();
    });
    b.bindPropertyReader("tRig_Params", "FileName", [rig](NativeCall& c) { return Value(rig(c)->fileName); });
    b.bindPropertyWriter("tRig_Params", "FileName", [rig](NativeCall& c) {
      rig(c)->fileName = c.arg(0).asString();
      return Value();
    });
    b.bindPropertyReader("tRig_Params", "IrScale", [rig](NativeCall& c) { return Value(rig(c)->scale); });
    b.bindPropertyWriter("tRig_Params", "IrScale", [rig](NativeCall& c) {
      rig(c)->scale = c.arg(0).asDouble();
      return Value();
    });
    b.bindPropertyReader("tRig_Params", "Enabled", [rig](NativeCall& c) { return Value(rig(c)->enabled); });
    b.bindPropertyWriter("tRig_Params", "Enabled", [rig](NativeCall& c) {
      rig(c)->enabled = c.arg(0).asBool();
      return Value();
    });
    b.bindPropertyReader("tRig_Params", "Serial", [](NativeCall&) { return Value("E154-0001"); });
    b.bindMethod("tRig_Params", "setRange", [rig](NativeCall& c) {
      rig(c)->setRange(static_cast<int>(c.arg(0).asInt()), static_cast<int>(c.arg(1).asInt()));
      return Value();
    });
    b.bindMethod("tRig_Params", "RANGEOF", [rig](NativeCall& c) { return Value(rig(c)->ranges[c.arg(0).asInt() & 7]); });
    b.bindConstructor("tRig_Params", "create", [this](NativeCall& c) {
      ++h_.created;
      auto made = std::make_shared<Rig>();
      // An engine-made TComponent is not a host object: keep only host owners.
      made->owner = c.arg(0).isEngineObject() ? nullptr : c.arg(0).objectPointer();
      h_.ownerKinds.push_back(c.arg(0).isNil() ? "nil" : c.arg(0).isEngineObject() ? "engine" : "host");
      return Value::object(made);
    });
    b.bindRoutine("rig_params", [this](NativeCall&) { return Value::borrowedObject(&h_.rig); });
    b.bindRoutine("startPattern", [this](NativeCall&) {
      h_.calls.push_back("startPattern");
      return Value();
    });
  }

 private:
  Host& h_;
};

class PortImport : public ImportPlugin {
 public:
  explicit PortImport(Host& h) : h_(h) {}
  std::string name() const override { return "uPortImport"; }

  void compileImport(CompileContext& c) override {
    h_.order.push_back("compile port");
    c.declareRoutine("Function pModule_ENABLE_TTL_OUT( value : boolean) : boolean");
    c.declareRoutine("Function pModule_TTL_OUT( value : WORD) : boolean");
    c.declareRoutine("Function pModule_TTL_IN( var value : WORD) : boolean");
    c.declareRoutine("Function pModule_init_e154 : boolean");
    c.declareRoutine("procedure AddTag(var text: string; const tag: string; times: byte);");
    c.declareRoutine("function Scaled(var x: double; factor: double): double");
    c.declareRoutine("procedure Unbound(n: integer)");
  }

  void executeImport(RuntimeBinder& b) override {
    h_.order.push_back("execute port");
    b.bindRoutine("pModule_ENABLE_TTL_OUT", [this](NativeCall& c) {
      h_.calls.push_back("enable " + std::to_string(c.arg(0).asInt()));
      return Value(true);
    });
    b.bindRoutine("pModule_TTL_OUT", [this](NativeCall& c) {
      h_.calls.push_back("out " + std::to_string(c.arg(0).asInt()));
      return Value(c.arg(0).asInt() != 0);
    });
    b.bindRoutine("pModule_TTL_IN", [this](NativeCall& c) {
      h_.calls.push_back("in " + std::to_string(c.arg(0).asInt()));
      c.arg(0) = Value(static_cast<long long>(h_.inputWord));
      return Value(true);
    });
    b.bindRoutine("pModule_init_e154", [](NativeCall&) -> Value { throw std::runtime_error("module not found"); });
    b.bindRoutine("AddTag", [](NativeCall& c) {
      std::string s = c.arg(0).asString();
      for (long long i = 0; i < c.arg(2).asInt(); ++i) s += c.arg(1).asString();
      c.arg(0) = Value(s);
      return Value();
    });
    b.bindRoutine("Scaled", [](NativeCall& c) {
      double old = c.arg(0).asDouble();
      c.arg(0) = Value(old * c.arg(1).asDouble());
      return Value(old);
    });
  }

 private:
  Host& h_;
};

class PluginTest : public ::testing::Test {
 protected:
  PluginTest() {
    engine.addPlugin(std::make_shared<RigImport>(host));
    engine.addPlugin(std::make_shared<PortImport>(host));
    engine.setOnCompile([this](CompileContext& c) {
      host.order.push_back("compile event");
      c.declareRoutine("procedure writeLn(const Message: string);", [this](NativeCall& call) {
        out.push_back(call.arg(0).asString());
        return Value();
      });
    });
  }

  // Compiles and runs; returns the error text ("" on success).
  std::string run(const std::string& text) {
    out.clear();
    if (!engine.compile(text)) {
      std::string all;
      for (const auto& m : engine.messages()) all += formatMessage(m) + "\n";
      return "compile failed: " + all;
    }
    return engine.execute() ? std::string() : engine.errorText();
  }

  Host host;
  ScriptEngine engine;
  std::vector<std::string> out;
};

TEST_F(PluginTest, TheSixLineSettingsScriptWritesThroughTheProperty) {
  ASSERT_EQ(run("begin\nwith rig_params do\n  begin\n  DATA_QUERY_PERIOD_MS:=1000;\n  end;\nend."), "");
  host.rig.period = 5;
  ASSERT_EQ(run("begin\nwith rig_params do\n  begin\n  DATA_QUERY_PERIOD_MS:=250;\n  end;\nend."), "");
  EXPECT_EQ(host.rig.period, 250);
}

TEST_F(PluginTest, HooksRunInListOrderThenTheCompileEvent) {
  ASSERT_EQ(run("begin end."), "");
  EXPECT_EQ(host.order, (std::vector<std::string>{"compile rig", "compile port", "compile event", "execute rig",
                                                  "execute port"}));
}

TEST_F(PluginTest, PropertiesOfEveryTypeReadAndWriteThroughNatives) {
  ASSERT_EQ(run("var p: TRig_Params;\n"
                "begin\n"
                "  p := rig_params;\n"
                "  p.FileName := p.FileName + '.bak';\n"
                "  p.IrScale := p.IrScale * 2;\n"
                "  p.Enabled := not p.Enabled;\n"
                "  rig_params.data_query_period_ms := rig_params.DATA_QUERY_PERIOD_MS + 1;\n"
                "  writeLn(p.Serial);\n"
                "  if rig_params = p then writeLn('same object');\n"
                "end."),
            "");
  EXPECT_EQ(host.rig.fileName, "test.dat.bak");
  EXPECT_DOUBLE_EQ(host.rig.scale, 3.0);
  EXPECT_TRUE(host.rig.enabled);
  EXPECT_EQ(host.rig.period, 1001);
  EXPECT_EQ(out, (std::vector<std::string>{"E154-0001", "same object"}));
}

TEST_F(PluginTest, EveryParameterKindReachesTheNative) {
  ASSERT_EQ(run("var w: word; i: integer; s: string; x: double; ok: boolean;\n"
                "begin\n"
                "  ok := pModule_ENABLE_TTL_OUT(True) and pModule_TTL_OUT($00FF);\n"
                "  pModule_TTL_OUT(-1);\n"
                "  w := 7;\n"
                "  if pModule_TTL_IN(w) then writeLn(IntToHex(w, 4));\n"
                "  i := -5;\n"
                "  pModule_TTL_IN(i);\n"
                "  writeLn(IntToStr(i));\n"
                "  s := 'a';\n"
                "  AddTag(s, 'bc', 2);\n"
                "  x := 2.5;\n"
                "  writeLn(s + ' ' + FloatToStr(Scaled(x, 4)) + ' ' + FloatToStr(x));\n"
                "  if ok then writeLn('ok');\n"
                "end."),
            "");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"enable 1", "out 255", "out 65535", "in 7", "in 65531"}));
  EXPECT_EQ(out, (std::vector<std::string>{"BEEF", "48879", "abcbc 2.5 10", "ok"}));
}

TEST_F(PluginTest, MethodsAndConstructorsCallTheirNatives) {
  ASSERT_EQ(run("var p, q: tRig_Params; owner: TComponent;\n"
                "begin\n"
                "  rig_params.setRange(3, 500);\n"
                "  owner := TComponent.Create(nil);\n"
                "  p := tRig_Params.create(owner);\n"
                "  q := TRIG_PARAMS.Create(nil);\n"
                "  p.DATA_QUERY_PERIOD_MS := 10;\n"
                "  writeLn(IntToStr(p.DATA_QUERY_PERIOD_MS) + ' ' + IntToStr(q.DATA_QUERY_PERIOD_MS) + ' ' +\n"
                "          IntToStr(rig_params.rangeOf(3)) + ' ' + p.ClassName);\n"
                "  if p is TComponent then writeLn('a component');\n"
                "  with p, q do DATA_QUERY_PERIOD_MS := 7;\n"
                "  writeLn(IntToStr(p.DATA_QUERY_PERIOD_MS) + ' ' + IntToStr(q.DATA_QUERY_PERIOD_MS));\n"
                "  startPattern;\n"
                "end."),
            "");
  EXPECT_EQ(host.rig.ranges[3], 500);
  EXPECT_EQ(host.rig.period, 1000) << "new objects do not touch the global one";
  EXPECT_EQ(host.created, 2);
  EXPECT_EQ(host.ownerKinds, (std::vector<std::string>{"engine", "nil"}));
  EXPECT_EQ(out, (std::vector<std::string>{"10 1000 500 tRig_Params", "a component", "10 7"}));
  EXPECT_EQ(host.calls, std::vector<std::string>{"startPattern"});
}

TEST_F(PluginTest, ANativeExceptionStopsTheScriptWithItsMessage) {
  EXPECT_EQ(run("begin\n  writeLn('before');\n  rig_params.setRange(0, 1000);\n  writeLn('after');\nend."),
            "Exception: range must be 5000, 1600, 500 or 160, not 1000");
  EXPECT_EQ(out, std::vector<std::string>{"before"});
  EXPECT_EQ(engine.errorRow(), 3);
  EXPECT_EQ(run("begin\n  with rig_params do setRange(8, 5000);\nend."), "Exception: channel must be 0..7, not 8");
  EXPECT_EQ(run("var ok: boolean;\nbegin\n  ok := pModule_init_e154;\nend."), "Exception: module not found");
}

TEST_F(PluginTest, AScriptCanCatchANativeException) {
  ASSERT_EQ(run("begin\n"
                "  try\n"
                "    rig_params.setRange(9, 500);\n"
                "  except\n"
                "    on E: Exception do writeLn('refused: ' + E.Message);\n"
                "  end;\n"
                "end."),
            "");
  EXPECT_EQ(out, std::vector<std::string>{"refused: channel must be 0..7, not 9"});
}

TEST_F(PluginTest, NativesTakeElementsAndFieldsAsVarArgumentsAndServeAsProceduralValues) {
  ASSERT_EQ(run("type TTag = record Text: string; Port: word; end;\n"
                "  TReader = function(var value: word): boolean;\n"
                "var words: array of word; tags: array[1..2] of TTag; read: TReader; k: integer;\n"
                "begin\n"
                "  SetLength(words, 3);\n"
                "  words[2] := 1;\n"
                "  pModule_TTL_IN(words[2]);\n"
                "  tags[2].Text := 'x';\n"
                "  k := 0;\n"
                "  AddTag(tags[2].Text, 'y', 2);\n"
                "  read := pModule_TTL_IN;\n"
                "  tags[1].Port := 3;\n"
                "  if read(tags[1].Port) then writeLn(IntToHex(words[2], 4) + ' ' + tags[2].Text + ' ' + IntToStr(tags[1].Port));\n"
                "end."),
            "");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"in 1", "in 3"}));
  EXPECT_EQ(out, (std::vector<std::string>{"BEEF xyy 48879"}));
}

TEST_F(PluginTest, ScriptErrorsAboutPluginNames) {
  EXPECT_EQ(run("begin\n  rig_params.ranges := 1;\nend."),
            "compile failed: [Error] (2:14): Unknown member 'ranges' of class 'tRig_Params'\n");
  EXPECT_EQ(run("begin\n  rig_params.Serial := 'x';\nend."),
            "compile failed: [Error] (2:14): Property 'Serial' is read-only\n");
  EXPECT_EQ(run("var w: word;\nbegin\n  pModule_TTL_IN(5);\nend."),
            "compile failed: [Error] (3:18): Variable required for var parameter 'value'\n");
  EXPECT_EQ(run("var s: string;\nbegin\n  pModule_TTL_IN(s);\nend."),
            "compile failed: [Error] (3:18): Types of actual and formal var parameters must be identical: 'word' and "
            "'string'\n");
  EXPECT_EQ(run("begin\n  Unbound(1);\nend."), "'Unbound' has no native implementation bound");
}

class BrokenImport : public ImportPlugin {
 public:
  std::string name() const override { return "uBroken"; }
  void compileImport(CompileContext& c) override {
    c.declareRoutine("Function good : integer");
    c.declareRoutine("Function bad( x : integer : boolean");
    c.declareRoutine("Procedure oddType( x : TNoSuchType)");
    c.declareClass("TOrphan", "TNoParent");
    c.declare("type TNotify = procedure;");
    c.declareRoutine("procedure Each(f: TNotify)");
  }
  void executeImport(RuntimeBinder& b) override {
    b.bindRoutine("good", [](NativeCall&) { return Value(1); });
  }
};

TEST(PluginDeclarations, BadDeclarationTextsAreReportedWithTheirModule) {
  ScriptEngine engine;
  engine.addPlugin(std::make_shared<BrokenImport>());
  EXPECT_FALSE(engine.compile("begin end."));
  std::vector<std::string> messages;
  for (const auto& m : engine.messages()) messages.push_back(formatMessage(m));
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "[Error] uBroken(1:27): ')' expected but ':' found",
                          "[Error] uBroken(1:24): Unknown type 'TNoSuchType'",
                          "[Error] uBroken(1:1): Unknown parent class 'TNoParent' of class 'TOrphan'",
                          "[Error] uBroken(1:11): 'Each': procedural types are not passed to or from natives",
                      }));
}

}  // namespace
}  // namespace kelmo::script
