#pragma once
// The data file of a test run: opened for append at the run's start, written only by the
// measurement thread, closed at the run's clean-up. While a run writes it, no other writer
// gets the file; readers still do.
#include <string>

namespace kelmo {

// The open file's descriptor; -1 when none is open.
extern int DataFile;

// Opens the file for appending, creating it empty when it is missing, and claims it as its
// only writer. False when no file results or another program writes it; then reason says
// why, for the operator.
bool openDataFile(const std::string& fileName, std::string& reason);
// Moves to the end of the file; false when that fails.
bool seekDataFileEnd();
// The bytes in one write call, at the end of the file whatever anyone appended meanwhile;
// false when the call reports an error or writes less.
bool writeDataFile(const std::string& bytes);
// Closes the file if one is open, which gives up the claim.
void closeDataFile();

}  // namespace kelmo
