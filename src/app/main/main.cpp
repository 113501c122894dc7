// kelmo: the main window by default; --headless for rigs driven from a shell.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/headless.h"
#include "app/module_library_choice.h"
#include "app/report/report_command.h"
#include "app/run_script_command.h"
#include "app/script_startup.h"
#include "app/version.h"
#include "platform/console_text.h"
#include "platform/program_environment.h"

#ifdef KELMO_WITH_QT
#include <QApplication>

#include "app/review/report_plot.h"
#include "app/review/review_window.h"
#include "app/window/script_window_install.h"
#include "app/window/windowed_program.h"
#endif

namespace {

constexpr int kUsageExitCode = 2;

void printUsage(std::FILE* out) {
  kelmo::writeConsoleText(out,
                          "Usage: kelmo [OPTION]...\n"
                          "Runs tests on the rig wired to an E-154 data-acquisition module.\n"
                          "Without options the main window opens (F9 starts a test run, Esc stops it,\n"
                          "F3 edits the settings script kelmo.ini of the current folder).\n"
                          "\n"
                          "  --run-script FILE                compile and run a settings script against the\n"
                          "                                   default settings, without a window; prints\n"
                          "                                   what the script window would show; exit\n"
                          "                                   code 0 when it ran, 1 when it did not\n"
                          "  --headless [--duration SECONDS]  run one test run without a window, console\n"
                          "                                   lines on standard output; it stops after\n"
                          "                                   SECONDS or at Ctrl-C\n"
                          "  --review FILE                    show the runs of a data file in the review\n"
                          "                                   window (F5 in the main window does the same\n"
                          "                                   for the current data file)\n"
                          "  --help                           show this help and exit\n"
                          "  --version                        show the version and exit\n"
                          "\n"
                          "Usage: kelmo report FILE [--run N] [--stats] [--csv OUT] [--plot OUT]\n"
                          "Summarises the runs of a data file without a window.\n"
                          "  --run N      only run N (1 is the first, -1 the last)\n"
                          "  --stats      minimum, maximum, mean and last value of each quantity\n"
                          "  --csv OUT    the run(s) as CSV (UTF-8, '.' decimals); - for standard output\n"
                          "  --plot OUT   the six charts of the run (default: the last) as .png, .svg or .pdf\n"
                          "Exit codes: 0 done, 1 the file has malformed lines (listed on standard error,\n"
                          "the outputs are still written), 2 bad usage or an unreadable file.\n");
}

int usageError(const std::string& message) {
  kelmo::useParentConsoleWhenDetached();
  kelmo::writeConsoleText(stderr, "kelmo: " + message + "\nTry 'kelmo --help' for more information.\n");
  return kUsageExitCode;
}

std::optional<double> parseSeconds(std::string_view text) {
  double seconds = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || !(seconds > 0)) return std::nullopt;
  return seconds;
}

struct CommandLine {
  bool help = false;
  bool version = false;
  bool headless = false;
  std::optional<double> duration;
  std::optional<std::string> runScript;
  std::optional<std::string> review;
  std::vector<std::string> unknown;
  std::string error;
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  const std::vector<std::string_view> args(arguments.begin(), arguments.end());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--headless") {
      line.headless = true;
    } else if (arg == "--duration") {
      if (i + 1 == args.size()) {
        line.error = "--duration needs a number of seconds";
        break;
      }
      line.duration = parseSeconds(args[++i]);
      if (!line.duration) {
        line.error = "--duration needs a positive number of seconds, not '" + std::string(args[i]) + "'";
        break;
      }
    } else if (arg == "--run-script") {
      if (i + 1 == args.size()) {
        line.error = "--run-script needs a file name";
        break;
      }
      line.runScript = std::string(args[++i]);
    } else if (arg == "--review") {
      if (i + 1 == args.size()) {
        line.error = "--review needs a data file";
        break;
      }
      line.review = std::string(args[++i]);
    } else {
      line.unknown.emplace_back(arg);
    }
  }
  if (line.error.empty() && line.duration && !line.headless) {
    line.error = "--duration applies only with --headless";
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  // Read once as UTF-16 on Windows: file names may be Russian.
  const std::vector<std::string> arguments = kelmo::programArguments(argc, argv);
  if (!arguments.empty() && arguments.front() == "report") {
    kelmo::useParentConsoleWhenDetached();
#ifdef KELMO_WITH_QT
    kelmo::installReportPlot();
#endif
    return kelmo::reportCommand({arguments.begin() + 1, arguments.end()});
  }
  const CommandLine line = parseCommandLine(arguments);
  // Every command but the window's prints.
  if (line.help || line.version || line.runScript || line.headless) kelmo::useParentConsoleWhenDetached();
  if (line.help) {
    printUsage(stdout);
    return 0;
  }
  if (line.version) {
    kelmo::writeConsoleLine(stdout, std::string(kelmo::kProgramName) + " " + kelmo::kVersionText);
    return 0;
  }
  if (!line.error.empty()) return usageError(line.error);

  if (line.runScript) {
    if (line.headless || !line.unknown.empty()) return usageError("--run-script takes no other options");
    // Before any settings script: a script may initialise the module.
    if (!kelmo::chooseModuleLibraryAtStartup()) return kelmo::kBadModuleLibraryExitCode;
    return kelmo::runScriptCommand(*line.runScript);
  }

  if (line.review && line.headless) return usageError("--review takes no other options");

  if (line.headless) {
    if (!line.unknown.empty()) return usageError("unknown option '" + line.unknown.front() + "'");
    if (!kelmo::chooseModuleLibraryAtStartup()) return kelmo::kBadModuleLibraryExitCode;
    kelmo::installScreenlessScripts();
    return kelmo::runHeadless(line.duration);
  }

  // Long options are all ours; single-dash ones may be the toolkit's (-platform, -style).
  for (const std::string& arg : line.unknown) {
    if (arg.rfind("--", 0) == 0) return usageError("unknown option '" + arg + "'");
  }

#ifdef KELMO_WITH_QT
  // Before the toolkit, whose own warnings would come first on standard error. The review
  // window needs no module.
  std::string libraryProblem;
  const bool libraryChosen = line.review || kelmo::chooseModuleLibraryAtStartup(&libraryProblem);
  // The toolkit takes its own options (-platform, -style, ...) out of argv first.
  QApplication app(argc, argv);
  const CommandLine rest = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!rest.unknown.empty()) return usageError("unknown option '" + rest.unknown.front() + "'");
  if (line.review) return kelmo::runReviewWindow(*line.review);
  if (!libraryChosen) {
    kelmo::showModuleLibraryProblem(libraryProblem);
    return kelmo::kBadModuleLibraryExitCode;
  }
  kelmo::installScriptWindow();
  kelmo::installReviewWindow();
  return kelmo::runWindowedProgram(app);
#else
  if (line.review) return usageError("--review needs the window, and this build has none; try 'kelmo report'");
  // A bad module library choice is the first thing to report, as in a build with the window.
  if (!kelmo::chooseModuleLibraryAtStartup()) return kelmo::kBadModuleLibraryExitCode;
  return usageError("this build has no window; use --headless");
#endif
}
