#include "app/window/live_chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/window/chart_picture.h"

namespace kelmo {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Without points the axis shows the chart library's default range, as the chart did.
constexpr double kEmptyWindowDays = 5;
// A window of no time (chartRangeSec 0) still needs a span for its one point.
constexpr double kShortestWindowDays = 1 / kSecondsPerDay;
// The time axis's ticks as the chart frames always had them: about three.
constexpr int kTimeTicks = 3;

QFont tickFont() {
  QFont font;
  font.setPixelSize(10);
  // Digits and separators read the same unshaped.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

}  // namespace

LiveChart::LiveChart(const ChartSeries& series, QWidget* parent)
    : QWidget(parent), series_(series), picture_(std::make_unique<ChartPicture>(tickFont(), valueTicker_, timeTicker_)) {
  timeTicker_.setTickCount(kTimeTicks);
  // Every paint covers its rectangle with the picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

LiveChart::~LiveChart() = default;

const ValueAxis& LiveChart::valueAxis() const { return picture_->valueAxis(); }
const TimeAxis& LiveChart::timeAxis() const { return picture_->timeAxis(); }
QImage LiveChart::picture() const { return picture_->image(); }
QPoint LiveChart::pixelOf(const ChartPoint& point) const { return picture_->pixelOf(point.time, point.value); }

void LiveChart::startRun(double windowDays, std::int32_t maxPoints) {
  windowDays_ = windowDays;
  maxPoints_ = maxPoints;
  wholeNeeded_ = true;
  pointsAdded();
}

void LiveChart::pointsAdded() {
  if (stale_) return;
  stale_ = true;
  // The new piece of line comes at the right of the plotted area: asking for that column is
  // enough to have the window paint, and the drawing then asks for what really changed.
  const ChartGeometry& drawn = picture_->geometry();
  update(drawn.plots() ? QRect(drawn.contentRect().right(), drawn.contentRect().top(), 1, drawn.height)
                       : QRect(width() - 1, 0, 1, height()));
}

bool LiveChart::drawIfStale() {
  // A chart resized while hidden hears of it only when shown.
  if (!stale_ && picture_->geometry().size == size()) return false;
  const QRegion changed = draw(true);
  if (!changed.isEmpty()) update(changed);
  return !changed.isEmpty();
}

QRegion LiveChart::draw(bool moveShown) {
  stale_ = false;
  if (size().isEmpty()) return {};
  const ChartGeometry& drawn = picture_->geometry();
  const ValueAxis value = ValueAxis::fitted(series_, picture_->valueAxis(), valueTicker_);
  if (wholeNeeded_ || drawn.size != size() || !(value == picture_->valueAxis()) ||
      windowFor(drawn.width) != picture_->timeAxis().windowDays ||
      series_.insertedBefore() != drawnInsertedBefore_) {
    return drawWhole(value);
  }
  const std::int64_t firstColumn = picture_->timeAxis().firstColumnFor(series_);
  const std::int64_t moved = firstColumn - picture_->timeAxis().firstColumn;
  if (moved < 0 || moved >= drawn.width) return drawWhole(value);

  const std::uint64_t added = series_.appended() - drawnAppended_;
  const std::size_t fresh = static_cast<std::size_t>(std::min<std::uint64_t>(added, series_.size()));
  const std::size_t firstFresh = series_.size() - fresh;
  // The line goes on from the newest point drawn before.
  const ChartPicture::Change change = picture_->drawNew(firstColumn, series_, firstFresh > 0 ? firstFresh - 1 : 0);
  drawnAppended_ = series_.appended();
  if (change.moved == 0) {
    if (!change.redrawn.isEmpty()) ++drawings_.extended;
    return change.redrawn;
  }
  ++drawings_.scrolled;
  // What the screen shows moves too: the toolkit moves those pixels where it keeps them (on
  // X11 the display server copies them), and only what came in is painted.
  if (moveShown) {
    scroll(-change.moved, 0, change.movedArea);
    return change.redrawn;
  }
  return change.redrawn + change.movedArea;
}

QRegion LiveChart::drawWhole(const ValueAxis& value) {
  wholeNeeded_ = false;
  const ChartGeometry geometry = picture_->layOut(size(), value);
  TimeAxis time = TimeAxis::over(windowFor(geometry.width), geometry.width, timeTicker_);
  time.firstColumn = time.firstColumnFor(series_);
  picture_->drawWhole(geometry, value, time, series_);
  drawnAppended_ = series_.appended();
  drawnInsertedBefore_ = series_.insertedBefore();
  ++drawings_.whole;
  return rect();
}

double LiveChart::windowFor(int columns) const {
  if (series_.empty()) return kEmptyWindowDays;
  const double full = windowDays_ > 0 ? windowDays_ : kShortestWindowDays;
  const double covered = series_.back().time - series_.front().time;
  const bool limitedByCount = maxPoints_ > 0 && series_.size() >= static_cast<std::size_t>(maxPoints_);
  if (!limitedByCount || !(covered > 0) || covered >= full || columns < 2) return full;
  // The point limit keeps less than the window (a short period): the axis spans what is
  // kept, the oldest point in the first column. The span drawn stays while the kept span is
  // within two columns of it, since the notifications' times jitter.
  const double wanted = std::min(full, covered * columns / (columns - 1));
  const double drawnSpan = picture_->timeAxis().windowDays;
  if (std::abs(wanted - drawnSpan) <= 2 * drawnSpan / columns) return drawnSpan;
  return wanted;
}

void LiveChart::paintEvent(QPaintEvent* event) {
  // A paint that did not come through the window's display pace (the chart uncovered, or
  // shown on its own) draws what is pending first.
  if (stale_ || picture_->geometry().size != size()) {
    if (picture_->geometry().size != size()) wholeNeeded_ = true;
    const QRegion unpainted = draw(false) - event->region();
    if (!unpainted.isEmpty()) update(unpainted);
  }
  QPainter painter(this);
  for (const QRect& r : event->region()) picture_->paint(painter, r);
}

void LiveChart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  wholeNeeded_ = true;
  stale_ = true;
}

}  // namespace kelmo
