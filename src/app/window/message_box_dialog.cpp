#include "app/window/message_box_dialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QString>

#include "platform/message_box.h"

namespace kelmo {

namespace {

QMessageBox::Icon dialogIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons dialogButtons(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

// The buttons of a box and the answers they give, in one table.
struct ButtonAnswer {
  QMessageBox::StandardButton button;
  BoxAnswer answer;
};
constexpr ButtonAnswer kButtonAnswers[] = {
    {QMessageBox::Ok, BoxAnswer::Ok},         {QMessageBox::Yes, BoxAnswer::Yes},
    {QMessageBox::No, BoxAnswer::No},         {QMessageBox::Cancel, BoxAnswer::Cancel},
    {QMessageBox::Abort, BoxAnswer::Abort},   {QMessageBox::Retry, BoxAnswer::Retry},
    {QMessageBox::Ignore, BoxAnswer::Ignore}, {QMessageBox::YesToAll, BoxAnswer::YesToAll},
    {QMessageBox::NoToAll, BoxAnswer::NoToAll}, {QMessageBox::Help, BoxAnswer::Help},
    // Qt has no plain "All": its nearest button stands in.
    {QMessageBox::YesToAll, BoxAnswer::All},
};

BoxAnswer answerOf(int button) {
  for (const ButtonAnswer& b : kButtonAnswers)
    if (b.button == button) return b.answer;
  return BoxAnswer::Ok;
}

QMessageBox::StandardButton buttonOf(BoxAnswer answer) {
  for (const ButtonAnswer& b : kButtonAnswers)
    if (b.answer == answer) return b.button;
  return QMessageBox::Ok;
}

BoxAnswer showDialog(const MessageBoxRequest& request) {
  // A box without owner window, as the start-up and the failed-start boxes are.
  QMessageBox box(dialogIcon(request.icon), QString::fromStdString(request.title),
                  QString::fromStdString(request.text), dialogButtons(request.buttons));
  box.setObjectName(QStringLiteral("messageBox"));
  // Closing the title bar of a Yes/No/Cancel box means Cancel; of an OK box, OK.
  box.setEscapeButton(request.buttons == BoxButtons::YesNoCancel ? QMessageBox::Cancel
                                                                  : QMessageBox::Ok);
  if (!request.choices.empty()) {
    QMessageBox::StandardButtons buttons;
    for (BoxAnswer choice : request.choices) buttons |= buttonOf(choice);
    box.setStandardButtons(buttons);
    box.setDefaultButton(buttonOf(request.choices.front()));
    const bool cancels = (buttons & QMessageBox::Cancel) != 0;
    box.setEscapeButton(cancels ? QMessageBox::Cancel : buttonOf(request.choices.front()));
  }
  return answerOf(box.exec());
}

std::optional<std::string> askText(const InputBoxRequest& request) {
  QInputDialog dialog;
  dialog.setObjectName(QStringLiteral("inputBox"));
  dialog.setWindowTitle(QString::fromStdString(request.title));
  dialog.setLabelText(QString::fromStdString(request.prompt));
  dialog.setTextValue(QString::fromStdString(request.value));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

}  // namespace

void installDialogMessageBoxes() {
  setMessageBoxHandler(showDialog);
  setInputBoxHandler(askText);
}

}  // namespace kelmo
