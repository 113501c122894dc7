// The window paints at its display pace, not at the pace of the notifications: every
// notification still adds its points, and the end of a run shows the last of them.
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/window/frame_chart.h"
#include "main_form_fixture.h"
#include "measure/measurement.h"
#include "platform/log_msg.h"

namespace kelmo::test {
namespace {

class DisplayTest : public MainFormTest {
 protected:
  // Handles events only until the notification's points are in: no time for a display tick.
  bool processUntilPoints(int count) {
    for (int i = 0; i < 5000; ++i) {
      if (chart(5)->Series1()->data()->size() == count) return true;
      QCoreApplication::processEvents();
      if (chart(5)->Series1()->data()->size() != count) std::this_thread::yield();
    }
    return chart(5)->Series1()->data()->size() == count;
  }
};

void postFromWorker(int keyCode) {
  std::thread worker([keyCode] { postKeyNotification(keyCode); });
  worker.join();
}

TEST_F(DisplayTest, ABurstOfNotificationsBetweenTwoPaintsKeepsEveryPoint) {
  press(control("MemoConsole"), Qt::Key_F9);
  ASSERT_EQ(getTestState(), TestRunning);
  // One millisecond later at every reading of the clock.
  int tick = 0;
  setClock([&tick] { return 46000.5 + ++tick / 86400e3; });
  std::array<int, 6> replots{};
  for (int k = 0; k < 6; ++k) {
    QObject::connect(chart(k)->Chart1(), &QCustomPlot::afterReplot, [&replots, k] { ++replots[static_cast<std::size_t>(k)]; });
  }

  // Each notification is handled before the next arrives, as at a short period.
  constexpr int kNotifications = 100;
  const auto burstStart = std::chrono::steady_clock::now();
  for (int n = 0; n < kNotifications; ++n) {
    for (int k = 0; k < 6; ++k) MeasuredValues[static_cast<std::size_t>(k)] = n + k / 10.0;
    postFromWorker(kKeyEnter);
    ASSERT_TRUE(processUntilPoints(n + 1));
  }
  const auto burst = std::chrono::steady_clock::now() - burstStart;
  const std::array<int, 6> replotsInBurst = replots;
  // A fast machine may finish the burst within one display interval; the held-back paint
  // still comes, while the run goes on.
  ASSERT_TRUE(processUntil([&] { return std::ranges::all_of(replots, [](int r) { return r >= 1; }); }));
  // At most one paint per display interval, however many notifications came in between.
  const int paintsAllowed = static_cast<int>(burst / TmainForm::kDisplayInterval) + 2;

  for (int k = 0; k < 6; ++k) {
    const auto& points = *chart(k)->Series1()->data();
    ASSERT_EQ(points.size(), kNotifications) << "chart " << k;
    for (int n = 0; n < kNotifications; ++n) {
      EXPECT_DOUBLE_EQ(points.at(n)->value, n + k / 10.0) << "chart " << k << " point " << n;
      if (n > 0) {
        EXPECT_LT(points.at(n - 1)->key, points.at(n)->key) << "chart " << k << " point " << n;
      }
    }
    EXPECT_EQ(chart(k)->EditValue()->text().toStdString(), formatText("%9.5f", {kNotifications - 1 + k / 10.0}));
    EXPECT_LE(replotsInBurst[static_cast<std::size_t>(k)], paintsAllowed)
        << "chart " << k << " replotted per notification";
  }

  // The end of the run shows the last point without waiting for the display pace.
  MeasureFinished = true;
  postFromWorker(kKeyEscape);
  ASSERT_TRUE(processUntil([&] { return joins == 1; }));
  for (int k = 0; k < 6; ++k) {
    const auto& points = *chart(k)->Series1()->data();
    EXPECT_DOUBLE_EQ(chart(k)->Chart1()->xAxis->range().upper, points.at(points.size() - 1)->key) << "chart " << k;
    EXPECT_DOUBLE_EQ(chart(k)->Chart1()->yAxis->range().upper, kNotifications - 1 + k / 10.0) << "chart " << k;
  }
}

}  // namespace
}  // namespace kelmo::test
