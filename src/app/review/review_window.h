#pragma once
// The review window: the six charts of one run of a data file, a run selector, zoom and
// pan of the time axis with the mouse, a readout of the six values at the pointer's time,
// and "Save picture…".
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datafile/run_summary.h"

class QComboBox;
class QLabel;
class QCustomPlot;
class QMouseEvent;

namespace kelmo {

class ReviewCharts;

class ReviewWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ReviewWindow(const std::string& fileName, QWidget* parent = nullptr);
  ~ReviewWindow() override;

  // The reason when the file could not be read; the window then says so.
  const std::optional<std::string>& readError() const { return readError_; }
  QCustomPlot* plot() const { return plot_; }
  QComboBox* runSelector() const { return runSelector_; }
  QLabel* readout() const { return readout_; }

  void showRun(int index);  // 1-based
  bool savePicture(const QString& fileName);

 private:
  void load();
  void pointerMoved(QMouseEvent* e);
  void askAndSave();

  std::string fileName_;
  std::optional<std::string> readError_;
  std::vector<datafile::RunSummary> runs_;
  QCustomPlot* plot_ = nullptr;
  std::unique_ptr<ReviewCharts> charts_;
  QComboBox* runSelector_ = nullptr;
  QLabel* readout_ = nullptr;
  QLabel* notice_ = nullptr;
};

// kelmo --review FILE: the window alone; exit code 2 with a message when FILE does not read.
int runReviewWindow(const std::string& fileName);
// F5 in the main window opens the current data file here.
void installReviewWindow();

}  // namespace kelmo
