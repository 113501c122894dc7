#pragma once
// Tick labels as small pictures, drawn once per text and copied where a label goes, as the
// chart library does: a label's black text on a transparent picture of the text's
// bounding box, centred in it.
#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>

namespace kelmo {

class TickLabelImages {
 public:
  explicit TickLabelImages(const QFont& font) : font_(font) {}

  const QImage& imageOf(const QString& text);

 private:
  // Labels come and go with the ranges; past this many the pictures are drawn anew.
  static constexpr int kKept = 64;

  QFont font_;
  QHash<QString, QImage> images_;
};

}  // namespace kelmo
