#pragma once
// Shows the program's message boxes as Qt dialogs.

namespace kelmo {

// Installs the Qt message box and input box as the handlers of showMessageBox and
// showInputBox.
void installDialogMessageBoxes();

}  // namespace kelmo
