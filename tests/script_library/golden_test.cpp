// Every script in data/*.pas runs through compile and execute with the standard library's
// plug-ins, in a folder of its own; the comment blocks at its end say what must come out:
//   (* output          lines written with writeLn and by the dialogs, in order
//   (* messages        every compiler message, formatted (without it: no messages at all)
//   (* error           the execution error text (without it: the run must succeed)
// Regional settings are fixed: '.' decimals, ',' thousands, '.' in dates, dd/mm/yyyy.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/date_time.h"
#include "platform/text_format.h"
#include "script/script_engine.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string name;
  std::string text;
  std::vector<std::string> output, messages;
  bool hasMessages = false, hasError = false;
  std::string error;
};

std::vector<std::string> blockLines(const std::string& text, const std::string& tag, bool& found) {
  std::vector<std::string> lines;
  const std::string open = "(* " + tag + "\n";
  const auto at = text.find(open);
  found = at != std::string::npos;
  if (!found) return lines;
  const auto end = text.find("*)", at);
  std::istringstream in(text.substr(at + open.size(), end - at - open.size()));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<Case> loadCases() {
  std::vector<Case> cases;
  for (const auto& entry : fs::directory_iterator(KELMO_TEST_DATA_DIR)) {
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
    const auto err = blockLines(c.text, "error", c.hasError);
    if (!err.empty()) c.error = err[0];
    cases.push_back(std::move(c));
  }
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Runs the test in a fresh folder, so scripts may write relative file names.
class FreshFolder {
 public:
  FreshFolder() : previous_(fs::current_path()) {
    folder_ = fs::temp_directory_path() / ("kelmo-library-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  FreshFolder(const FreshFolder&) = delete;
  FreshFolder& operator=(const FreshFolder&) = delete;
  ~FreshFolder() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

 private:
  fs::path previous_;
  fs::path folder_;
};

class LibraryScript : public ::testing::TestWithParam<Case> {};

TEST_P(LibraryScript, ProducesItsExpectedOutput) {
  setDecimalSeparator('.');
  setThousandSeparator(",");
  setCurrencyStyle({"$", true});
  setDateSeparator('.');
  setTimeSeparator(':');
  setShortDatePattern("dd/mm/yyyy");
  setClock([] { return encodeDateTime({2026, 12, 10, 13, 30, 0, 0}); });
  const FreshFolder folder;
  const Case& c = GetParam();

  std::vector<std::string> output;
  ScreenlessDialogs dialogs([&](const std::string& line) { output.push_back(line); });
  script::ScriptEngine engine;
  for (auto& plugin : standardImports(dialogs)) engine.addPlugin(plugin);
  engine.setOnCompile([&](script::CompileContext& ctx) {
    ctx.declareRoutine("procedure writeLn(const Message: string);", [&](script::NativeCall& call) {
      output.push_back(cp1251ToUtf8(call.arg(0).text()));
      return script::Value();
    });
  });
  const bool compiled = engine.compile(c.text);
  std::vector<std::string> messages;
  for (const auto& m : engine.messages()) messages.push_back(script::formatMessage(m));
  if (c.hasMessages) {
    EXPECT_EQ(messages, c.messages);
  } else {
    EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
  }
  setClock({});
  if (!compiled) {
    EXPECT_TRUE(c.hasMessages) << "did not compile: " << ::testing::PrintToString(messages);
    return;
  }
  setClock([] { return encodeDateTime({2026, 12, 10, 13, 30, 0, 0}); });
  const bool ran = engine.execute();
  setClock({});
  EXPECT_EQ(output, c.output);
  if (c.hasError) {
    EXPECT_FALSE(ran);
    EXPECT_EQ(engine.errorText(), c.error);
  } else {
    EXPECT_TRUE(ran) << engine.errorText();
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, LibraryScript, ::testing::ValuesIn(loadCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo::script_library
