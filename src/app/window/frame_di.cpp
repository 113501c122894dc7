#include "app/window/frame_di.h"

#include <QHBoxLayout>
#include <QLineEdit>

#include "app/window/cached_frame_style.h"

namespace kelmo {

TframeDI::TframeDI(QWidget* parent)
    : QFrame(parent), DI_(new QLineEdit(this)), EditDI_(new QLineEdit(this)) {
  setFixedSize(115, 21);
  DI_->setObjectName(QStringLiteral("DI"));
  DI_->setReadOnly(true);
  DI_->setFixedWidth(20);
  EditDI_->setObjectName(QStringLiteral("EditDI"));
  EditDI_->setReadOnly(true);
  EditDI_->setFixedWidth(97);
  EditDI_->setText(QStringLiteral("EditDI"));
  // The main window paints the input state as the box's background.
  EditDI_->setAutoFillBackground(true);
  // Repainted whenever the input changes.
  for (QLineEdit* box : {DI_, EditDI_}) box->setStyle(CachedFrameStyle::instance());
  // Tab only: a click must not take the keys F9 and Esc away from the window.
  DI_->setFocusPolicy(Qt::TabFocus);
  EditDI_->setFocusPolicy(Qt::TabFocus);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(DI_);
  row->addWidget(EditDI_);
}

}  // namespace kelmo
