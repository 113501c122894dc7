#include "app/window/frame_chart.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "acquisition/run_state.h"
#include "app/window/cached_frame_style.h"
#include "app/window/chart_tickers.h"
#include "app/window/opaque_plot.h"
#include "platform/date_time.h"
#include "platform/text_format.h"

namespace kelmo {

namespace {

QFont pixelFont(int pixels, bool bold = false) {
  QFont font;
  font.setPixelSize(pixels);
  font.setBold(bold);
  // Digits, signs and Latin letters read the same unshaped; shaping is a good part of laying
  // out a text that changes at every period.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

// A box that shows text from the program. It takes the focus only by Tab (to copy its text):
// a click must not take the keys F9 and Esc away from the window.
QLineEdit* makeTextBox(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::TabFocus);
  box->setStyle(CachedFrameStyle::instance());  // its text changes at every period
  return box;
}

}  // namespace

TFrameChart::TFrameChart(QWidget* parent) : QFrame(parent) {
  resize(320, 328);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  buildPanel();
  buildChart();
}

void TFrameChart::buildPanel() {
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFixedHeight(36);
  panel->setFrameShape(QFrame::NoFrame);

  LabelValue_ = new QLabel(QStringLiteral("Value"), panel);
  LabelValue_->setObjectName(QStringLiteral("LabelValue"));
  LabelValue_->setFont(pixelFont(24, true));
  LabelValue_->setMinimumWidth(44);

  EditValue_ = makeTextBox(panel, "EditValue");
  EditValue_->setFont(pixelFont(20));
  EditValue_->setFixedWidth(116);
  EditValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  labelChannelNo_ = new QLabel(QStringLiteral("k1"), panel);
  labelChannelNo_->setObjectName(QStringLiteral("labelChannelNo"));

  auto* extraLabel1 = new QLabel(QStringLiteral("k1"), panel);
  extraLabel1->setObjectName(QStringLiteral("LabelK1"));
  EditK1_ = makeTextBox(panel, "EditK1");
  auto* extraLabel2 = new QLabel(QStringLiteral("k2"), panel);
  extraLabel2->setObjectName(QStringLiteral("LabelK2"));
  EditK2_ = makeTextBox(panel, "EditK2");
  for (QLineEdit* box : {EditK1_, EditK2_}) {
    box->setFont(pixelFont(10));
    box->setFixedHeight(17);
  }

  auto* extras = new QGridLayout;
  extras->setContentsMargins(0, 0, 0, 0);
  extras->setHorizontalSpacing(2);
  extras->setVerticalSpacing(1);
  extras->addWidget(extraLabel1, 0, 0);
  extras->addWidget(EditK1_, 0, 1);
  extras->addWidget(extraLabel2, 1, 0);
  extras->addWidget(EditK2_, 1, 1);

  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(2, 0, 2, 0);
  row->setSpacing(4);
  row->addWidget(LabelValue_);
  row->addWidget(EditValue_);
  row->addWidget(labelChannelNo_);
  row->addLayout(extras, 1);
  layout()->addWidget(panel);
}

void TFrameChart::buildChart() {
  auto* plot = new OpaquePlot(this);
  Chart1_ = plot;
  Chart1_->setObjectName(QStringLiteral("Chart1"));
  Chart1_->setFocusPolicy(Qt::NoFocus);
  Chart1_->plotLayout()->setMargins(QMargins(0, 0, 0, 0));
  Chart1_->legend->setVisible(false);
  // A hidden legend still lays out an item per graph at every replot.
  Chart1_->setAutoAddPlottableToLegend(false);

  Chart1_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeOfDayTicker));
  Chart1_->xAxis->ticker()->setTickCount(3);
  Chart1_->yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ValueTicker));
  const QFont tickFont = pixelFont(10);
  Chart1_->xAxis->setTickLabelFont(tickFont);
  Chart1_->yAxis->setTickLabelFont(tickFont);

  Series1_ = Chart1_->addGraph();
  Series1_->setObjectName(QStringLiteral("Series1"));
  // A one-pixel pen without antialiasing keeps replots of six 1000-point charts cheap: the
  // raster engine then draws plain line segments instead of blended polygons.
  QPen pen(QColor(255, 0, 0));
  pen.setWidth(1);
  Series1_->setPen(pen);
  Series1_->setAntialiased(false);
  Series1_->setLineStyle(QCPGraph::lsLine);
  plot->drawOnOneLayer();
  layout()->addWidget(Chart1_);
}

void TFrameChart::prepareChart(std::int32_t index, std::int32_t seconds) {
  rangeDays_ = seconds / 86400.0;
  maxPoints_ = kPreparedMaxPoints;
  channelNo_ = index;
  labelChannelNo_->setText(QString::number(index));
  NextVoltsTime = now();
}

void TFrameChart::addValue(double time, double value) {
  Series1_->addData(time, value);
  dropOldestPoints(pointsToDrop(time));
  const QString text = QString::fromStdString(formatText("%9.5f", {value}));
  // Laying out a box's text costs more than comparing it.
  if (text != EditValue_->text()) {
    EditValue_->setText(text);
    EditValue_->setCursorPosition(0);  // a text wider than the box shows its start
  }
  // The first point since the last replot asks the window for a paint, at which the chart
  // replots; the points after it wait for the same paint.
  if (!stale_ && !Series1_->data()->isEmpty()) {
    stale_ = true;
    Chart1_->update();
  }
}

bool TFrameChart::replotIfStale() {
  if (!stale_) return false;
  stale_ = false;
  if (Series1_->data()->isEmpty()) return false;
  Series1_->rescaleAxes();
  Chart1_->replot(QCustomPlot::rpQueuedRefresh);
  return true;
}

int TFrameChart::pointsToDrop(double time) const {
  const auto& points = *Series1_->data();
  const int count = points.size();
  int dropped = 0;
  while (dropped < count) {
    const double firstTime = points.at(dropped)->key;
    if (time - firstTime > rangeDays_ || count - dropped > maxPoints_) {
      ++dropped;
    } else {
      break;
    }
  }
  return dropped;
}

void TFrameChart::dropOldestPoints(int count) {
  if (count == 0) return;
  auto& points = *Series1_->data();
  if (count >= points.size()) {
    points.clear();
    return;
  }
  const double lastDropped = points.at(count - 1)->key;
  const double firstKept = points.at(count)->key;
  if (lastDropped < firstKept) {
    points.removeBefore(firstKept);
  } else {
    // Equal times on both sides of the cut: removing by key would take too many.
    QVector<QCPGraphData> kept(points.constBegin() + count, points.constEnd());
    points.set(kept, true);
  }
}

}  // namespace kelmo
