#pragma once
// A read-only one-line box for a text the program writes many times a second: a value, an
// indicator. It looks as the style's read-only line edit with the same text, but keeps only
// the text: the text is laid out when the box is painted, not when it is set, and a new text
// costs nothing until the window paints. The operator can still take the text: the box takes
// the focus by Tab, shows its text selected then, and copies it by the copy key or its
// context menu.
#include <QString>
#include <QWidget>

class QStyleOptionFrame;

namespace kelmo {

class ValueBox : public QWidget {
  Q_OBJECT

 public:
  explicit ValueBox(QWidget* parent = nullptr);

  QString text() const { return text_; }
  // Asks for a paint only when the text differs from the one shown.
  void setText(const QString& text);
  // Left (the default) or right, always centred vertically. A text wider than the box shows
  // its start, whatever the alignment.
  void setAlignment(Qt::Alignment alignment);
  Qt::Alignment alignment() const { return alignment_; }

  // Sized as a line edit of this font and style.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void initStyleOption(QStyleOptionFrame* option) const;
  QSize sizeAround(int textWidth, int textHeight) const;
  void copy() const;

  QString text_;
  Qt::Alignment alignment_ = Qt::AlignLeft;
};

}  // namespace kelmo
