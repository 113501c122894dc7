// The shapes a standard-library plug-in declares by text: enumerations and sets of them,
// records, structured constants, a class with an indexed default property, and routines
// taking "array of const", open arrays, out parameters and default values.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/script_engine.h"

namespace kelmo::script {
namespace {

struct Lines {
  std::vector<std::string> items;
};

class LibraryImport : public ImportPlugin {
 public:
  std::string name() const override { return "uLibraryImport"; }

  void compileImport(CompileContext& c) override {
    c.declare(
        "type TMsgDlgType = (mtWarning, mtError, mtInformation, mtConfirmation, mtCustom);"
        "  TMsgDlgBtn = (mbYes, mbNo, mbOK, mbCancel);"
        "  TMsgDlgButtons = set of TMsgDlgBtn;"
        "  TReplaceFlags = set of (rfReplaceAll, rfIgnoreCase);"
        "  TSpan = record First, Last: Integer; end;"
        "const mrOk = 1; mrYes = 6; mbYesNo = [mbYes, mbNo]; mbOKCancel: TMsgDlgButtons = [mbOK, mbCancel];");
    c.declareClass("TLines", "TObject");
    c.declareMethod("TLines", "constructor Create");
    c.declareMethod("TLines", "procedure Add(const S: string)");
    c.declareProperty("TLines", "Count", "Integer", PropertyAccess::ReadOnly);
    c.declareIndexedProperty("TLines", "property Strings[Index: Integer]: string; default;");
    c.declareRoutine("function Join(const Args: array of const): string");
    c.declareRoutine("function Total(const Xs: array of Integer; Scale: Integer = 1): Integer");
    c.declareRoutine("function Flags(F: TReplaceFlags): string");
    c.declareRoutine("function Ask(Kind: TMsgDlgType; Buttons: TMsgDlgButtons): Integer");
    c.declareRoutine("procedure Split(const S: string; out Head, Tail: string)");
  }

  void executeImport(RuntimeBinder& b) override {
    b.bindConstructor("TLines", "Create", [](NativeCall&) { return Value::object(std::make_shared<Lines>()); });
    b.bindMethod("TLines", "Add", [](NativeCall& c) {
      c.self().objectAs<Lines>()->items.push_back(c.arg(0).asString());
      return Value();
    });
    b.bindPropertyReader("TLines", "Count", [](NativeCall& c) {
      return Value(static_cast<int>(c.self().objectAs<Lines>()->items.size()));
    });
    b.bindPropertyReader("TLines", "Strings", [](NativeCall& c) {
      return Value(c.self().objectAs<Lines>()->items.at(static_cast<std::size_t>(c.arg(0).asInt())));
    });
    b.bindPropertyWriter("TLines", "Strings", [](NativeCall& c) {
      c.self().objectAs<Lines>()->items.at(static_cast<std::size_t>(c.arg(1).asInt())) = c.arg(0).asString();
      return Value();
    });
    b.bindRoutine("Join", [](NativeCall& c) {
      std::string out;
      const Value& args = c.arg(0);
      for (std::size_t i = 0; i < args.length(); ++i) {
        const Value& v = args.item(i);
        if (v.kind() == Value::Kind::Real) out += "r" + std::to_string(static_cast<int>(v.asDouble() * 10)) + ";";
        else if (v.kind() == Value::Kind::String) out += "s" + v.asString() + ";";
        else out += "i" + std::to_string(v.asInt()) + ";";
      }
      return Value(out);
    });
    b.bindRoutine("Total", [](NativeCall& c) {
      std::int64_t sum = 0;
      for (std::size_t i = 0; i < c.arg(0).length(); ++i) sum += c.arg(0).item(i).asInt();
      return Value(sum * c.arg(1).asInt());
    });
    b.bindRoutine("Flags", [](NativeCall& c) {
      return Value(std::string(c.arg(0).hasElement(0) ? "all" : "") + (c.arg(0).hasElement(1) ? "+case" : ""));
    });
    b.bindRoutine("Ask", [](NativeCall& c) {
      // The result of the first button offered, as a dialog without a screen answers.
      if (c.arg(1).hasElement(0)) return Value(6);
      return Value(c.arg(0).asInt() == 1 ? 3 : 1);
    });
    b.bindRoutine("Split", [](NativeCall& c) {
      std::string s = c.arg(0).asString();
      auto at = s.find('=');
      c.arg(1) = Value(s.substr(0, at));
      c.arg(2) = Value(at == std::string::npos ? std::string() : s.substr(at + 1));
      return Value();
    });
  }
};

struct Outcome {
  bool compiled = false, executed = false;
  std::vector<std::string> output, messages;
  std::string error;
};

Outcome run(const std::string& text) {
  ScriptEngine engine;
  engine.addPlugin(std::make_shared<LibraryImport>());
  Outcome r;
  engine.setOnCompile([&](CompileContext& ctx) {
    ctx.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      r.output.push_back(call.arg(0).asString());
      return Value();
    });
  });
  r.compiled = engine.compile(text);
  for (const auto& m : engine.messages()) r.messages.push_back(formatMessage(m));
  if (r.compiled) r.executed = engine.execute();
  r.error = engine.errorText();
  return r;
}

TEST(LibraryPlugin, DeclaredTypesConstantsAndRoutinesWorkInAScript) {
  Outcome r = run(R"(var
  L: TLines;
  k: TMsgDlgType;
  b: TMsgDlgButtons;
  h, t: string;
  sp: TSpan;
begin
  L := TLines.Create;
  L.Add('a=1');
  L.Add('b=2');
  L[1] := 'c=' + L.Strings[0];
  writeLn(IntToStr(L.Count) + ' ' + L[1]);
  writeLn(Join(['x', 1, 2.5, 'yz', True]));
  writeLn(IntToStr(Total([1, 2, 3])) + ' ' + IntToStr(Total([1, 2, 3], 10)));
  writeLn(Flags([rfReplaceAll, rfIgnoreCase]) + ' ' + Flags([rfIgnoreCase]) + ' ' + Flags([]));
  b := mbYesNo;
  Include(b, mbOK);
  if (mbOK in b) and (mbYes in mbYesNo) and not (mbOK in mbYesNo) then writeLn('sets');
  writeLn(IntToStr(Ask(mtConfirmation, mbYesNo)) + ' ' + IntToStr(Ask(mtError, mbOKCancel)) + ' ' + IntToStr(mrOk));
  Split(L[0], h, t);
  writeLn(h + '|' + t);
  k := High(TMsgDlgType);
  writeLn(IntToStr(Ord(k)));
  sp.First := 2;
  sp.Last := sp.First + 3;
  writeLn(IntToStr(sp.Last));
end.)");
  ASSERT_TRUE(r.compiled) << (r.messages.empty() ? "" : r.messages[0]);
  ASSERT_TRUE(r.executed) << r.error;
  EXPECT_EQ(r.output, (std::vector<std::string>{"2 c=a=1", "sx;i1;r25;syz;i1;", "6 60", "all+case +case ",
                                                "sets", "6 3 1", "a|1", "4", "5"}));
}

TEST(LibraryPlugin, AScriptMayReuseADeclaredNameAndErrorsNameTheDeclaration) {
  Outcome r = run("var mrOk: integer;\nbegin mrOk := 2; writeLn(IntToStr(mrOk)); end.");
  ASSERT_TRUE(r.executed) << (r.messages.empty() ? r.error : r.messages[0]);
  EXPECT_EQ(r.output, std::vector<std::string>{"2"});

  Outcome bad = run("var L: TLines;\nbegin\n  L := TLines.Create;\n  L.Strings := 'x';\n  writeLn(L[0, 1]);\nend.");
  EXPECT_FALSE(bad.compiled);
  EXPECT_EQ(bad.messages, (std::vector<std::string>{
                              "[Error] (4:5): Property 'Strings' needs an index: '[' expected",
                              "[Error] (5:12): Property 'Strings' takes 1 index(es)"}));
}

}  // namespace
}  // namespace kelmo::script
