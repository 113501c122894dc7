#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

#include "platform/console_text.h"

namespace kelmo {

namespace {

std::mutex boxMutex;

// Without a window toolkit a box is written to standard error. A question is answered
// No: nothing is saved and nothing waits for a person who is not there.
BoxAnswer answerOnConsole(const MessageBoxRequest& r) {
  writeConsoleLine(stderr, r.title + ": " + r.text);
  if (!r.choices.empty()) return r.choices.front();
  return r.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
}

std::optional<std::string> cancelInput(const InputBoxRequest&) { return std::nullopt; }

MessageBoxHandler& handler() {
  static MessageBoxHandler h = answerOnConsole;
  return h;
}

InputBoxHandler& inputHandler() {
  static InputBoxHandler h = cancelInput;
  return h;
}

}  // namespace

BoxAnswer showMessageBox(const MessageBoxRequest& request) {
  MessageBoxHandler h;
  {
    std::lock_guard lock(boxMutex);
    h = handler();
  }
  return h ? h(request) : answerOnConsole(request);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
  std::lock_guard lock(boxMutex);
  MessageBoxHandler previous = std::move(handler());
  handler() = h ? std::move(h) : MessageBoxHandler(answerOnConsole);
  return previous;
}

std::optional<std::string> showInputBox(const InputBoxRequest& request) {
  InputBoxHandler h;
  {
    std::lock_guard lock(boxMutex);
    h = inputHandler();
  }
  return h ? h(request) : cancelInput(request);
}

InputBoxHandler setInputBoxHandler(InputBoxHandler h) {
  std::lock_guard lock(boxMutex);
  InputBoxHandler previous = std::move(inputHandler());
  inputHandler() = h ? std::move(h) : InputBoxHandler(cancelInput);
  return previous;
}

}  // namespace kelmo
