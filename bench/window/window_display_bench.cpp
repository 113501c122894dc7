// The main window's own cost during a run, without an X server: a shown window on the
// offscreen platform gets one measurement notification per period, as from the measurement
// thread, for a few seconds of real time. Reported: the main thread's CPU time as a share
// of one core, and per notification. The paint pace is the window's own, so the figures
// follow it. KELMO_BENCH_SECONDS sets each run's length (default 10).
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "acquisition/run_state.h"
#include "app/window/chart_series.h"
#include "app/window/frame_chart.h"
#include "app/window/live_chart.h"
#include "app/window/main_form.h"
#include "config/kelmo_params.h"
#include "measure/measurement.h"
#include "platform/main_window_port.h"

namespace {

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double runSeconds() {
  const char* text = std::getenv("KELMO_BENCH_SECONDS");
  return text != nullptr ? std::atof(text) : 10.0;
}

// What the rig's quantities look like: slow waves of a few tens of seconds, each a little
// noisy, so that every value changes at every period.
double measuredWave(long long ms, int k) {
  const double seconds = static_cast<double>(ms) / 1000.0;
  const double noise = static_cast<double>((ms * 7919 + k * 104729) % 1000) / 1e6;
  return 2.0 + std::sin(seconds * 2.0 * 3.14159265358979 / (20.0 + k) + k) + noise;
}

QApplication& application() {
  static int argc = 1;
  static char name[] = "kelmo-window-bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Argument: the period in ms.
void BM_WindowDuringRun(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  application();
  kelmo::createGlobalParams();
  kelmo::resetRunState();
  kelmo::setTestState(kelmo::TestIdle);
  auto form = std::make_unique<kelmo::TmainForm>(
      kelmo::TmainForm::RunControl{[] { kelmo::setTestState(kelmo::TestRunning); }, [] { return true; }});
  form->resize(1024, 700);
  form->show();
  QCoreApplication::processEvents();
  // F9 as the operator starts a run: the charts take their window and point limit.
  QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
  QWidget* focused = form->focusWidget();
  QCoreApplication::sendEvent(focused != nullptr ? focused : form.get(), &f9);
  if (kelmo::getTestState() != kelmo::TestRunning) {
    state.SkipWithError("F9 did not start the run");
    return;
  }

  const auto period = std::chrono::milliseconds(state.range(0));
  int n = 0;
  // One notification per period, as the measurement thread posts them, for `seconds`;
  // returns the main thread's CPU time meanwhile.
  const auto runFor = [&](double seconds) {
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
      const auto wave = [&](int k) { return measuredWave(n * period.count(), k); };
      for (std::size_t k = 0; k < kelmo::MeasuredValues.size(); ++k) kelmo::MeasuredValues[k] = wave(static_cast<int>(k));
      kelmo::R = wave(6);
      kelmo::Ua = wave(7);
      kelmo::Up = wave(8);
      kelmo::U6 = wave(9);
      kelmo::DigitalInputs = static_cast<std::uint16_t>(n / 10);
      ++n;
      form->postKeyNotification(kelmo::kKeyEnter);
    });
    QTimer end;
    end.setSingleShot(true);
    QEventLoop loop;
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    const double cpu0 = threadCpuSeconds();
    ticks.start(period);
    end.start(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    loop.exec();
    return threadCpuSeconds() - cpu0;
  };
  // Caches (glyphs, tick labels) fill and the charts reach their steady number of points
  // before the measured span.
  runFor(2.0);
  // The charts' drawings, whole and scrolled, per chart and second.
  const auto drawings = [&] {
    kelmo::LiveChart::Drawings sum;
    for (const kelmo::TFrameChart* frame : form->findChildren<kelmo::TFrameChart*>()) {
      const kelmo::LiveChart::Drawings& d = frame->Chart1()->drawings();
      sum.whole += d.whole;
      sum.scrolled += d.scrolled + d.extended;
    }
    return sum;
  };
  const kelmo::LiveChart::Drawings drawnBefore = drawings();
  const double seconds = runSeconds();
  const int before = n;
  double cpu = 0;
  for (auto _ : state) cpu += runFor(seconds);
  const long notifications = n - before;
  const double wall = seconds * static_cast<double>(state.iterations());
  state.counters["core_%"] = 100.0 * cpu / wall;
  state.counters["us_per_notification"] = 1e6 * cpu / static_cast<double>(notifications);
  state.counters["notifications"] = static_cast<double>(notifications);
  const double chartSeconds = 6 * wall;
  state.counters["whole_per_s"] = (drawings().whole - drawnBefore.whole) / chartSeconds;
  state.counters["scrolled_per_s"] = (drawings().scrolled - drawnBefore.scrolled) / chartSeconds;
  kelmo::setTestState(kelmo::TestIdle);
}
BENCHMARK(BM_WindowDuringRun)->Arg(10)->Arg(50)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One chart frame of the window's size with the points of a 30 s window at the given period
// (at most its point limit), then per iteration what a paint of the window does for it:
// a new point, the chart's drawing and the frame's paint.
void BM_ChartFramePaint(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  application();
  kelmo::TFrameChart frame;
  frame.resize(330, 326);
  frame.prepareChart(0, 30);
  frame.show();
  const double periodDays = static_cast<double>(state.range(0)) / 86400e3;
  const int points = std::min(30 * 1000 / static_cast<int>(state.range(0)), kelmo::TFrameChart::kPreparedMaxPoints);
  double time = 46000.5;
  int n = 0;
  const auto addPoint = [&] {
    frame.addValue(time, measuredWave(n * state.range(0), 0));
    time += periodDays;
    ++n;
  };
  for (int i = 0; i < points; ++i) addPoint();
  frame.showLatest();
  frame.repaint();
  for (auto _ : state) {
    addPoint();
    frame.showLatest();
    frame.repaint();
  }
}
BENCHMARK(BM_ChartFramePaint)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond);

// One chart of the window's size drawn whole from the 1000 points a 10 ms period keeps: what
// a run's start, a resize or a change of the value range costs.
void BM_ChartDrawnWhole(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  application();
  kelmo::ChartSeries series;
  kelmo::LiveChart chart(series);
  chart.resize(320, 190);
  const double window = 30 / 86400.0;
  for (int n = 0; n < 1000; ++n) series.add(46000.5 + n * 0.01 / 86400, measuredWave(n * 10, 0), window, 1000);
  for (auto _ : state) {
    chart.startRun(window, 1000);
    chart.drawIfStale();
  }
}
BENCHMARK(BM_ChartDrawnWhole)->Unit(benchmark::kMicrosecond);

}  // namespace
