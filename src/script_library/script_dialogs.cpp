#include "script_library/script_dialogs.h"

#include "platform/message_box.h"

namespace kelmo::script_library {

namespace {

BoxIcon iconOf(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning: return BoxIcon::Warning;
    case DialogKind::Error: return BoxIcon::Error;
    case DialogKind::Information: return BoxIcon::Information;
    case DialogKind::Confirmation: return BoxIcon::Question;
    case DialogKind::Custom: break;
  }
  return BoxIcon::None;
}

// DialogButton and BoxAnswer list the same buttons; the seam knows them by its own names.
constexpr struct {
  DialogButton button;
  BoxAnswer answer;
} kAnswers[] = {
    {DialogButton::Yes, BoxAnswer::Yes},         {DialogButton::No, BoxAnswer::No},
    {DialogButton::Ok, BoxAnswer::Ok},           {DialogButton::Cancel, BoxAnswer::Cancel},
    {DialogButton::Abort, BoxAnswer::Abort},     {DialogButton::Retry, BoxAnswer::Retry},
    {DialogButton::Ignore, BoxAnswer::Ignore},   {DialogButton::All, BoxAnswer::All},
    {DialogButton::NoToAll, BoxAnswer::NoToAll}, {DialogButton::YesToAll, BoxAnswer::YesToAll},
    {DialogButton::Help, BoxAnswer::Help},
};

BoxAnswer answerOf(DialogButton button) {
  for (const auto& a : kAnswers)
    if (a.button == button) return a.answer;
  return BoxAnswer::Ok;
}

DialogButton buttonOf(BoxAnswer answer) {
  for (const auto& a : kAnswers)
    if (a.answer == answer) return a.button;
  return DialogButton::Cancel;
}

}  // namespace

DialogButton MessageBoxDialogs::messageDialog(const std::string& text, DialogKind kind,
                                              const std::vector<DialogButton>& buttons) {
  MessageBoxRequest request{title_, text, iconOf(kind), BoxButtons::Ok, {}};
  for (DialogButton b : buttons) request.choices.push_back(answerOf(b));
  if (request.choices.empty()) request.choices.push_back(BoxAnswer::Ok);
  return buttonOf(showMessageBox(request));
}

bool MessageBoxDialogs::inputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  std::optional<std::string> answer = showInputBox({caption, prompt, value});
  if (!answer) return false;
  value = std::move(*answer);
  return true;
}

DialogButton ScreenlessDialogs::messageDialog(const std::string& text, DialogKind,
                                              const std::vector<DialogButton>& buttons) {
  writeLine_(text);
  return buttons.empty() ? DialogButton::Ok : buttons.front();
}

bool ScreenlessDialogs::inputQuery(const std::string& caption, const std::string& prompt, std::string&) {
  writeLine_(caption.empty() ? prompt : caption + ": " + prompt);
  return false;
}

}  // namespace kelmo::script_library
