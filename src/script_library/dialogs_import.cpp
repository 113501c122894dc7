// Dialogs an operator script uses: MessageDlg, InputBox and InputQuery, answered by the
// host's ScriptDialogs (real dialogs in the window, at once without a screen).
#include <stdexcept>

#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

// The buttons in their order (mbYes, mbNo, mbOK, ...): a button set holds bit n for the
// button of ordinal n, and the dialog shows them in this order.
constexpr DialogButton kButtons[] = {DialogButton::Yes,   DialogButton::No,      DialogButton::Ok,
                                     DialogButton::Cancel, DialogButton::Abort,  DialogButton::Retry,
                                     DialogButton::Ignore, DialogButton::All,    DialogButton::NoToAll,
                                     DialogButton::YesToAll, DialogButton::Help};
constexpr const char* kButtonNames[] = {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry",
                                        "mbIgnore", "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"};

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
  const std::int64_t bits = set.asInt();
  for (std::size_t i = 0; i < std::size(kButtons); ++i)
    if ((bits >> i) & 1) buttons.push_back(kButtons[i]);
  return buttons;
}

DialogKind kindOf(const Value& v) {
  const std::int64_t k = v.asInt();
  if (k < 0 || k > 4) throw std::runtime_error("MessageDlg: " + std::to_string(k) + " is not a dialog type");
  return static_cast<DialogKind>(k);
}

class DialogsImport final : public TableImport {
 public:
  explicit DialogsImport(ScriptDialogs& dialogs) : TableImport("Dialogs") {
    types = {{"TMsgDlgType", "Integer"}, {"TMsgDlgButtons", "Integer"}, {"TModalResult", "Integer"}};
    const char* kinds[] = {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"};
    for (int i = 0; i < 5; ++i) constants.push_back({kinds[i], Value(i)});
    for (std::size_t i = 0; i < std::size(kButtons); ++i)
      constants.push_back({kButtonNames[i], Value(std::int64_t{1} << i)});
    constants.push_back({"mbYesNo", Value(0b11)});
    constants.push_back({"mbYesNoCancel", Value(0b1011)});
    constants.push_back({"mbOKCancel", Value(0b1100)});
    constants.push_back({"mbAbortRetryIgnore", Value(0b1110000)});
    const char* results[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore",
                             "mrYes", "mrNo", "mrAll", "mrNoToAll", "mrYesToAll", "mrHelp"};
    for (int i = 0; i < 12; ++i) constants.push_back({results[i], Value(i)});
    ScriptDialogs* host = &dialogs;
    routines = {
        {"function MessageDlg(const Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Integer): Integer",
         [host](NativeCall& c) {
           return Value(modalResult(host->messageDialog(c.arg(0).asString(), kindOf(c.arg(1)), buttonsOf(c.arg(2)))));
         }},
        {"function InputBox(const ACaption, APrompt, ADefault: string): string", [host](NativeCall& c) {
           std::string value = c.arg(2).asString();
           return Value(host->inputQuery(c.arg(0).asString(), c.arg(1).asString(), value) ? value : c.arg(2).asString());
         }},
        {"function InputQuery(const ACaption, APrompt: string; var Value: string): Boolean", [host](NativeCall& c) {
           std::string value = c.arg(2).asString();
           if (!host->inputQuery(c.arg(0).asString(), c.arg(1).asString(), value)) return Value(false);
           c.arg(2) = Value(value);
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
