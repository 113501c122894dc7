#pragma once
// F5 opens the current data file in the review window. The review layer installs the
// function that does it; the main window only calls through this hook.
#include <functional>
#include <string>

class QWidget;

namespace kelmo {

using DataFileReviewer = std::function<void(QWidget* parent, const std::string& fileName)>;

// Installs the reviewer; returns the previous one.
DataFileReviewer setDataFileReviewer(DataFileReviewer reviewer);
// Opens the review window on fileName; false when no reviewer is installed.
bool openDataFileReview(QWidget* parent, const std::string& fileName);

}  // namespace kelmo
