#pragma once
// The data file of a test run: opened for append at the run's start, written only by the
// measurement thread, closed at the run's clean-up.
#include <string>

namespace kelmo {

// The open file's descriptor; -1 when none is open.
extern int DataFile;

// An existing file is opened for writing (others may still read it); a missing one is
// created empty. False when neither gives a file.
bool openDataFile(const std::string& fileName);
// Moves to the end of the file; false when that fails.
bool seekDataFileEnd();
// The bytes in one write call; false when the call reports an error or writes less.
bool writeDataFile(const std::string& bytes);
// Closes the file if one is open.
void closeDataFile();

}  // namespace kelmo
