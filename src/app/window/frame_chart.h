#pragma once
// One computed quantity as a large number and as a line over a sliding time window.
#include <QFrame>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "app/window/chart_series.h"

class QLabel;

namespace kelmo {

class LiveChart;
class ValueBox;

class TFrameChart : public QFrame {
  Q_OBJECT

 public:
  // maxPoints when a frame is prepared for a test run.
  static constexpr std::int32_t kPreparedMaxPoints = 1000;

  explicit TFrameChart(QWidget* parent = nullptr);

  // Before a test run: the quantity index and the visible window in seconds. Also starts
  // the period clock. Points already on the chart stay.
  void prepareChart(std::int32_t index, std::int32_t seconds);
  // One point: time as a date-time (days), value; drops the points that fall out of the
  // window or above the point limit, and keeps the value for the value box. What is seen
  // follows at the next paint (showLatest).
  void addValue(double time, double value);
  // The box beside "k1" shows `prefix` followed by `value` in the general number format,
  // from the next paint on.
  void setExtraValue(std::string prefix, double value);
  // Shows what came since the last paint: draws the chart's new points and puts the latest
  // texts into the boxes, formatting and laying them out only now. The window calls it just
  // before it paints, at its display pace.
  void showLatest();

  double rangeDays() const { return rangeDays_; }
  std::int32_t maxPoints() const { return maxPoints_; }
  std::int32_t channelNo() const { return channelNo_; }
  // The texts of the latest values for the value box and the "k1" box, shown or about to
  // be: "%9.5f" of the value ("" before the first), and the prefix and general number.
  QString valueText() const;
  QString extraText() const;

  QLabel* LabelValue() const { return LabelValue_; }
  ValueBox* EditValue() const { return EditValue_; }
  QLabel* labelChannelNo() const { return labelChannelNo_; }
  ValueBox* EditK1() const { return EditK1_; }
  ValueBox* EditK2() const { return EditK2_; }
  LiveChart* Chart1() const { return Chart1_; }
  const ChartSeries& Series1() const { return Series1_; }

 private:
  void buildPanel();
  void buildChart();
  // New texts for the boxes: the first since the last paint asks for one.
  void textsChanged();

  double rangeDays_ = 0.0;
  std::int32_t maxPoints_ = 0;
  std::int32_t channelNo_ = 0;
  ChartSeries Series1_;
  std::optional<double> value_;
  std::string extraPrefix_;
  std::optional<double> extraValue_;
  bool textsPending_ = false;

  QLabel* LabelValue_ = nullptr;
  ValueBox* EditValue_ = nullptr;
  QLabel* labelChannelNo_ = nullptr;
  ValueBox* EditK1_ = nullptr;
  ValueBox* EditK2_ = nullptr;
  LiveChart* Chart1_ = nullptr;
};

}  // namespace kelmo
