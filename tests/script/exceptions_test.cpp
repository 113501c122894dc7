// Exceptions as a host meets them: what an uncaught one leaves in errorText() with its row
// and column, the silent Abort, and a plug-in's natives raising a class of their choice
// through PascalException (the classes a script catches are in data/exception_*.pas).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "script/script_engine.h"

namespace kelmo::script {
namespace {

// A rig plug-in with an exception class of its own, and natives that fail in each way a
// native can.
class RigImport : public ImportPlugin {
 public:
  std::string name() const override { return "RigImport"; }
  void compileImport(CompileContext& c) override {
    c.declareClass("ERigError", "EInOutError");
    c.declareRoutine("procedure FailAs(const ClassName, Message: string)");
    c.declareRoutine("procedure FailPlainly(const Message: string)");
  }
  void executeImport(RuntimeBinder& b) override {
    b.bindRoutine("FailAs", [](NativeCall& c) -> Value {
      throw PascalException(c.arg(0).asString(), c.arg(1).asString());
    });
    b.bindRoutine("FailPlainly", [](NativeCall& c) -> Value { throw std::runtime_error(c.arg(0).asString()); });
  }
};

class Exceptions : public ::testing::Test {
 protected:
  Exceptions() {
    engine.addPlugin(std::make_shared<RigImport>());
    engine.setOnCompile([this](CompileContext& c) {
      c.declareRoutine("procedure writeLn(const Message: string);", [this](NativeCall& call) {
        out.push_back(call.arg(0).asString());
        return Value();
      });
    });
  }

  // Compiles and runs; the error text, empty when the run succeeded.
  std::string run(const std::string& text) {
    out.clear();
    if (!engine.compile(text)) {
      ADD_FAILURE() << "did not compile: " << (engine.messages().empty() ? "" : formatMessage(engine.messages()[0]));
      return "did not compile";
    }
    const bool ran = engine.execute();
    EXPECT_EQ(ran, engine.errorText().empty()) << engine.errorText();
    return engine.errorText();
  }

  ScriptEngine engine;
  std::vector<std::string> out;
};

TEST_F(Exceptions, UncaughtOnesKeepTheirTextAndThePositionTheyWereRaisedAt) {
  struct Case {
    const char* script;
    const char* error;
    int row, col;
  };
  const Case cases[] = {
      // a runtime fault: its message alone, at the operation
      {"var a: integer;\nbegin\n  a := 10 div a;\nend.", "Division by zero", 3, 11},
      // a native's exception of a class: "Exception: " and its message, at the call
      {"var a: integer;\nbegin\n  a := 1;\n  a := StrToInt('x' + IntToStr(a));\nend.",
       "Exception: 'x1' is not a valid integer value", 4, 8},
      // a script's raise, at the raise
      {"begin\n  writeLn('a');\n    raise EConvertError.Create('no');\nend.", "Exception: no", 3, 5},
      // a bare re-raise keeps the position where the exception began
      {"var a: integer;\nbegin\n  try\n    a := a div a;\n  except\n    raise;\n  end;\nend.", "Division by zero", 4, 12},
      {"begin\n  Assert(1 > 2);\nend.", "Exception: Assertion failed (line 2)", 2, 3},
      // a handler that does not match lets it go on unchanged
      {"var x: double;\nbegin\n  try\n    x := x / x;\n  except\n    on E: EZeroDivide do writeLn('no');\n  end;\nend.",
       "Invalid floating point operation", 4, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(run(c.script), c.error);
    EXPECT_EQ(engine.errorRow(), c.row);
    EXPECT_EQ(engine.errorCol(), c.col);
  }
}

TEST_F(Exceptions, AbortEndsTheRunAsASuccessWherePlainFailuresDoNot) {
  EXPECT_EQ(run("begin\n  writeLn('before');\n  Abort;\n  writeLn('after');\nend."), "");
  EXPECT_EQ(out, std::vector<std::string>{"before"});
  EXPECT_EQ(engine.errorRow(), 0);
  EXPECT_EQ(run("begin\n  raise EAbort.Create('quietly');\nend."), "") << "an EAbort made by the script is as silent";
  EXPECT_EQ(run("begin\n  try\n    Abort;\n  except\n    raise EConvertError.Create('loud');\n  end;\nend."),
            "Exception: loud") << "a handler may turn it into a failure";
  EXPECT_EQ(run("begin\n  writeLn('x');\nend."), "") << "the next run starts clean";
}

TEST_F(Exceptions, ANativeRaisesTheClassItNamesAndAnyOtherFailureIsAnException) {
  ASSERT_EQ(run("procedure Attempt(const cls: string);\n"
                "begin\n"
                "  try\n"
                "    if cls = '' then FailPlainly('plain') else FailAs(cls, 'from ' + cls);\n"
                "  except\n"
                "    on E: EInOutError do writeLn('EInOutError handler: ' + E.ClassName + ' ' + E.Message);\n"
                "    on E: EIntError do writeLn('EIntError handler: ' + E.ClassName + ' ' + E.Message);\n"
                "    on E: Exception do writeLn('Exception handler: ' + E.ClassName + ' ' + E.Message);\n"
                "  end;\n"
                "end;\n"
                "begin\n"
                "  Attempt('ERangeError');\n"
                "  Attempt('ERIGERROR');\n"
                "  Attempt('EConvertError');\n"
                "  Attempt('ENoSuchClass');\n"
                "  Attempt('');\n"
                "end."),
            "");
  EXPECT_EQ(out, (std::vector<std::string>{
                     "EIntError handler: ERangeError from ERangeError",
                     "EInOutError handler: ERigError from ERIGERROR",
                     "Exception handler: EConvertError from EConvertError",
                     "Exception handler: Exception from ENoSuchClass",
                     "Exception handler: Exception plain",
                 }));
  EXPECT_EQ(run("begin\n  FailAs('EAbort', 'a native may abort');\n  writeLn('not reached');\nend."), "");
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kelmo::script
