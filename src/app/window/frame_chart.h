#pragma once
// One computed quantity as a large number and as a line over a sliding time window.
#include <QFrame>
#include <QString>
#include <cstdint>

#include "app/window/chart_series.h"

class QLabel;
class QLineEdit;

namespace kelmo {

class LiveChart;

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
  // window or above the point limit, and takes the value's text. What is seen follows at
  // the next paint (showLatest).
  void addValue(double time, double value);
  // The text of the box beside "k1", shown at the next paint.
  void setExtraText(const QString& text);
  // Shows what came since the last paint: draws the chart's new points and puts the latest
  // texts into the boxes, laying them out only now. The window calls it just before it
  // paints, at its display pace.
  void showLatest();

  double rangeDays() const { return rangeDays_; }
  std::int32_t maxPoints() const { return maxPoints_; }
  std::int32_t channelNo() const { return channelNo_; }
  // The latest texts of the value box and the "k1" box, shown or about to be.
  const QString& valueText() const { return valueText_; }
  const QString& extraText() const { return extraText_; }

  QLabel* LabelValue() const { return LabelValue_; }
  QLineEdit* EditValue() const { return EditValue_; }
  QLabel* labelChannelNo() const { return labelChannelNo_; }
  QLineEdit* EditK1() const { return EditK1_; }
  QLineEdit* EditK2() const { return EditK2_; }
  LiveChart* Chart1() const { return Chart1_; }
  const ChartSeries& Series1() const { return Series1_; }

 private:
  void buildPanel();
  void buildChart();

  double rangeDays_ = 0.0;
  std::int32_t maxPoints_ = 0;
  std::int32_t channelNo_ = 0;
  ChartSeries Series1_;
  QString valueText_;
  QString extraText_;

  QLabel* LabelValue_ = nullptr;
  QLineEdit* EditValue_ = nullptr;
  QLabel* labelChannelNo_ = nullptr;
  QLineEdit* EditK1_ = nullptr;
  QLineEdit* EditK2_ = nullptr;
  LiveChart* Chart1_ = nullptr;
};

}  // namespace kelmo
