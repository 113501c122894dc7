// Compile messages: kind, row and column of the offending token, and a text that names
// what is wrong. One row per case: the script and every message it must produce.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/script_engine.h"

namespace kelmo::script {
namespace {

struct MessageCase {
  const char* name;
  const char* script;
  std::vector<std::string> messages;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> compileMessages(ScriptEngine& engine, const std::string& text) {
  engine.compile(text);
  std::vector<std::string> out;
  for (const auto& m : engine.messages()) out.push_back(formatMessage(m));
  return out;
}

class CompileMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(CompileMessages, AreExact) {
  ScriptEngine engine;
  engine.setOnCompile([](CompileContext& c) {
    c.declareRoutine("procedure writeLn(const Message: string);", [](NativeCall&) { return Value(); });
  });
  EXPECT_EQ(compileMessages(engine, GetParam().script), GetParam().messages);
}

const MessageCase kCases[] = {
    {"EmptyText", "", {"[Error] (1:1): 'begin' expected but end of file found"}},
    {"NoFinalDot", "begin\nend", {"[Error] (2:4): '.' expected but end of file found"}},
    {"MissingSemicolon", "begin\n  writeLn('a')\n  writeLn('b');\nend.",
     {"[Error] (2:15): ';' expected but identifier 'writeLn' found"}},
    {"MissingSemicolonInDeclarations", "var i: integer\n    s: string;\nbegin end.",
     {"[Error] (1:15): ';' expected but identifier 's' found"}},
    {"MissingEndNamesBegin", "begin\n  if true then\n  begin\n    writeLn('a');\nend.",
     {"[Error] (5:4): 'end' expected (to close 'begin' at line 1) but '.' found"}},
    {"MissingEndOfCase", "var i: integer;\nbegin\n  case i of\n    1: writeLn('a');\nend.",
     {"[Error] (5:4): 'end' expected (to close 'begin' at line 2) but '.' found"}},
    {"MissingUntilNamesRepeat", "begin\n  repeat\n    writeLn('a');\nend.",
     {"[Error] (4:1): 'until' expected (to close 'repeat' at line 2) but 'end' found"}},
    {"MissingEndNamesRecord", "type\n  TR = record\n    X: integer;\nvar r: TR;\nbegin end.",
     {"[Error] (4:1): 'end' expected (to close 'record' at line 2) but 'var' found"}},
    {"UnknownEnumValue", "type TMode = (mA, mB);\nvar m: TMode;\nbegin\n  m := mC;\nend.",
     {"[Error] (4:8): Unknown identifier 'mC'"}},
    {"EnumFromOtherEnum", "type TA = (a1, a2); TB = (b1, b2);\nvar a: TA;\nbegin\n  a := b1;\nend.",
     {"[Error] (4:8): Incompatible types: '(a1, ...)' and '(b1, ...)'"}},
    {"IntegerIntoEnum", "type TA = (a1, a2);\nvar a: TA;\nbegin\n  a := 1;\nend.",
     {"[Error] (4:8): Incompatible types: '(a1, ...)' and 'integer'"}},
    {"UnknownRecordField", "type TP = record X, Y: integer; end;\nvar p: TP;\nbegin\n  p.Z := 1;\nend.",
     {"[Error] (4:5): Unknown field 'Z' of record"}},
    {"SetOfWideRange", "type TS = set of integer;\nbegin end.",
     {"[Error] (1:18): Set base type must be an ordinal type with at most 256 values from 0 to 255, not 'integer'"}},
    {"SetElementOfOtherType", "type TA = (a1, a2);\nvar s: set of TA;\nbegin\n  Include(s, 'x');\nend.",
     {"[Error] (4:14): Incompatible types: '(a1, ...)' and 'char'"}},
    {"TypedConstantCount", "const R: array[0..3] of integer = (1, 2, 3);\nbegin end.",
     {"[Error] (1:35): Number of elements (3) differs from the declaration (4)"}},
    {"TypedConstantNeedsList", "const R: array[0..1] of integer = 5;\nbegin end.",
     {"[Error] (1:35): '(' expected: a constant of type 'array[0..1] of integer' is written as a list in parentheses"}},
    {"AssignTypedConstant", "const R: array[0..1] of integer = (1, 2);\nbegin\n  R[0] := 3;\nend.",
     {"[Error] (3:5): Left side cannot be assigned to: constant parameter"}},
    {"SetLengthOfStaticArray", "var a: array[0..2] of integer;\nbegin\n  SetLength(a, 4);\nend.",
     {"[Error] (3:13): Dynamic array or string expected for 'SetLength'"}},
    {"VarOpenArrayOfStatic", "procedure P(var a: array of integer); begin end;\nvar s: array[1..2] of integer;\nbegin\n  P(s);\nend.",
     {"[Error] (4:5): Only a dynamic array can be passed as var open array parameter 'a'"}},
    {"SubrangeBoundsReversed", "type T = 5..1;\nbegin end.", {"[Error] (1:13): High bound is lower than low bound"}},
    {"UnknownIdentifier", "begin\n  foo := 1;\nend.", {"[Error] (2:3): Unknown identifier 'foo'"}},
    {"UnknownRoutine", "begin\n  writeLn(IntToStr(1));\n  Frobnicate(3);\nend.",
     {"[Error] (3:3): Unknown identifier 'Frobnicate'"}},
    {"IncompatibleAssignment", "var i: integer;\nbegin\n  i := 'text';\nend.",
     {"[Error] (3:8): Incompatible types: 'integer' and 'string'"}},
    {"DoubleToInteger", "var i: integer;\nbegin\n  i := 2.5;\nend.",
     {"[Error] (3:8): Incompatible types: 'integer' and 'double'"}},
    {"ConditionNotBoolean", "begin\n  if 1 then writeLn('x');\nend.",
     {"[Error] (2:6): Type of expression must be boolean, not 'integer'"}},
    {"PascalPrecedence", "var a, b: integer;\nbegin\n  if a > 0 and b > 0 then writeLn('x');\nend.",
     {"[Error] (3:18): 'then' expected but '>' found"}},
    {"WrongOperandTypes", "begin\n  writeLn('a' - 'b');\nend.",
     {"[Error] (2:15): Incompatible types: 'char' and 'char' for operator '-'"}},
    {"TooManyArguments", "begin\n  writeLn('a', 'b');\nend.",
     {"[Error] (2:16): Too many actual parameters for 'writeLn'"}},
    {"NotEnoughArguments", "begin\n  writeLn(Copy('abc'));\nend.",
     {"[Error] (2:11): Not enough actual parameters for 'Copy'"}},
    {"VarParameterNeedsVariable", "procedure P(var x: integer); begin x := 1; end;\nbegin\n  P(3);\nend.",
     {"[Error] (3:5): Variable required for var parameter 'x'"}},
    {"AssignToConstParameter", "procedure P(const x: integer);\nbegin\n  x := 1;\nend;\nbegin P(1); end.",
     {"[Error] (3:3): Left side cannot be assigned to: 'x' is a constant parameter"}},
    {"AssignToConstant", "const N = 3;\nbegin\n  N := 4;\nend.", {"[Error] (3:3): Left side cannot be assigned to"}},
    {"BreakOutsideLoop", "begin\n  Break;\nend.", {"[Error] (2:3): BREAK or CONTINUE outside of loop"}},
    {"DuplicateIdentifier", "var a: integer;\n    a: string;\nbegin end.", {"[Error] (2:5): Duplicate identifier 'a'"}},
    {"UnknownType", "var a: TWidget;\nbegin end.", {"[Error] (1:8): Unknown type 'TWidget'"}},
    {"UnknownMember", "var c: TComponent;\nbegin\n  c.Colour := 1;\nend.",
     {"[Error] (3:5): Unknown member 'Colour' of class 'TComponent'"}},
    {"ProcedureAsValue", "procedure P; begin end;\nvar i: integer;\nbegin\n  i := P;\nend.",
     {"[Error] (4:8): Procedure 'P' has no value and cannot be used in an expression"}},
    {"ExpressionAsStatement", "begin\n  1 + 2;\nend.", {"[Error] (2:3): statement expected but '1' found"}},
    {"EqualsInsteadOfAssign", "var i: integer;\nbegin\n  i = 1;\nend.", {"[Error] (3:5): ':=' expected but '=' found"}},
    {"UnterminatedString", "begin\n  writeLn('abc);\nend.", {"[Error] (2:11): Unterminated string"}},
    {"UnterminatedComment", "begin\n { never closed\nend.", {"[Error] (2:2): Unterminated comment"}},
    {"IllegalCharacter", "begin\n  ?\nend.", {"[Error] (2:3): Illegal character '?'"}},
    {"IntegerTooLarge", "begin\n  writeLn(IntToStr(99999999999999999999));\nend.",
     {"[Error] (2:20): Integer constant too large"}},
    {"DuplicateCaseLabel", "var i: integer;\nbegin\n  case i of\n    1: ;\n    0..2: ;\n  end;\nend.",
     {"[Error] (5:5): Duplicate case label"}},
    {"RaiseWithoutException", "begin\n  raise;\nend.",
     {"[Error] (2:3): 'raise' without an exception is allowed only in an exception handler"}},
    {"RaiseOfANumber", "begin\n  raise 5;\nend.", {"[Error] (2:9): Exception object expected after 'raise'"}},
    {"RaiseOfAClassNotAnObject", "begin\n  raise EConvertError;\nend.",
     {"[Error] (2:9): Expression expected but type 'EConvertError' found"}},
    {"UnknownExceptionClass", "begin\n  try\n  except\n    on E: EChannelError do ;\n    on Integer do ;\n  end;\nend.",
     {"[Error] (4:11): Unknown exception class 'EChannelError'", "[Error] (5:8): Unknown exception class 'Integer'"}},
    {"ScriptDeclaresAClass", "type\n  EChannelError = class(Exception)\n  end;\nbegin end.",
     {"[Error] (2:19): Scripts cannot declare classes: use the classes the system declares, such as Exception and "
      "its descendants"}},
    {"AssertWithoutCondition", "begin\n  Assert;\nend.", {"[Error] (2:3): Not enough actual parameters for 'Assert'"}},
    {"AssertOfANumber", "begin\n  Assert(1, 'one');\nend.", {"[Error] (2:10): Type of expression must be boolean, not 'integer'"}},
    {"AssertMessageNotAString", "begin\n  Assert(True, 5);\nend.", {"[Error] (2:16): Incompatible types: 'string' and 'integer'"}},
    {"AssertTooManyArguments", "begin\n  Assert(True, 'a', 'b');\nend.", {"[Error] (2:21): Too many actual parameters for 'Assert'"}},
    {"AssertHasNoValue", "var b: boolean;\nbegin\n  b := Assert(True);\nend.",
     {"[Error] (3:8): 'Assert' is a statement and has no value"}},
    {"ForOverDouble", "var x: double;\nbegin\n  for x := 1 to 2 do ;\nend.",
     {"[Error] (3:7): For loop control variable must be a simple variable of ordinal type"}},
    {"NestingTooDeep", "begin\n  writeLn(IntToStr(((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
                       "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1"
                       "))));\nend.",
     {"[Error] (2:104): Nesting too deep"}},
    {"WithOnInteger", "var i: integer;\nbegin\n  with i do ;\nend.",
     {"[Error] (3:8): Record or object expected in 'with', not 'integer'"}},
    {"WithOnFunctionResultIsReadOnly",
     "type TP = record X: integer; end;\nconst Z: TP = (X: 1);\nfunction F: TP; begin Result := Z; end;\n"
     "begin\n  with F do X := 2;\nend.",
     {"[Error] (5:13): Left side cannot be assigned to"}},
    {"WithOnTypedConstantIsReadOnly", "type TP = record X: integer; end;\nconst Z: TP = (X: 1);\nbegin\n  with Z do X := 2;\nend.",
     {"[Error] (4:13): Left side cannot be assigned to"}},
    {"WithOnConstParameterIsReadOnly",
     "type TP = record X: integer; end;\nprocedure P(const r: TP);\nbegin\n  with r do Inc(X);\nend;\nbegin end.",
     {"[Error] (4:17): Variable required"}},
    {"WithFieldCalledAsRoutine", "type TP = record X: integer; end;\nvar r: TP;\nbegin\n  with r do X(1);\nend.",
     {"[Error] (4:13): 'X' is a field, not a routine"}},
    {"WithUnknownNameInsideRecord", "type TP = record X: integer; end;\nvar r: TP;\nbegin\n  with r do Y := 1;\nend.",
     {"[Error] (4:13): Unknown identifier 'Y'"}},
    {"HintAndWarning",
     "function F: integer;\nvar Unused, b: integer;\nbegin\nend;\nbegin\n  writeLn(IntToStr(F));\nend.",
     {"[Hint] (2:5): Variable 'Unused' is declared but never used", "[Hint] (2:13): Variable 'b' is declared but never used",
      "[Warning] (1:10): Return value of function 'F' might be undefined"}},
    // Procedural types
    {"RoutineOfOtherSignature",
     "type TCurve = function(x: double): double;\nfunction Sq(x: integer): integer; begin Result := x; end;\n"
     "var c: TCurve;\nbegin\n  c := Sq;\nend.",
     {"[Error] (5:8): Incompatible types: 'Sq' is function(integer): integer, not TCurve = function(double): double"}},
    {"RoutineOfOtherParameterMode",
     "type TStep = procedure(var n: integer);\nprocedure Bump(n: integer); begin end;\n"
     "procedure Run(s: TStep); begin end;\nbegin\n  Run(@Bump);\nend.",
     {"[Error] (5:7): Incompatible types: 'Bump' is procedure(integer), not TStep = procedure(var integer)"}},
    {"ProceduralValueOfOtherType",
     "type TA = procedure; TB = function: integer;\nvar a: TA; b: TB;\nbegin\n  a := b;\nend.",
     {"[Error] (4:8): Incompatible types: 'TA' and 'TB'"}},
    {"ProceduralValueIntoInteger",
     "type TA = procedure(k: integer);\nvar a: TA; i: integer;\nbegin\n  i := a;\nend.",
     {"[Error] (4:8): Incompatible types: 'integer' and 'TA'"}},
    {"BuiltinAsProceduralValue", "type TF = function(const s: string): integer;\nvar f: TF;\nbegin\n  f := Length;\nend.",
     {"[Error] (4:8): 'Length' is built in and cannot be used as a procedural value"}},
    {"AddressOfVariable", "type TA = procedure;\nvar a: TA; i: integer;\nbegin\n  a := @i;\nend.",
     {"[Error] (4:8): '@' takes a routine or a procedural variable: pointers are not supported"}},
    {"MethodType", "type TEvent = procedure(Sender: TObject) of object;\nbegin end.",
     {"[Error] (1:15): Method types ('of object') are not supported: scripts declare no classes"}},
    {"ProcedureTypeWithResult", "type TA = procedure: integer;\nbegin end.",
     {"[Error] (1:20): A procedure type has no result type"}},
    {"CallThroughProceduralValueArgumentCount",
     "type TF = function(x: double): double;\nvar f: TF; y: double;\nbegin\n  y := f(1, 2);\n  f;\nend.",
     {"[Error] (4:13): Too many actual parameters for 'f'", "[Error] (5:3): Not enough actual parameters for 'f'"}},
    {"AssignedOfInteger", "var i: integer;\nbegin\n  if Assigned(i) then;\nend.",
     {"[Error] (3:15): Object or procedural value expected for 'Assigned'"}},
    // Nested routines
    {"NestedRoutineAsProceduralValue",
     "type TF = function(x: double): double;\nprocedure Outer;\nvar f: TF;\n"
     "  function Inner(x: double): double; begin Result := x; end;\nbegin\n  f := Inner;\nend;\nbegin end.",
     {"[Error] (6:8): Nested routine 'Inner' cannot be used as a procedural value: it needs the frame of the routine around it"}},
    {"NestedRoutineNotSeenOutside",
     "procedure Outer;\n  procedure Inner; begin end;\nbegin\n  Inner;\nend;\nbegin\n  Inner;\nend.",
     {"[Error] (7:3): Unknown identifier 'Inner'"}},
    {"NestedForwardWithoutBody", "procedure Outer;\n  procedure Later; forward;\nbegin\nend;\nbegin end.",
     {"[Error] (2:13): Unsatisfied forward declaration: 'Later'"}},
    {"ForControlOfEnclosingRoutine",
     "procedure Outer;\nvar i: integer;\n  procedure Inner;\n  begin\n    for i := 1 to 2 do;\n  end;\nbegin\n  Inner;\nend;\nbegin end.",
     {"[Error] (5:9): For loop control variable must be a simple variable of ordinal type"}},
    {"ConstParameterOfEnclosingRoutine",
     "procedure Outer(const n: integer);\n  procedure Inner;\n  begin\n    n := 2;\n  end;\nbegin\n  Inner;\nend;\nbegin end.",
     {"[Error] (4:5): Left side cannot be assigned to: 'n' is a constant parameter"}},
    {"VarElementOfOtherType",
     "type TP = record Name: string; end;\nprocedure Swap(var a, b: integer); begin end;\n"
     "var x: array[1..2] of integer; p: TP;\nbegin\n  Swap(x[1], p.Name);\nend.",
     {"[Error] (5:16): Types of actual and formal var parameters must be identical: 'integer' and 'string'"}},
    {"VarArgumentOfFunctionResultField",
     "type TP = record X: integer; end;\nfunction F: TP; begin Result.X := 1; end;\n"
     "procedure Bump(var n: integer); begin end;\nbegin\n  Bump(F.X);\nend.",
     {"[Error] (5:10): Variable required for var parameter 'n'"}},
};

INSTANTIATE_TEST_SUITE_P(Table, CompileMessages, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

TEST(CompileMessagesTest, CompileSucceedsOnlyWithoutErrors) {
  ScriptEngine engine;
  EXPECT_TRUE(engine.compile("var unused: integer;\nbegin\nend."));
  EXPECT_FALSE(engine.compile("begin\n  x := 1;\nend."));
  EXPECT_FALSE(engine.execute()) << "a failed compile leaves nothing to run";
  EXPECT_FALSE(engine.errorText().empty());
}

std::string chain(int terms) {
  std::string s = "var i: integer;\nbegin\n  i := 1";
  for (int k = 1; k < terms; ++k) s += k % 2 ? "+1" : "*1";
  return s + ";\nend.";
}

TEST(CompileMessagesTest, LongOperatorChainsAreBoundedLikeNesting) {
  ScriptEngine engine;
  EXPECT_TRUE(engine.compile(chain(100)));
  EXPECT_TRUE(engine.execute()) << engine.errorText();
  auto messages = compileMessages(engine, chain(5000));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Nesting too deep"), std::string::npos) << messages[0];
}

TEST(CompileMessagesTest, AFloodOfErrorsIsCappedWithOneMessageCountingTheRest) {
  ScriptEngine engine;
  std::string text = "begin\n" + std::string(250, '?') + "\nend.";
  auto messages = compileMessages(engine, text);
  ASSERT_EQ(messages.size(), 101u);
  EXPECT_EQ(messages[0], "[Error] (2:1): Illegal character '?'") << "the first error is unchanged";
  EXPECT_EQ(messages[99], "[Error] (2:100): Illegal character '?'");
  EXPECT_EQ(messages[100], "[Error] (2:101): Too many messages: 150 more not shown");
  EXPECT_FALSE(engine.compile(std::string(100, '?') + "begin end.")) << "exactly 100 errors: no summary";
  EXPECT_EQ(engine.messages().size(), 100u);
}

TEST(CompileMessagesTest, FormatNamesKindModuleRowAndColumn) {
  EXPECT_EQ(formatMessage({MessageKind::Error, "", 3, 5, "Unknown identifier 'foo'"}),
            "[Error] (3:5): Unknown identifier 'foo'");
  EXPECT_EQ(formatMessage({MessageKind::Hint, "uPSI_Thing", 1, 2, "text"}), "[Hint] uPSI_Thing(1:2): text");
  EXPECT_EQ(formatMessage({MessageKind::Warning, "", 10, 20, "w"}), "[Warning] (10:20): w");
}

TEST(CompileMessagesTest, IdentifiersAndKeywordsIgnoreCase) {
  ScriptEngine engine;
  std::vector<std::string> out;
  engine.setOnCompile([&](CompileContext& c) {
    c.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      out.push_back(call.arg(0).asString());
      return Value();
    });
  });
  ASSERT_TRUE(engine.compile("VAR Count: INTEGER;\nBEGIN\n  count := 2;\n  WRITELN(inttostr(COUNT));\nEnD."));
  ASSERT_TRUE(engine.execute()) << engine.errorText();
  EXPECT_EQ(out, std::vector<std::string>{"2"});
}

}  // namespace
}  // namespace kelmo::script
