#include "app/window/data_file_review_hook.h"

#include <utility>

namespace kelmo {

namespace {
DataFileReviewer& installedReviewer() {
  static DataFileReviewer reviewer;
  return reviewer;
}
}  // namespace

DataFileReviewer setDataFileReviewer(DataFileReviewer reviewer) {
  return std::exchange(installedReviewer(), std::move(reviewer));
}

bool openDataFileReview(QWidget* parent, const std::string& fileName) {
  const DataFileReviewer reviewer = installedReviewer();
  if (!reviewer) return false;
  reviewer(parent, fileName);
  return true;
}

}  // namespace kelmo
