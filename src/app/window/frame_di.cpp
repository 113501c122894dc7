#include "app/window/frame_di.h"

#include <QHBoxLayout>

#include "app/window/cached_frame_style.h"
#include "app/window/value_box.h"

namespace kelmo {

TframeDI::TframeDI(QWidget* parent)
    : QFrame(parent), DI_(new ValueBox(this)), EditDI_(new ValueBox(this)) {
  setFixedSize(115, 21);
  DI_->setObjectName(QStringLiteral("DI"));
  DI_->setFixedWidth(20);
  EditDI_->setObjectName(QStringLiteral("EditDI"));
  EditDI_->setFixedWidth(97);
  EditDI_->setText(QStringLiteral("EditDI"));
  // The main window paints the input state as the box's background, corners included.
  EditDI_->setBackgroundRole(QPalette::Base);
  EditDI_->setAutoFillBackground(true);
  // Repainted whenever the input changes.
  for (ValueBox* box : {DI_, EditDI_}) box->setStyle(CachedFrameStyle::instance());

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(DI_);
  row->addWidget(EditDI_);
}

}  // namespace kelmo
