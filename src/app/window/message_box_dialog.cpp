#include "app/window/message_box_dialog.h"

#include <QApplication>
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

BoxAnswer answerOf(int button) {
  switch (button) {
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    default: return BoxAnswer::Ok;
  }
}

BoxAnswer showDialog(const MessageBoxRequest& request) {
  // A box without owner window, as the start-up and the failed-start boxes are.
  QMessageBox box(dialogIcon(request.icon), QString::fromStdString(request.title),
                  QString::fromStdString(request.text), dialogButtons(request.buttons));
  box.setObjectName(QStringLiteral("messageBox"));
  // Closing the title bar of a Yes/No/Cancel box means Cancel; of an OK box, OK.
  box.setEscapeButton(request.buttons == BoxButtons::YesNoCancel ? QMessageBox::Cancel
                                                                  : QMessageBox::Ok);
  return answerOf(box.exec());
}

}  // namespace

void installDialogMessageBoxes() { setMessageBoxHandler(showDialog); }

}  // namespace kelmo
