#pragma once
// What the dialogs of a script ask of their host: a window shows real dialogs, a run
// without a screen answers at once so that nothing waits for a person who is not there.
#include <functional>
#include <string>
#include <vector>

namespace kelmo::script_library {

enum class DialogKind { Warning, Error, Information, Confirmation, Custom };  // mt*
// The buttons and results of MessageDlg, in the order of their mb*/mr* names.
enum class DialogButton { Yes, No, Ok, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

class ScriptDialogs {
 public:
  virtual ~ScriptDialogs() = default;
  // MessageDlg: the button pressed (Cancel when the dialog is closed otherwise).
  virtual DialogButton messageDialog(const std::string& text, DialogKind kind,
                                     const std::vector<DialogButton>& buttons) = 0;
  // InputQuery: true with `value` changed when the operator confirms.
  virtual bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

// The dialogs through the program's message-box seam: real dialogs where a window toolkit
// has installed its boxes.
class MessageBoxDialogs final : public ScriptDialogs {
 public:
  explicit MessageBoxDialogs(std::string title) : title_(std::move(title)) {}
  DialogButton messageDialog(const std::string& text, DialogKind kind, const std::vector<DialogButton>& buttons) override;
  bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

 private:
  std::string title_;  // of MessageDlg boxes: the program's name
};

// The answers without a screen: each dialog's text goes to `writeLine` as one line;
// MessageDlg gives its first button, InputQuery false (so InputBox its default).
class ScreenlessDialogs final : public ScriptDialogs {
 public:
  explicit ScreenlessDialogs(std::function<void(const std::string&)> writeLine) : writeLine_(std::move(writeLine)) {}
  DialogButton messageDialog(const std::string& text, DialogKind kind, const std::vector<DialogButton>& buttons) override;
  bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

 private:
  std::function<void(const std::string&)> writeLine_;
};

}  // namespace kelmo::script_library
