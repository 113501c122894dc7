#pragma once
// Every modal box goes through this seam, so tests answer them without a person.
#include <functional>
#include <string>

namespace kelmo {

enum class BoxIcon { None, Error, Information, Warning, Question };
enum class BoxButtons { Ok, YesNoCancel };
enum class BoxAnswer { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
  std::string title;
  std::string text;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
};

using MessageBoxHandler = std::function<BoxAnswer(const MessageBoxRequest&)>;

// Shows a box through the installed handler (by default: written to standard error, answered Ok/No).
BoxAnswer showMessageBox(const MessageBoxRequest& request);
// Installs a handler; returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace kelmo
