#pragma once
// One computed quantity as a large number and as a line over a sliding time window.
#include <QFrame>
#include <cstdint>

class QCPGraph;
class QCustomPlot;
class QLabel;
class QLineEdit;

namespace kelmo {

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
  // window or above the point limit, and shows the value. The chart itself is redrawn by
  // replotIfStale, which the window calls at its display pace.
  void addValue(double time, double value);
  // Fits the axes to the points and renders the chart, when points came since the last time.
  // Returns whether it rendered.
  bool replotIfStale();

  double rangeDays() const { return rangeDays_; }
  std::int32_t maxPoints() const { return maxPoints_; }
  std::int32_t channelNo() const { return channelNo_; }

  QLabel* LabelValue() const { return LabelValue_; }
  QLineEdit* EditValue() const { return EditValue_; }
  QLabel* labelChannelNo() const { return labelChannelNo_; }
  QLineEdit* EditK1() const { return EditK1_; }
  QLineEdit* EditK2() const { return EditK2_; }
  QCustomPlot* Chart1() const { return Chart1_; }
  QCPGraph* Series1() const { return Series1_; }

 private:
  void buildPanel();
  void buildChart();
  // How many of the oldest points must go once a point at `time` has been added.
  int pointsToDrop(double time) const;
  void dropOldestPoints(int count);

  double rangeDays_ = 0.0;
  std::int32_t maxPoints_ = 0;
  std::int32_t channelNo_ = 0;
  bool stale_ = false;

  QLabel* LabelValue_ = nullptr;
  QLineEdit* EditValue_ = nullptr;
  QLabel* labelChannelNo_ = nullptr;
  QLineEdit* EditK1_ = nullptr;
  QLineEdit* EditK2_ = nullptr;
  QCustomPlot* Chart1_ = nullptr;
  QCPGraph* Series1_ = nullptr;
};

}  // namespace kelmo
