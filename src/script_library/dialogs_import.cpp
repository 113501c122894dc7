// Dialogs an operator script uses: MessageDlg, InputBox and InputQuery, answered by the
// host's ScriptDialogs (real dialogs in the window, at once without a screen). The host
// speaks UTF-8; an answer comes back in Windows-1251, with '?' for what it cannot hold.
#include <stdexcept>

#include "platform/cp1251.h"
#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

// The buttons in the order of TMsgDlgBtn: a button set shows them in this order, and
// without a screen the first of them is the answer.
constexpr DialogButton kButtons[] = {DialogButton::Yes,   DialogButton::No,      DialogButton::Ok,
                                     DialogButton::Cancel, DialogButton::Abort,  DialogButton::Retry,
                                     DialogButton::Ignore, DialogButton::All,    DialogButton::NoToAll,
                                     DialogButton::YesToAll, DialogButton::Help};

// The modal results, as Object Pascal numbers them.
int modalResult(DialogButton b) {
  switch (b) {
    case DialogButton::Ok: return 1;
    case DialogButton::Cancel: return 2;
    case DialogButton::Abort: return 3;
    case DialogButton::Retry: return 4;
    case DialogButton::Ignore: return 5;
    case DialogButton::Yes: return 6;
    case DialogButton::No: return 7;
    case DialogButton::All: return 8;
    case DialogButton::NoToAll: return 9;
    case DialogButton::YesToAll: return 10;
    case DialogButton::Help: return 11;
  }
  return 0;
}

std::vector<DialogButton> buttonsOf(const Value& set) {
  std::vector<DialogButton> buttons;
  for (std::size_t i = 0; i < std::size(kButtons); ++i)
    if (set.hasElement(static_cast<std::int64_t>(i))) buttons.push_back(kButtons[i]);
  return buttons;
}

DialogKind kindOf(const Value& v) {
  const std::int64_t k = v.asInt();
  if (k < 0 || k > 4) throw std::runtime_error("MessageDlg: " + std::to_string(k) + " is not a dialog type");
  return static_cast<DialogKind>(k);
}

// Argument i as the host shows it.
std::string shown(const NativeCall& c, std::size_t i) { return cp1251ToUtf8(c.arg(i).text()); }

class DialogsImport final : public TableImport {
 public:
  explicit DialogsImport(ScriptDialogs& dialogs) : TableImport("Dialogs") {
    declarations =
        "type TMsgDlgType = (mtWarning, mtError, mtInformation, mtConfirmation, mtCustom);"
        "  TMsgDlgBtn = (mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp);"
        "  TMsgDlgButtons = set of TMsgDlgBtn;"
        "  TModalResult = Integer;"
        "const mbYesNo = [mbYes, mbNo]; mbYesNoCancel = [mbYes, mbNo, mbCancel];"
        "  mbOKCancel = [mbOK, mbCancel]; mbAbortRetryIgnore = [mbAbort, mbRetry, mbIgnore];"
        "  mrNone = 0; mrOk = 1; mrCancel = 2; mrAbort = 3; mrRetry = 4; mrIgnore = 5; mrYes = 6; mrNo = 7;"
        "  mrAll = 8; mrNoToAll = 9; mrYesToAll = 10; mrHelp = 11;";
    ScriptDialogs* host = &dialogs;
    routines = {
        {"function MessageDlg(const Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Integer): Integer",
         [host](NativeCall& c) {
           return Value(modalResult(host->messageDialog(shown(c, 0), kindOf(c.arg(1)), buttonsOf(c.arg(2)))));
         }},
        {"function InputBox(const ACaption, APrompt, ADefault: string): string", [host](NativeCall& c) {
           std::string value = shown(c, 2);
           return host->inputQuery(shown(c, 0), shown(c, 1), value) ? Value(utf8ToCp1251(value)) : c.arg(2);
         }},
        {"function InputQuery(const ACaption, APrompt: string; var Value: string): Boolean", [host](NativeCall& c) {
           std::string value = shown(c, 2);
           if (!host->inputQuery(shown(c, 0), shown(c, 1), value)) return Value(false);
           c.arg(2) = Value(utf8ToCp1251(value));
           return Value(true);
         }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeDialogsImport(ScriptDialogs& dialogs) {
  return std::make_shared<DialogsImport>(dialogs);
}

}  // namespace kelmo::script_library
