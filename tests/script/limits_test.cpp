// Runaway scripts end with an error text instead of hanging or eating memory: the step
// budget, string and memory limits, the call depth; and each run starts afresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_format.h"
#include "script/script_engine.h"

namespace kelmo::script {
namespace {

struct Outcome {
  bool compiled = false, ran = false;
  std::string error;
  std::vector<std::string> out;
};

Outcome run(const std::string& text, const ExecutionLimits& limits) {
  ScriptEngine engine;
  engine.setLimits(limits);
  Outcome r;
  engine.setOnCompile([&](CompileContext& c) {
    c.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      r.out.push_back(call.arg(0).asString());
      return Value();
    });
  });
  r.compiled = engine.compile(text);
  if (r.compiled) {
    r.ran = engine.execute();
    r.error = engine.errorText();
  }
  return r;
}

ExecutionLimits budget(std::uint64_t steps) {
  ExecutionLimits l;
  l.maxSteps = steps;
  return l;
}

TEST(Limits, TheStepBudgetEndsEndlessLoopsAndCannotBeCaught) {
  const char* loops[] = {
      "begin while True do ; end.",
      "begin repeat until False; end.",
      "var i: integer; begin for i := 1 to 2000000000 do ; end.",
      "procedure P; begin P; end; begin while True do try P; except end; end.",
      "begin while True do try raise Exception.Create('x'); except end; end.",
      "var i: integer; begin while True do try i := i div 0; finally Continue; end; end.",
  };
  for (const char* text : loops) {
    Outcome r = run(text, budget(5000));
    ASSERT_TRUE(r.compiled) << text;
    EXPECT_FALSE(r.ran) << text;
    EXPECT_EQ(r.error, "Step limit of 5000 exceeded") << text;
  }
  EXPECT_EQ(run("begin while True do try while True do ; except writeLn('caught'); end; end.", budget(100)).out,
            std::vector<std::string>{});
}

TEST(Limits, AStringThatOutgrowsItsLimitEndsTheRun) {
  ExecutionLimits l;
  l.maxStringLength = 1 << 16;
  Outcome r = run("var s: string; begin s := 'x'; while True do s := s + s; end.", l);
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(r.error, "String too long (more than 65536 bytes)");
  r = run("var s: string; begin s := StringOfChar('x', 100000); end.", l);
  EXPECT_EQ(r.error, "Exception: String too long (more than 65536 bytes)");
}

TEST(Limits, MemoryHeldByStringsAndArraysIsBounded) {
  ExecutionLimits l;
  l.maxHeapBytes = 8u << 20;
  Outcome r = run("var a: array[1..100000] of string; i: integer;\n"
              "begin for i := 1 to 100000 do a[i] := StringOfChar('x', 1000) + IntToStr(i); end.",
              l);
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(r.error, "Out of memory: the script holds more than 8 MB");
}

TEST(Limits, RecursionDeeperThanTheLimitEndsTheRun) {
  ExecutionLimits l;
  l.maxCallDepth = 50;
  Outcome r = run("function D(n: integer): integer; begin Result := D(n + 1); end;\nbegin writeLn(IntToStr(D(0))); end.", l);
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(r.error, "Stack overflow: more than 50 nested calls");
  r = run("function D(n: integer): integer; begin if n = 0 then Result := 0 else Result := D(n - 1) + 1; end;\n"
          "begin writeLn(IntToStr(D(49))); end.",
          l);
  EXPECT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.out, std::vector<std::string>{"49"});
}

TEST(Limits, EachExecutionStartsWithFreshGlobals) {
  ScriptEngine engine;
  std::vector<std::string> out;
  engine.setOnCompile([&](CompileContext& c) {
    c.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      out.push_back(call.arg(0).asString());
      return Value();
    });
  });
  ASSERT_TRUE(engine.compile("var n: integer = 5; s: string;\nbegin n := n + 1; s := s + 'x'; writeLn(IntToStr(n) + s); end."));
  ASSERT_TRUE(engine.execute());
  ASSERT_TRUE(engine.execute());
  EXPECT_EQ(out, (std::vector<std::string>{"6x", "6x"}));
}

TEST(Limits, RuntimeErrorsCarryThePositionOfTheirStatement) {
  ScriptEngine engine;
  ASSERT_TRUE(engine.compile("var a, b: integer;\nbegin\n  a := 1;\n  a :=  a mod b;\nend."));
  EXPECT_FALSE(engine.execute());
  EXPECT_EQ(engine.errorText(), "Division by zero");
  EXPECT_EQ(engine.errorRow(), 4);
  EXPECT_EQ(engine.errorCol(), 11);
}

TEST(Limits, ACallThroughNilCarriesItsPosition) {
  ScriptEngine engine;
  ASSERT_TRUE(engine.compile("type TF = function(x: double): double;\nvar f: TF; y: double;\nbegin\n  y :=  f(y);\nend."));
  EXPECT_FALSE(engine.execute());
  EXPECT_EQ(engine.errorText(), "Call through nil: the procedural value 'f' holds no routine");
  EXPECT_EQ(engine.errorRow(), 4);
  EXPECT_EQ(engine.errorCol(), 9);
}

TEST(Limits, DateTimeToStrUsesThePlatformTexts) {
  Outcome r = run("begin writeLn(DateTimeToStr(45000.25)); writeLn(DateTimeToStr(45000)); end.", ExecutionLimits{});
  ASSERT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.out, (std::vector<std::string>{shortDateText(45000.25) + " " + longTimeText(45000.25), shortDateText(45000)}));
}

}  // namespace
}  // namespace kelmo::script
