#include "app/review/review_charts.h"

#include <QFileInfo>
#ifdef KELMO_HAVE_SVG
#include <QSvgGenerator>
#endif
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "app/report/csv_export.h"
#include "app/report/report_tables.h"
#include "app/window/chart_tickers.h"

namespace kelmo {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kGapFactor = 1.5;

QFont pixelFont(int pixels, bool bold = false) {
  QFont font;
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QString valueText(double low, double high) {
  if (std::isnan(low)) return QStringLiteral("-");
  if (low == high) return QString::number(low, 'g', 6);
  return QString::number(low, 'g', 6) + QStringLiteral("…") + QString::number(high, 'g', 6);
}

}  // namespace

ReviewCharts::ReviewCharts(QCustomPlot* plot) : plot_(plot) {
  plot_->plotLayout()->clear();
  title_ = new QCPTextElement(plot_, QString(), pixelFont(14, true));
  plot_->plotLayout()->addElement(0, 0, title_);
  auto* grid = new QCPLayoutGrid;
  plot_->plotLayout()->addElement(1, 0, grid);
  auto* leftMargins = new QCPMarginGroup(plot_);
  auto* rightMargins = new QCPMarginGroup(plot_);
  QList<QCPAxis*> timeAxes;
  const QFont tickFont = pixelFont(10);
  for (int k = 0; k < datafile::kQuantityCount; ++k) {
    auto* rect = new QCPAxisRect(plot_);
    const int column = k / 3, row = k % 3;  // the window's columns: Ur Ir Uref | a P W
    grid->addElement(row, column, rect);
    rect->setMarginGroup(QCP::msLeft, column == 0 ? leftMargins : rightMargins);
    QCPAxis* time = rect->axis(QCPAxis::atBottom);
    QCPAxis* value = rect->axis(QCPAxis::atLeft);
    time->setTicker(QSharedPointer<QCPAxisTicker>(new TimeOfDayTicker));
    time->ticker()->setTickCount(5);
    value->setTicker(QSharedPointer<QCPAxisTicker>(new ValueTicker));
    time->setTickLabelFont(tickFont);
    value->setTickLabelFont(tickFont);
    value->setLabel(QString::fromLatin1(datafile::kQuantityNames[static_cast<std::size_t>(k)]));
    value->setLabelFont(pixelFont(16, true));
    QCPGraph* graph = plot_->addGraph(time, value);
    QPen pen(QColor(255, 0, 0));
    pen.setWidth(1);
    graph->setPen(pen);
    graph->setLineStyle(QCPGraph::lsLine);
    auto* cursor = new QCPItemStraightLine(plot_);
    cursor->setClipAxisRect(rect);
    cursor->point1->setAxes(time, value);
    cursor->point2->setAxes(time, value);
    cursor->setPen(QPen(QColor(0, 0, 160), 1, Qt::DashLine));
    cursor->setVisible(false);
    rects_[static_cast<std::size_t>(k)] = rect;
    graphs_[static_cast<std::size_t>(k)] = graph;
    cursors_[static_cast<std::size_t>(k)] = cursor;
    timeAxes << time;
  }
  // Each chart zooms and drags its own time axis about its own pixels; the others follow,
  // so the six stay aligned.
  for (std::size_t k = 0; k < rects_.size(); ++k) {
    QCPAxisRect* rect = rects_[k];
    QCPAxis* time = rect->axis(QCPAxis::atBottom);
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
    rect->setRangeDragAxes(time, nullptr);
    rect->setRangeZoomAxes(time, nullptr);
    QObject::connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_,
                     [this, time, timeAxes](const QCPRange& range) {
                       if (syncing_) return;
                       syncing_ = true;
                       for (QCPAxis* other : timeAxes)
                         if (other != time) other->setRange(range);
                       syncing_ = false;
                     });
  }
}

QString ReviewCharts::titleText(const std::string& file, const datafile::RunSummary& run, int runCount) {
  const TDateTime start = run.lines ? run.first : run.start.headerTime;
  return QStringLiteral("%1 — run %2 of %3, %4, %5")
      .arg(QFileInfo(QString::fromStdString(file)).fileName())
      .arg(run.start.index)
      .arg(runCount)
      .arg(QString::fromStdString(isoDateTime(start, ' ')))
      .arg(QString::fromStdString(durationText(run.durationSeconds())));
}

void ReviewCharts::setTitle(const QString& text) { title_->setText(text); }

void ReviewCharts::setSeries(const datafile::MinMaxSeries& series, double periodSeconds) {
  series_ = series;
  // Buckets are as wide as their closest neighbours; a line breaks only across more.
  double spacing = periodSeconds / kSecondsPerDay;
  double closest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 1; i < series.size(); ++i) {
    const double step = series.time[i] - series.time[i - 1];
    if (step > 0) closest = std::min(closest, step);
  }
  if (std::isfinite(closest)) spacing = std::max(spacing, closest);
  const double breakAfter = kGapFactor * spacing;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int k = 0; k < datafile::kQuantityCount; ++k) {
    const auto q = static_cast<std::size_t>(k);
    QVector<QCPGraphData> points;
    points.reserve(static_cast<int>(series.size() * 2));
    for (std::size_t i = 0; i < series.size(); ++i) {
      const double t = series.time[i];
      if (i > 0 && breakAfter > 0 && t - series.time[i - 1] > breakAfter)
        points.append({(t + series.time[i - 1]) / 2, nan});
      points.append({t, series.low[q][i]});
      if (series.high[q][i] != series.low[q][i]) points.append({t, series.high[q][i]});
    }
    graphs_[q]->data()->set(points, true);
  }
}

void ReviewCharts::fit() {
  bool found = false;
  const QCPRange times = graphs_[0]->data()->keyRange(found);
  // A run of one line still gets a second of time axis around it.
  const double upper = times.upper > times.lower ? times.upper : times.lower + 1.0 / kSecondsPerDay;
  for (QCPAxisRect* rect : rects_) {
    if (found) rect->axis(QCPAxis::atBottom)->setRange(times.lower, upper);
  }
  fitValuesToTime();
}

void ReviewCharts::fitValuesToTime() {
  for (QCPGraph* graph : graphs_) {
    bool found = false;
    const QCPRange values = graph->getValueRange(found, QCP::sdBoth, graph->keyAxis()->range());
    if (!found) continue;
    const double pad = std::max((values.upper - values.lower) * 0.05, std::max(std::abs(values.upper), 1.0) * 1e-3);
    graph->valueAxis()->setRange(values.lower - pad, values.upper + pad);
  }
}

int ReviewCharts::columns() const {
  plot_->plotLayout()->update(QCPLayoutElement::upPreparation);
  plot_->plotLayout()->update(QCPLayoutElement::upMargins);
  plot_->plotLayout()->update(QCPLayoutElement::upLayout);
  return std::max(1, rects_[0]->width());
}

QString ReviewCharts::readoutAt(double t) const {
  if (series_.size() == 0) return {};
  const auto it = std::lower_bound(series_.time.begin(), series_.time.end(), t);
  std::size_t i = static_cast<std::size_t>(it - series_.time.begin());
  if (i == series_.size() || (i > 0 && t - series_.time[i - 1] < series_.time[i] - t)) --i;
  QString text = QString::fromStdString(isoDateTime(series_.time[i], ' ').substr(11));
  for (int k = 0; k < datafile::kQuantityCount; ++k) {
    const auto q = static_cast<std::size_t>(k);
    text += QStringLiteral("   %1=%2").arg(QString::fromLatin1(datafile::kQuantityNames[q]),
                                           valueText(series_.low[q][i], series_.high[q][i]));
  }
  return text;
}

void ReviewCharts::showCursor(std::optional<double> t) {
  for (QCPItemStraightLine* cursor : cursors_) {
    cursor->setVisible(t.has_value());
    if (t) {
      cursor->point1->setCoords(*t, 0);
      cursor->point2->setCoords(*t, 1);
    }
  }
}

std::optional<std::string> savePlot(QCustomPlot* plot, const QString& fileName, int width, int height) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  bool saved = false;
  if (suffix == QLatin1String("png")) {
    saved = plot->savePng(fileName, width, height, 1.0);
  } else if (suffix == QLatin1String("pdf")) {
    saved = plot->savePdf(fileName, width, height);
  } else if (suffix == QLatin1String("svg")) {
#ifdef KELMO_HAVE_SVG
    QSvgGenerator svg;
    svg.setFileName(fileName);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    QCPPainter painter;
    saved = painter.begin(&svg);
    if (saved) {
      plot->toPainter(&painter, width, height);
      saved = painter.end();
    }
#else
    return "this kelmo writes no .svg pictures (its Qt has no SVG module): write '" + fileName.toStdString() +
           "' as .png or .pdf";
#endif
  } else {
    return "pictures are written as .png, .svg or .pdf, not '" + fileName.toStdString() + "'";
  }
  if (!saved) return "cannot write '" + fileName.toStdString() + "'";
  return std::nullopt;
}

}  // namespace kelmo
