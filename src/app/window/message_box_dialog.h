#pragma once
// Shows the program's message boxes as Qt dialogs.

namespace kelmo {

// Installs the Qt message box as the handler of showMessageBox.
void installDialogMessageBoxes();

}  // namespace kelmo
