#include "app/window/chart_picture.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/window/chart_tickers.h"

namespace kelmo {

namespace {

// The chart library's defaults for an axis rect and its left and bottom axes.
constexpr int kMinimumMargin = 15;
constexpr int kAxisPadding = 5;
constexpr int kValueLabelPadding = 5;
constexpr int kTimeLabelPadding = 3;
constexpr int kTickLength = 5;
constexpr int kSubTickLength = 2;
constexpr int kDotSpacing = 3;  // a dotted line: one pixel in three
constexpr QRgb kBackground = 0xffffffff;
constexpr QRgb kGrid = 0xffc8c8c8;
constexpr QRgb kLine = 0xffff0000;
constexpr QRgb kAxis = 0xff000000;
constexpr int kLabelFlags = Qt::TextDontClip | Qt::AlignHCenter;

// Far beyond any picture, and far from overflowing an int.
constexpr int kPixelLimit = 1'000'000;

int roundedPixel(double x) {
  return static_cast<int>(std::floor(std::clamp(x, -double{kPixelLimit}, double{kPixelLimit}) + 0.5));
}

int modulo(std::int64_t a, int b) { return static_cast<int>(((a % b) + b) % b); }

// Copies `source` of `image` to `at`. Qt's raster engine hands a copy of more than 95 rows to
// its thread pool in parts; waking threads costs more than copying a chart, so the copy goes
// in bands short enough to stay on this thread.
void copyImage(QPainter& painter, QPoint at, const QImage& image, const QRect& source) {
  constexpr int kBandRows = 64;
  for (int y = 0; y < source.height(); y += kBandRows) {
    const QRect band(source.left(), source.top() + y, source.width(), std::min(kBandRows, source.height() - y));
    painter.drawImage(at + QPoint(0, y), image, band);
  }
}

// A one-pixel line from (x0, y0) to (x1, y1), both ends included, the pixels outside the
// area left out. Integer steps only: the same ends give the same pixels wherever the line
// lies, so a line drawn in a picture that then scrolls matches one drawn after the scroll.
void plotLine(PlotContent& content, int x0, int y0, int x1, int y1, QRgb colour) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    content.set(x0, y0, colour);
    if (x0 == x1 && y0 == y1) break;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

}  // namespace

ChartPicture::ChartPicture(const QFont& tickFont, ChartTicker& valueTicker, ChartTicker& timeTicker)
    : labels_(tickFont), valueTicker_(valueTicker), timeTicker_(timeTicker) {}

ChartGeometry ChartPicture::layOut(QSize size, const ValueAxis& value) {
  int labelWidth = 0;
  for (double tick : value.ticks()) labelWidth = std::max(labelWidth, labels_.imageOf(valueTicker_.labelFor(tick)).width());
  const int labelHeight = labels_.imageOf(QStringLiteral("0")).height();
  ChartGeometry g;
  g.size = size;
  g.left = std::max(kMinimumMargin, kAxisPadding + kValueLabelPadding + labelWidth);
  g.top = kMinimumMargin;
  const int bottomMargin = std::max(kMinimumMargin, kAxisPadding + kTimeLabelPadding + labelHeight);
  g.width = std::max(0, size.width() - g.left - kMinimumMargin);
  g.height = std::max(0, size.height() - g.top - bottomMargin);
  return g;
}

void ChartPicture::drawWhole(const ChartGeometry& geometry, const ValueAxis& value, const TimeAxis& time,
                             const ChartSeries& series) {
  geometry_ = geometry;
  value_ = value;
  time_ = time;
  if (frame_.size() != geometry.size) frame_ = QImage(geometry.size, QImage::Format_RGB32);
  content_.reset(QSize(std::max(geometry.width, 1), std::max(geometry.height, 1)), time.firstColumn);
  drawFrame();
  if (geometry.plots()) {
    drawContentColumns(0, geometry.width);
    drawLine(series, 0);
    drawTimeTicks(0, geometry.width);
    drawValueAxis();
  }
}

ChartPicture::Change ChartPicture::drawNew(std::int64_t firstColumn, const ChartSeries& series, std::size_t from) {
  if (!geometry_.plots()) return {};
  const int width = geometry_.width;
  const auto moved = static_cast<int>(std::clamp<std::int64_t>(firstColumn - time_.firstColumn, 0, width));
  time_.firstColumn += moved;
  if (moved > 0) {
    content_.moveTo(time_.firstColumn);
    drawContentColumns(width - moved, width);
  }
  const auto [first, last] = drawLine(series, from);
  // The axes lie over the line: their ticks again wherever the line or new columns went.
  if (moved > 0) {
    drawTimeTicks(std::min(first, width - moved), width);
  } else if (first <= last) {
    drawTimeTicks(first, last + 1);
  }
  if (moved > 0 || first <= kTickLength) drawValueAxis();

  const QRect content = geometry_.contentRect();
  Change change;
  change.moved = moved;
  if (moved > 0) {
    constexpr int kUnderValueAxis = kTickLength + 1;
    change.movedArea = content.adjusted(kUnderValueAxis, 0, 0, 0);
    // Drawn anew: from the new piece of line to the right end and the column beyond it, where
    // a tick at the time axis's end goes; the columns under the value axis; and the time
    // labels, which moved with their ticks.
    const int from = std::min(first, width - moved);
    const int bottom = geometry_.bottom();
    change.redrawn = QRegion(content.left() + from, content.top(), width - from + 1, bottom - content.top() + 1) +
                     QRect(content.left(), content.top(), kUnderValueAxis, content.height()) +
                     QRect(0, bottom + 1, geometry_.size.width(), geometry_.size.height() - bottom - 1);
  } else if (first <= last) {
    change.redrawn = QRect(content.left() + first, content.top(), last - first + 1, content.height()) & content;
  }
  return change;
}

void ChartPicture::drawFrame() {
  frame_.fill(kBackground);
  QPainter painter(&frame_);
  // The time axis's line, from the value axis to the column of the axis's end; the ticks of
  // both axes at its row are part of it.
  painter.fillRect(QRect(geometry_.left, geometry_.bottom(), geometry_.width + 1, 1), QColor::fromRgb(kAxis));
  const int right = geometry_.left - kValueLabelPadding;
  for (double tick : value_.ticks()) {
    const QImage& label = labels_.imageOf(valueTicker_.labelFor(tick));
    const double tickY = geometry_.bottom() - (tick - value_.lower) / (value_.upper - value_.lower) * geometry_.height;
    const QPointF at(right - label.width(), tickY - label.height() / 2.0);
    // The library leaves out a label that the widget's border would cut.
    if (at.y() < 0 || at.y() + label.height() > geometry_.size.height() - 1) continue;
    painter.drawImage(at, label);
  }
}

void ChartPicture::drawContentColumns(int from, int to) {
  const int height = content_.height();
  for (int y = 0; y < height; ++y) content_.fill(y, from, to, kBackground);

  // Horizontal lines at the value ticks, dotted from the strip's column 0 on so that the
  // dots move with the line; the zero line solid, when zero lies inside the range.
  const double size = value_.upper - value_.lower;
  const bool zeroInside = value_.lower < 0 && value_.upper > 0;
  for (double tick : value_.ticks()) {
    const int y = rowOf(tick);
    if (y < 0 || y >= height) continue;
    if (zeroInside && std::abs(tick) < size * 1e-6) {
      content_.fill(y, from, to, kGrid);
      continue;
    }
    const int firstDot = from + modulo(-(time_.firstColumn + from), kDotSpacing);
    for (int x = firstDot; x < to; x += kDotSpacing) content_.set(x, y, kGrid);
  }
  // Vertical lines at the time ticks, dotted upwards from the plotted area's bottom row.
  for (std::int64_t column : time_.tickColumns(time_.firstColumn + from, time_.firstColumn + to)) {
    const auto x = static_cast<int>(column - time_.firstColumn);
    for (int y = height - kDotSpacing; y >= 1; y -= kDotSpacing) content_.set(x, y, kGrid);
  }
}

std::pair<int, int> ChartPicture::drawLine(const ChartSeries& series, std::size_t from) {
  int first = geometry_.width;
  int last = -1;
  const auto touch = [&](int x) {
    first = std::min(first, std::max(x, 0));
    last = std::max(last, std::min(x, geometry_.width - 1));
  };
  for (std::size_t i = from; i + 1 < series.size(); ++i) {
    const ChartPoint& a = series.at(i);
    const ChartPoint& b = series.at(i + 1);
    if (!std::isfinite(a.value) || !std::isfinite(b.value)) continue;
    const int xa = columnInView(a.time);
    const int xb = columnInView(b.time);
    if (std::max(xa, xb) < 0 || std::min(xa, xb) >= geometry_.width) continue;
    plotLine(content_, xa, rowOf(a.value), xb, rowOf(b.value), kLine);
    touch(xa);
    touch(xb);
  }
  // A lone point draws nothing, like a line of one point.
  return {first, last};
}

void ChartPicture::drawTimeTicks(int from, int to) {
  const int height = content_.height();
  const auto mark = [&](const std::vector<std::int64_t>& columns, int length) {
    for (std::int64_t column : columns) {
      const auto x = static_cast<int>(column - time_.firstColumn);
      for (int y = std::max(0, height - length); y < height; ++y) content_.set(x, y, kAxis);
    }
  };
  const std::int64_t first = time_.firstColumn;
  mark(time_.subTickColumns(first + from, first + to), kSubTickLength);
  mark(time_.tickColumns(first + from, first + to), kTickLength);
}

void ChartPicture::drawValueAxis() {
  const int height = content_.height();
  const auto mark = [&](double value, int length) { content_.fill(rowOf(value), 0, length + 1, kAxis); };
  for (double sub : value_.subTickValues()) mark(sub, kSubTickLength);
  for (double tick : value_.ticks()) mark(tick, kTickLength);
  for (int y = 0; y < height; ++y) content_.set(0, y, kAxis);
}

void ChartPicture::paint(QPainter& painter, const QRect& rect) {
  painter.save();
  painter.setClipRect(rect);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const QRect content = geometry_.plots() ? geometry_.contentRect() : QRect();
  for (const QRect& part : QRegion(rect) - content) copyImage(painter, part.topLeft(), frame_, part);
  const QRect shown = rect & content;
  if (!shown.isEmpty()) {
    content_.forEachPart(shown.translated(-content.topLeft()), [&](int offset, const QRect& part) {
      copyImage(painter, shown.topLeft() + QPoint(offset, 0), content_.image(), part);
    });
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (rect.right() >= content.right() + 1 || rect.bottom() > geometry_.bottom()) paintTimeAxisEnd(painter);
  painter.restore();
}

QImage ChartPicture::image() {
  QImage image(geometry_.size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  QPainter painter(&image);
  paint(painter, image.rect());
  return image;
}

void ChartPicture::paintTimeAxisEnd(QPainter& painter) {
  const int left = geometry_.left;
  const int bottom = geometry_.bottom();
  const int end = left + geometry_.width;
  const std::vector<double> ticks = time_.ticks();
  // The library does not clip the grid: a tick at the axis's end has its line just right of
  // the plotted area, dotted upwards from the bottom row like the others, and its tick.
  for (double tick : ticks) {
    if (columnInView(tick) != geometry_.width) continue;
    for (int y = bottom; y >= geometry_.top; y -= kDotSpacing) painter.fillRect(QRect(end, y, 1, 1), QColor::fromRgb(kGrid));
    painter.fillRect(QRect(end, bottom - kTickLength, 1, kTickLength + 1), QColor::fromRgb(kAxis));
  }
  for (double sub : time_.subTickValues()) {
    if (columnInView(sub) == geometry_.width) painter.fillRect(QRect(end, bottom - kSubTickLength, 1, kSubTickLength + 1), QColor::fromRgb(kAxis));
  }
  const int lastPixel = geometry_.size.width() - 1;
  for (double tick : ticks) {
    const QImage& label = labels_.imageOf(timeTicker_.labelFor(tick));
    const double tickX = left + (tick - time_.lower()) / time_.daysPerColumn;
    const QPointF at(tickX - label.width() / 2.0, bottom + kTimeLabelPadding);
    // The library leaves out a label that the widget's border would cut.
    if (at.x() < 0 || at.x() + label.width() > lastPixel) continue;
    painter.drawImage(at, label);
  }
}

QPoint ChartPicture::pixelOf(double time, double value) const {
  const QRect content = geometry_.contentRect();
  return {content.left() + columnInView(time), content.top() + rowOf(value)};
}

int ChartPicture::rowOf(double value) const {
  return roundedPixel(geometry_.height - (value - value_.lower) / (value_.upper - value_.lower) * geometry_.height);
}

int ChartPicture::columnInView(double time) const {
  return static_cast<int>(std::clamp<std::int64_t>(time_.columnOf(time) - time_.firstColumn, -kPixelLimit, kPixelLimit));
}

}  // namespace kelmo
