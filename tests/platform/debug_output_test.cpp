#include "platform/debug_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/message_box.h"

namespace kelmo {
namespace {

TEST(DebugOutput, CapturedTextsArriveWhole) {
  std::vector<std::string> seen;
  captureDebugOutput([&](const std::string& t) { seen.push_back(t); });
  debugOutput("waveInAddBuffer succeeded");
  debugOutput("");
  captureDebugOutput({});
  debugOutput("not captured");
  EXPECT_EQ(seen, (std::vector<std::string>{"waveInAddBuffer succeeded", ""}));
}

TEST(MessageBox, TheInstalledHandlerAnswers) {
  MessageBoxRequest seen;
  auto previous = setMessageBoxHandler([&](const MessageBoxRequest& r) {
    seen = r;
    return BoxAnswer::Cancel;
  });
  EXPECT_EQ(showMessageBox({"kelmo", "Сохранить файл?", BoxIcon::Question, BoxButtons::YesNoCancel}),
            BoxAnswer::Cancel);
  EXPECT_EQ(seen.text, "Сохранить файл?");
  setMessageBoxHandler(previous);
  // Without a window a question is answered No, so nothing waits for a person.
  EXPECT_EQ(showMessageBox({"kelmo", "?", BoxIcon::Question, BoxButtons::YesNoCancel}), BoxAnswer::No);
}

}  // namespace
}  // namespace kelmo
