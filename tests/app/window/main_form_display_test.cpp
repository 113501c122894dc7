// The window paints at its display pace, not at the pace of the notifications: every
// notification still adds its points, and the end of a run shows the last of them.
#include <algorithm>
#include <chrono>
#include <thread>

#include "app/window/frame_chart.h"
#include "app/window/value_box.h"
#include "app/window/live_chart.h"
#include "main_form_fixture.h"
#include "measure/measurement.h"
#include "platform/log_msg.h"

namespace kelmo::test {
namespace {

class DisplayTest : public MainFormTest {
 protected:
  // Handles events only until the notification's points are in: no time for a display tick.
  bool processUntilPoints(std::size_t count) {
    for (int i = 0; i < 5000; ++i) {
      if (chart(5)->Series1().size() == count) return true;
      QCoreApplication::processEvents();
      if (chart(5)->Series1().size() != count) std::this_thread::yield();
    }
    return chart(5)->Series1().size() == count;
  }
  // Every drawing of a chart's picture, whole or in part.
  int drawingsOf(int k) const {
    const LiveChart::Drawings& d = chart(k)->Chart1()->drawings();
    return d.whole + d.scrolled + d.extended;
  }
};

void postFromWorker(int keyCode) {
  std::thread worker([keyCode] { postKeyNotification(keyCode); });
  worker.join();
}

TEST_F(DisplayTest, ABurstOfNotificationsBetweenTwoPaintsKeepsEveryPoint) {
  press(control("MemoConsole"), Qt::Key_F9);
  ASSERT_EQ(getTestState(), TestRunning);
  // 40 ms later at every reading of the clock: the burst spreads over most of the charts' 30 s.
  int tick = 0;
  setClock([&tick] { return 46000.5 + ++tick * 0.04 / 86400; });
  std::array<int, 6> drawingsBefore{};
  for (int k = 0; k < 6; ++k) drawingsBefore[static_cast<std::size_t>(k)] = drawingsOf(k);
  const auto drawingsSince = [&](int k) { return drawingsOf(k) - drawingsBefore[static_cast<std::size_t>(k)]; };

  // Each notification is handled before the next arrives, as at a short period.
  constexpr int kNotifications = 100;
  const auto burstStart = std::chrono::steady_clock::now();
  for (int n = 0; n < kNotifications; ++n) {
    for (int k = 0; k < 6; ++k) MeasuredValues[static_cast<std::size_t>(k)] = n + k / 10.0;
    postFromWorker(kKeyEnter);
    ASSERT_TRUE(processUntilPoints(static_cast<std::size_t>(n + 1)));
  }
  const auto burst = std::chrono::steady_clock::now() - burstStart;
  std::array<int, 6> drawingsInBurst{};
  for (int k = 0; k < 6; ++k) drawingsInBurst[static_cast<std::size_t>(k)] = drawingsSince(k);
  // A fast machine may finish the burst within one display interval; the held-back paint
  // still comes, while the run goes on.
  ASSERT_TRUE(processUntil([&] {
    for (int k = 0; k < 6; ++k) {
      if (drawingsSince(k) < 1) return false;
    }
    return true;
  }));
  // At most one paint per display interval, however many notifications came in between.
  const int paintsAllowed = static_cast<int>(burst / TmainForm::kDisplayInterval) + 2;

  for (int k = 0; k < 6; ++k) {
    const ChartSeries& points = chart(k)->Series1();
    ASSERT_EQ(points.size(), static_cast<std::size_t>(kNotifications)) << "chart " << k;
    for (std::size_t n = 0; n < points.size(); ++n) {
      EXPECT_DOUBLE_EQ(points.at(n).value, static_cast<double>(n) + k / 10.0) << "chart " << k << " point " << n;
      if (n > 0) {
        EXPECT_LT(points.at(n - 1).time, points.at(n).time) << "chart " << k << " point " << n;
      }
    }
    EXPECT_EQ(chart(k)->valueText().toStdString(), formatText("%9.5f", {kNotifications - 1 + k / 10.0}));
    EXPECT_LE(drawingsInBurst[static_cast<std::size_t>(k)], paintsAllowed)
        << "chart " << k << " drawn per notification";
  }

  // The end of the run shows the last point without waiting for the display pace: one more
  // notification, then at once the Esc notification.
  for (int k = 0; k < 6; ++k) MeasuredValues[static_cast<std::size_t>(k)] = 1000 + k;
  postFromWorker(kKeyEnter);
  MeasureFinished = true;
  postFromWorker(kKeyEscape);
  ASSERT_TRUE(processUntil([&] { return joins == 1; }));
  for (int k = 0; k < 6; ++k) {
    const LiveChart& drawn = *chart(k)->Chart1();
    const QPoint last = drawn.pixelOf(chart(k)->Series1().back());
    ASSERT_TRUE(drawn.picture().rect().contains(last)) << "chart " << k;
    EXPECT_EQ(drawn.picture().pixel(last), qRgb(255, 0, 0)) << "chart " << k << ": the last point is drawn";
    EXPECT_GE(drawn.valueAxis().upper, 1000 + k) << "chart " << k;
    EXPECT_LT(drawn.valueAxis().upper - drawn.valueAxis().step, 1000 + k) << "chart " << k << ": the range ends at the next tick";
    EXPECT_EQ(chart(k)->EditValue()->text().toStdString(), formatText("%9.5f", {1000.0 + k})) << "chart " << k;
  }
}

}  // namespace
}  // namespace kelmo::test
