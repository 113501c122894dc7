#include "app/window/frame_chart.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "acquisition/run_state.h"
#include "app/window/cached_frame_style.h"
#include "app/window/live_chart.h"
#include "app/window/value_box.h"
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

ValueBox* makeTextBox(QWidget* parent, const char* name) {
  auto* box = new ValueBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setStyle(CachedFrameStyle::instance());  // painted at every period
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
  for (ValueBox* box : {EditK1_, EditK2_}) {
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
  Chart1_ = new LiveChart(Series1_, this);
  Chart1_->setObjectName(QStringLiteral("Chart1"));
  Chart1_->setFocusPolicy(Qt::NoFocus);
  layout()->addWidget(Chart1_);
}

void TFrameChart::prepareChart(std::int32_t index, std::int32_t seconds) {
  rangeDays_ = seconds / 86400.0;
  maxPoints_ = kPreparedMaxPoints;
  channelNo_ = index;
  labelChannelNo_->setText(QString::number(index));
  Chart1_->startRun(rangeDays_, maxPoints_);
  NextVoltsTime = now();
}

void TFrameChart::addValue(double time, double value) {
  const bool hadPoints = !Series1_.empty();
  Series1_.add(time, value, rangeDays_, maxPoints_);
  if (hadPoints || !Series1_.empty()) Chart1_->pointsAdded();
  value_ = value;
  textsChanged();
}

void TFrameChart::setExtraValue(std::string prefix, double value) {
  extraPrefix_ = std::move(prefix);
  extraValue_ = value;
  textsChanged();
}

void TFrameChart::textsChanged() {
  if (textsPending_) return;
  textsPending_ = true;
  // The value box asks for the paint that shows them (the chart may have nothing new).
  EditValue_->update();
}

QString TFrameChart::valueText() const {
  return value_ ? QString::fromStdString(formatText("%9.5f", {*value_})) : QString();
}

QString TFrameChart::extraText() const {
  return extraValue_ ? QString::fromStdString(extraPrefix_ + formatGeneral(*extraValue_)) : QString();
}

void TFrameChart::showLatest() {
  Chart1_->drawIfStale();
  if (!textsPending_) return;
  textsPending_ = false;
  // The boxes lay their texts out when they paint, and only a text that differs asks for it.
  EditValue_->setText(valueText());
  EditK1_->setText(extraText());
}

}  // namespace kelmo
