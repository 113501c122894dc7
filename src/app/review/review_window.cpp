#include "app/review/review_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>
#include <qcustomplot.h>

#include "app/report/csv_export.h"
#include "app/report/report_tables.h"
#include "app/review/review_charts.h"
#include "app/window/data_file_review_hook.h"
#include "datafile/min_max_decimator.h"
#include "platform/console_text.h"
#include "platform/file_path.h"

namespace kelmo {

namespace {

// Buckets kept of the run shown: far more than pixel columns, so zooming in shows detail
// down to a few seconds even in a day-long run, in about 14 MB.
constexpr std::size_t kReviewBuckets = 1 << 17;

// Decimates one run of the file.
class RunLoader : public datafile::ReadSink {
 public:
  explicit RunLoader(int run) : run_(run), decimator_(kReviewBuckets) {}
  void record(const datafile::DataRecord& r) override {
    if (r.run == run_) decimator_.add(r.data);
  }
  datafile::MinMaxSeries result() const { return decimator_.result(); }

 private:
  int run_;
  datafile::MinMaxDecimator decimator_;
};

QString runLabel(const datafile::RunSummary& run) {
  const TDateTime start = run.lines ? run.first : run.start.headerTime;
  return QStringLiteral("%1: %2, %3, %4 lines")
      .arg(run.start.index)
      .arg(QString::fromStdString(isoDateTime(start, ' ').substr(0, 19)))
      .arg(QString::fromStdString(durationText(run.durationSeconds())))
      .arg(run.lines);
}

}  // namespace

ReviewWindow::ReviewWindow(const std::string& fileName, QWidget* parent)
    : QWidget(parent, Qt::Window), fileName_(fileName) {
  setObjectName(QStringLiteral("ReviewWindow"));
  setWindowTitle(QStringLiteral("kelmo — %1").arg(QString::fromStdString(fileName)));
  resize(1100, 760);
  auto* column = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("Run:"), this));
  runSelector_ = new QComboBox(this);
  runSelector_->setObjectName(QStringLiteral("comboRun"));
  runSelector_->setMinimumContentsLength(40);
  bar->addWidget(runSelector_);
  auto* save = new QPushButton(QStringLiteral("Save picture…"), this);
  save->setObjectName(QStringLiteral("buttonSavePicture"));
  bar->addWidget(save);
  notice_ = new QLabel(QStringLiteral("wheel: zoom time   drag: pan   double-click: fit"), this);
  bar->addWidget(notice_, 1);
  column->addLayout(bar);
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("ReviewPlot"));
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->setMouseTracking(true);
  charts_ = std::make_unique<ReviewCharts>(plot_);
  column->addWidget(plot_, 1);
  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("labelReadout"));
  readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(readout_);

  connect(save, &QPushButton::clicked, this, &ReviewWindow::askAndSave);
  connect(plot_, &QCustomPlot::mouseMove, this, &ReviewWindow::pointerMoved);
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) {
    charts_->fit();
    plot_->replot();
  });
  // The value axes follow the time range, so a zoomed spike fills its chart.
  connect(charts_->rects()[0]->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this](const QCPRange&) { charts_->fitValuesToTime(); });
  load();
  connect(runSelector_, &QComboBox::currentIndexChanged, this, [this](int i) { showRun(i + 1); });
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::load() {
  datafile::RunSummarizer summary;
  readError_ = datafile::readDataFile(fileName_, summary);
  if (readError_) {
    notice_->setText(QString::fromStdString(*readError_));
    return;
  }
  runs_ = summary.finish();
  if (const std::uint64_t malformed = summary.malformedTotal()) {
    notice_->setText(QStringLiteral("%1 malformed line(s), listed by kelmo report   %2").arg(malformed).arg(notice_->text()));
  }
  if (runs_.empty()) {
    notice_->setText(QStringLiteral("%1 holds no run").arg(QString::fromStdString(fileName_)));
    return;
  }
  for (const datafile::RunSummary& run : runs_) runSelector_->addItem(runLabel(run));
  runSelector_->setCurrentIndex(static_cast<int>(runs_.size()) - 1);
  showRun(static_cast<int>(runs_.size()));
}

void ReviewWindow::showRun(int index) {
  if (index < 1 || index > static_cast<int>(runs_.size())) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  RunLoader loader(index);
  readError_ = datafile::readDataFile(fileName_, loader);
  QApplication::restoreOverrideCursor();
  const datafile::RunSummary& run = runs_[static_cast<std::size_t>(index - 1)];
  charts_->setTitle(ReviewCharts::titleText(fileName_, run, static_cast<int>(runs_.size())));
  charts_->setSeries(loader.result(), run.periodSeconds);
  charts_->fit();
  charts_->showCursor(std::nullopt);
  readout_->clear();
  plot_->replot();
}

void ReviewWindow::pointerMoved(QMouseEvent* e) {
  // The time under the pointer, by the chart it is over.
  for (QCPAxisRect* rect : charts_->rects()) {
    if (!rect->rect().contains(e->position().toPoint())) continue;
    const double t = rect->axis(QCPAxis::atBottom)->pixelToCoord(e->position().x());
    readout_->setText(charts_->readoutAt(t));
    charts_->showCursor(t);
    plot_->replot(QCustomPlot::rpQueuedReplot);
    return;
  }
}

bool ReviewWindow::savePicture(const QString& fileName) {
  charts_->showCursor(std::nullopt);
  const auto error = savePlot(plot_, fileName, plot_->width(), plot_->height());
  plot_->replot();
  if (error) QMessageBox::warning(this, QStringLiteral("kelmo"), QString::fromStdString(*error));
  return !error;
}

void ReviewWindow::askAndSave() {
  const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), QString(),
                                                    QStringLiteral("PNG picture (*.png);;PDF document (*.pdf)"));
  if (!name.isEmpty()) savePicture(name);
}

int runReviewWindow(const std::string& fileName) {
  if (std::FILE* f = openFile(fileName, "rb")) {
    std::fclose(f);
  } else {
    writeConsoleLine(stderr, "kelmo: cannot read '" + fileName + "'");
    return 2;
  }
  ReviewWindow window(fileName);
  window.show();
  return QApplication::exec();
}

void installReviewWindow() {
  setDataFileReviewer([](QWidget* parent, const std::string& fileName) {
    auto* window = new ReviewWindow(fileName, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
  });
}

}  // namespace kelmo
