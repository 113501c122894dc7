#include "app/review/report_plot.h"

#include <QApplication>
#include <cmath>
#include <cstdio>
#include <memory>
#include <qcustomplot.h>

#include "app/report/report_command.h"
#include "app/review/review_charts.h"

namespace kelmo {

namespace {

constexpr int kPictureWidth = 1600;
constexpr int kPictureHeight = 1000;

std::optional<std::string> writePlot(const PlotRequest& request) {
  // A platform that draws without a display (KELMO_PLOT_PLATFORM: offscreen, or where Qt has
  // none, minimal); a window build may run this too.
  std::unique_ptr<QApplication> app;
  if (QApplication::instance() == nullptr) {
    // Standard error belongs to the list of malformed lines, not to the toolkit's notes.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "kelmo report: %s\n", qPrintable(text));
    });
#ifdef KELMO_PLOT_PLATFORM
    qputenv("QT_QPA_PLATFORM", KELMO_PLOT_PLATFORM);
#endif
    static int argc = 1;
    static char name[] = "kelmo";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  QCustomPlot plot;
  plot.resize(kPictureWidth, kPictureHeight);
  ReviewCharts charts(&plot);
  charts.setTitle(ReviewCharts::titleText(request.dataFile, *request.run, request.runCount));
  const datafile::RunSummary& run = *request.run;
  const double from = run.first, to = run.lines > 1 ? run.last : run.first + 1.0 / 86400;
  // One min/max pair per pixel column: every spike is at least one pixel of line.
  const int columns = charts.columns();
  const datafile::MinMaxSeries perColumn =
      request.series->size() > static_cast<std::size_t>(columns)
          ? datafile::rebin(*request.series, from, std::nextafter(to, to + 1), static_cast<std::size_t>(columns))
          : *request.series;
  charts.setSeries(perColumn, run.periodSeconds);
  charts.fit();
  return savePlot(&plot, QString::fromStdString(request.output), kPictureWidth, kPictureHeight);
}

}  // namespace

void installReportPlot() { installPlotWriter(writePlot); }

}  // namespace kelmo
