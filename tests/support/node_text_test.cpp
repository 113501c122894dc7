#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_format.h"
#include "support/node_list.h"

namespace kelmo {
namespace {

// The text forms depend on the regional settings: fix them for every test.
class NodeText : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = decimalSeparator();
    setDecimalSeparator('.');
  }
  void TearDown() override { setDecimalSeparator(saved_); }

 private:
  char saved_ = '.';
};

const TDateTime kLastSecondOfJanuary = encodeDateTime({2024, 1, 31, 23, 59, 59, 0});
const TDateTime kFirstOfFebruary = encodeDateTime({2024, 2, 1, 0, 0, 0, 0});

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const NodeListError& e) {
    return e.what();
  }
  return "(no error)";
}

struct FormCase {
  const char* what;
  std::function<std::unique_ptr<nod>()> make;
  const char* display;
  const char* print;
};

TEST_F(NodeText, DisplayAndPrintFormsOfEveryKind) {
  static int target = 0;
  class Plain : public TObject {};
  const std::vector<FormCase> cases = {
      {"integer", [] { return makeInt(-42); }, "-42", "-42"},
      {"extended", [] { return makeExtended(0.1L + 0.2L); }, "0.3", "f0.3"},
      {"large extended", [] { return makeExtended(1e15L); }, "1E15", "f1E15"},
      {"string with a quote", [] { return makeString("it's"); }, "it's", "'it''s'"},
      {"empty string", [] { return makeString(""); }, "", "''"},
      {"currency", [] { return makeCurrency({123450}); }, "12.345", "curr12.345"},
      {"negative currency", [] { return makeCurrency({-5000}); }, "-0.5", "curr-0.5"},
      {"whole currency", [] { return makeCurrency({70000}); }, "7", "curr7"},
      {"unassigned variant", [] { return makeVariant(UnassignedVariant{}); }, "UnassignedVariant",
       "v'UnassignedVariant'"},
      {"null variant", [] { return makeVariant(NullVariant{}); }, "NullVariant", "v'NullVariant'"},
      {"integer variant", [] { return makeVariant(7); }, "7", "v'7'"},
      {"text variant", [] { return makeVariant(std::string("abc")); }, "abc", "v'abc'"},
      {"pointer", [] { return makePointer(&target); }, "!TYPE!", "POINTER"},
      {"class", [] { return makeClass(typeid(Plain)); }, "!TYPE!", "CLASS"},
      {"object", [] { return makeObject(std::make_unique<Plain>()); }, "!TYPE!", "OBJECT"},
      {"empty list", [] { return makeList(); }, "!TYPE!", "()"},
  };
  for (const FormCase& c : cases) {
    const auto node = c.make();
    EXPECT_EQ(node->asDisplayText(), c.display) << c.what;
    EXPECT_EQ(node->asPrintForm(), c.print) << c.what;
  }
}

TEST_F(NodeText, NumbersFollowTheRegionalDecimalSeparator) {
  setDecimalSeparator(',');
  EXPECT_EQ(makeExtended(2.5L)->asPrintForm(), "f2,5");
  EXPECT_EQ(makeCurrency({25000})->asDisplayText(), "2,5");
}

TEST_F(NodeText, DateTimesPrintAsDigitsAndDisplayInTheRegionalFormat) {
  const auto node = makeDateTime(kLastSecondOfJanuary);
  EXPECT_EQ(node->asPrintForm(), "d20240131235959");
  EXPECT_EQ(node->asDisplayText(),
            shortDateText(kLastSecondOfJanuary) + " " + longTimeText(kLastSecondOfJanuary));
  EXPECT_NE(node->asDisplayText().find("59"), std::string::npos) << node->asDisplayText();
}

TEST_F(NodeText, ListsPrintEveryEntryWithItsKeyAndEmptyEntriesAsNil) {
  auto list = makeList();
  list->add("0", makeInt(3));
  list->add("1", makeInt(3));
  EXPECT_EQ(list->asPrintForm(), "('0' 3 '1' 3 )");

  list->asList().addObject("empty", nullptr);
  list->setAssoc("deep.x", makeString("v"), false);
  EXPECT_EQ(list->asPrintForm(), "('0' 3 '1' 3 'empty' Nil 'deep' ('x' 'v' ) )");
}

TEST_F(NodeText, DebugTexts) {
  EXPECT_EQ(asDebugText(nullptr), "Nil");
  EXPECT_EQ(asDebugText(makeInt(5).get()), "N:  5");
  EXPECT_EQ(makeString("abc")->asDebugText(), "S:  abc");
  auto list = makeList();
  list->add("a", makeInt(1));
  list->add("b", makeInt(2));
  EXPECT_EQ(list->asDebugText(), "L:  a\r\nb\r\n");
  EXPECT_EQ(makeList()->asDebugText(), "L:  ");
  EXPECT_EQ(makeExtended(1.5L)->asDebugText(), "3") << "other kinds show their type number";
  EXPECT_EQ(makeDateTime(0)->asDebugText(), "258");
}

TEST_F(NodeText, SqlLiterals) {
  EXPECT_EQ(makeInt(-3)->asFirebirdValue(), "-3");
  EXPECT_EQ(makeExtended(1.25L)->asFirebirdValue(), "1.25");
  EXPECT_EQ(makeCurrency({15000})->asFirebirdValue(), "1.5");
  EXPECT_EQ(makeString("O'Brien")->asFirebirdValue(), "'O''Brien'");
  EXPECT_EQ(makeVariant(std::string("a'b"))->asFirebirdValue(), "'a''b'");
  EXPECT_EQ(makeDateTime(kFirstOfFebruary)->asFirebirdValue(), "'2024-02-01'");
  EXPECT_EQ(errorOf([] { (void)makeDateTime(kLastSecondOfJanuary)->asFirebirdValue(); }),
            "asFirebirdValue: unable to pass time");
  const std::string noLiteral = errorOf([] { (void)makeList()->asFirebirdValue(); });
  EXPECT_EQ(noLiteral.rfind("asFirebirdValue: ", 0), 0u) << noLiteral;

  auto list = makeList();
  list->add("n", makeInt(1));
  list->add("s", makeString("a"));
  list->add("d", makeDateTime(kFirstOfFebruary));
  EXPECT_EQ(list->asFirebirdList(), "1,'a','2024-02-01'");
  EXPECT_EQ(makeList()->asFirebirdList(), "");
}

TEST_F(NodeText, AnEmptyEntryInASqlListIsAnInternalError) {
  auto list = makeList();
  list->asList().addObject("hole", nullptr);
  EXPECT_EQ(errorOf([&] { (void)list->asFirebirdList(); }), "Assertion failure");
}

}  // namespace
}  // namespace kelmo
