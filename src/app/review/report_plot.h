#pragma once
// kelmo report --plot: the charts drawn offscreen, with no display needed.
namespace kelmo {

// Installs the plot writer of kelmo report (see app/report/report_command.h).
void installReportPlot();

}  // namespace kelmo
