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
  return r.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
}

MessageBoxHandler& handler() {
  static MessageBoxHandler h = answerOnConsole;
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

}  // namespace kelmo
