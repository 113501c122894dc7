#include "app/window/value_box.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace kelmo {

namespace {
// The margins a line edit keeps between its contents rectangle and its text.
constexpr int kVerticalMargin = 1;
constexpr int kHorizontalMargin = 2;
}  // namespace

ValueBox::ValueBox(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed, QSizePolicy::LineEdit));
  // A click must not take the keys F9 and Esc away from the window; Tab reaches the text.
  setFocusPolicy(Qt::TabFocus);
  // Every paint covers the whole box, so the frames behind it are not painted with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ValueBox::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void ValueBox::setAlignment(Qt::Alignment alignment) {
  alignment_ = alignment & Qt::AlignHorizontal_Mask;
  update();
}

// As a read-only line edit describes itself to the style.
void ValueBox::initStyleOption(QStyleOptionFrame* option) const {
  option->initFrom(this);
  option->rect = contentsRect();
  option->lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, option, this);
  option->midLineWidth = 0;
  option->state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
  option->features = QStyleOptionFrame::None;
}

// Room for a text line of this size, with the margins and the frame a line edit adds.
QSize ValueBox::sizeAround(int textWidth, int textHeight) const {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const QSize contents(textWidth + 2 * kHorizontalMargin, textHeight + 2 * kVerticalMargin);
  return style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this);
}

QSize ValueBox::sizeHint() const {
  ensurePolished();
  const QFontMetrics metrics = fontMetrics();
  const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  return sizeAround(metrics.horizontalAdvance(QLatin1Char('x')) * 17, std::max({metrics.height(), 14, iconSize - 2}));
}

QSize ValueBox::minimumSizeHint() const {
  ensurePolished();
  const QFontMetrics metrics = fontMetrics();
  const int leading = std::max(metrics.leading() - 2 * kVerticalMargin, 0);
  return sizeAround(metrics.maxWidth(), metrics.height() + leading);
}

void ValueBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // What shows at the frame's rounded corners: the window behind, or the box's own colour
  // where it fills its background.
  painter.fillRect(rect(), palette().brush(autoFillBackground() ? backgroundRole() : QPalette::Window));
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
  if (text_.isEmpty()) return;

  // The text's line, placed as a line edit places it.
  const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
  painter.setClipRect(contents);
  const QFontMetrics metrics = fontMetrics();
  const QRect line(contents.x() + kHorizontalMargin, contents.y() + (contents.height() - metrics.height() + 1) / 2,
                   contents.width() - 2 * kHorizontalMargin, metrics.height());
  // The width a line edit reserves: the text's, rounded, and one column for its cursor.
  const int width = qRound(QFontMetricsF(font()).horizontalAdvance(text_)) + 1;
  const bool right = QStyle::visualAlignment(layoutDirection(), alignment_) & Qt::AlignRight;
  const int x = right && width <= line.width() ? line.x() + line.width() - width - 1 : line.x();
  const QPoint baseline(x, line.y() + metrics.ascent());

  const QPalette& colours = palette();
  if (hasFocus()) {
    // The whole text selected, as a line edit shows it when Tab brings the focus.
    painter.fillRect(QRect(x, line.y(), width, line.height()), colours.brush(QPalette::Highlight));
    painter.setPen(colours.color(QPalette::HighlightedText));
  } else {
    painter.setPen(colours.color(QPalette::Text));
  }
  painter.drawText(baseline, text_);
}

void ValueBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  // Other keys belong to the window.
  event->ignore();
}

void ValueBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copyAction = menu.addAction(tr("&Copy"), this, &ValueBox::copy);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setEnabled(!text_.isEmpty());
  menu.exec(event->globalPos());
}

void ValueBox::focusInEvent(QFocusEvent* event) {
  update();
  QWidget::focusInEvent(event);
}

void ValueBox::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

void ValueBox::copy() const {
  if (!text_.isEmpty()) QApplication::clipboard()->setText(text_);
}

}  // namespace kelmo
