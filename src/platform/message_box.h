#pragma once
// Every modal box goes through this seam, so tests answer them without a person.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelmo {

enum class BoxIcon { None, Error, Information, Warning, Question };
enum class BoxButtons { Ok, YesNoCancel };
enum class BoxAnswer { Ok, Yes, No, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

struct MessageBoxRequest {
  std::string title;
  std::string text;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
  // When not empty: these buttons in this order instead of `buttons` (a script's MessageDlg).
  std::vector<BoxAnswer> choices = {};
};

using MessageBoxHandler = std::function<BoxAnswer(const MessageBoxRequest&)>;

// Shows a box through the installed handler (by default: written to standard error, answered Ok/No).
BoxAnswer showMessageBox(const MessageBoxRequest& request);
// Installs a handler; returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// A one-line text question (a script's InputBox and InputQuery).
struct InputBoxRequest {
  std::string title;
  std::string prompt;
  std::string value;  // shown at first
};

// The text entered, or nothing when the box was cancelled.
using InputBoxHandler = std::function<std::optional<std::string>(const InputBoxRequest&)>;

// Asks through the installed handler (by default: nobody to ask, so cancelled at once).
std::optional<std::string> showInputBox(const InputBoxRequest& request);
InputBoxHandler setInputBoxHandler(InputBoxHandler handler);

}  // namespace kelmo
