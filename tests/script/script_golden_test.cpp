// Every script in data/*.pas runs through compile and execute; the comment blocks at its
// end say what must come out:
//   (* output          lines written with writeLn, in order, as UTF-8 (the engine's Windows-1251
//                      strings converted as the program shows them)
//   (* messages        every compiler message, formatted (without it: no messages at all)
//   (* error           the execution error text (without it: the run must succeed)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/text_format.h"
#include "script/script_engine.h"

namespace kelmo::script {
namespace {

struct Case {
  std::string name;
  std::string text;
  std::vector<std::string> output, messages;
  bool hasMessages = false, hasError = false;
  std::string error;
};

std::vector<std::string> blockLines(const std::string& text, const std::string& tag, bool& found) {
  std::vector<std::string> lines;
  std::string open = "(* " + tag + "\n";
  auto at = text.find(open);
  found = at != std::string::npos;
  if (!found) return lines;
  auto end = text.find("*)", at);
  std::istringstream in(text.substr(at + open.size(), end - at - open.size()));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<Case> loadCases() {
  std::vector<Case> cases;
  for (const auto& entry : std::filesystem::directory_iterator(KELMO_TEST_DATA_DIR)) {
    if (entry.path().extension() != ".pas") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    Case c;
    c.name = entry.path().stem().string();
    c.text = buf.str();
    bool found = false;
    c.output = blockLines(c.text, "output", found);
    c.messages = blockLines(c.text, "messages", c.hasMessages);
    auto err = blockLines(c.text, "error", c.hasError);
    if (!err.empty()) c.error = err[0];
    cases.push_back(std::move(c));
  }
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class GoldenScript : public ::testing::TestWithParam<Case> {};

TEST_P(GoldenScript, ProducesItsExpectedOutput) {
  setDecimalSeparator('.');
  const Case& c = GetParam();
  ScriptEngine engine;
  std::vector<std::string> output;
  engine.setOnCompile([&](CompileContext& ctx) {
    ctx.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      output.push_back(cp1251ToUtf8(call.arg(0).text()));
      return Value();
    });
  });
  bool compiled = engine.compile(c.text);
  std::vector<std::string> messages;
  for (const auto& m : engine.messages()) messages.push_back(formatMessage(m));
  if (c.hasMessages) {
    EXPECT_EQ(messages, c.messages);
  } else {
    EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
  }
  if (!compiled) {
    EXPECT_TRUE(c.hasMessages) << "did not compile: " << ::testing::PrintToString(messages);
    return;
  }
  bool ran = engine.execute();
  EXPECT_EQ(output, c.output);
  if (c.hasError) {
    EXPECT_FALSE(ran);
    EXPECT_EQ(engine.errorText(), c.error);
  } else {
    EXPECT_TRUE(ran) << engine.errorText();
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenScript, ::testing::ValuesIn(loadCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo::script
