// The built program run as its user runs it, in processes of its own: start-up with a
// settings script that initialises the module, default runs read line by line, and two
// programs started in one folder. The simulated slots are claimed in a folder of each
// test's own, so tests running in parallel do not meet.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp1251.h"
#include "script_test_support.h"

namespace kelmo {
namespace {

using namespace std::chrono_literals;

const std::string kProgram = KELMO_BINARY_DIR "/src/app/kelmo";

// A child running the program in a folder, its output in files there.
class Program {
 public:
  Program(const test::TempDir& dir, std::vector<std::string> args, std::vector<std::string> env = {})
      : out_(dir.file("program" + std::to_string(++count_) + ".out")),
        err_(dir.file("program" + std::to_string(count_) + ".err")) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    if (!std::freopen(out_.c_str(), "w", stdout) || !std::freopen(err_.c_str(), "w", stderr)) ::_exit(126);
    ::setenv("LC_ALL", "C", 1);
    ::setenv("KELMO_SIM_LOCK_DIR", dir.file("slots").c_str(), 1);
    ::unsetenv("KELMO_MODULE_LIBRARY");
    ::unsetenv("KELMO_SIM");
    for (const std::string& e : env) {
      const std::size_t eq = e.find('=');
      ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(kProgram.c_str(), argv.data());
    ::_exit(127);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() {
    if (pid_ > 0 && exitCode_ < 0 && !killed_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // The exit code; -1 when it did not exit on its own.
  int wait() {
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    return exitCode_;
  }
  void kill() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    killed_ = true;
  }
  std::string out() const { return test::readBytes(out_); }
  std::string err() const { return test::readBytes(err_); }
  // Waits (bounded) until standard output holds the text.
  bool waitForOutput(const std::string& text) const {
    for (int i = 0; i < 300; ++i) {
      if (out().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

 private:
  static inline int count_ = 0;
  std::string out_;
  std::string err_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  bool killed_ = false;
};

const std::string kEmptySettings = "begin\r\nend.\r\n";

std::vector<std::string> lines(const std::string& text, const std::string& end) {
  std::vector<std::string> result;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(end, from)) != std::string::npos; from = at + end.size())
    result.push_back(text.substr(from, at - from));
  if (from < text.size()) result.push_back(text.substr(from) + "<no line end>");
  return result;
}

bool isHeader(const std::string& line) { return line.rfind(utf8ToCp1251("Начинаю сбор данных: "), 0) == 0; }

// The six values of a data line (what follows the time and the date-time number).
std::vector<double> valuesOf(const std::string& line) {
  std::istringstream in(line);
  std::string time, number;
  in >> time >> number;
  std::vector<double> values;
  for (double v; in >> v;) values.push_back(v);
  return values;
}

std::string valueTextOf(const std::string& line) {
  const std::size_t first = line.find(' ');
  return line.substr(line.find(' ', first + 1) + 1);
}

TEST(Program, ASettingsScriptInitialisesTheModuleAtStartUp) {
  test::TempDir dir;
  // A failed initialisation fails the script (setRange refuses 1000), and with it the start-up.
  test::writeBytes(dir.file("kelmo.ini"),
                   "begin\r\n"
                   "  if pModule_init_e154 then writeLn('initialised')\r\n"
                   "  else kelmo_params.setRange(0, 1000);\r\n"
                   "end.\r\n");
  {
    Program script(dir, {"--run-script", "kelmo.ini"});
    EXPECT_EQ(script.wait(), 0) << script.out() << script.err();
    EXPECT_NE(script.out().find(" OpenLDevice(0) --> OK\n"), std::string::npos) << script.out();
    EXPECT_NE(script.out().find("initialised\n"), std::string::npos) << script.out();
  }
  Program headless(dir, {"--headless", "--duration", "1"});
  EXPECT_EQ(headless.wait(), 0) << headless.err();
  EXPECT_EQ(headless.err(), "");
  // The run finds the module free: the start-up's interface was released first.
  EXPECT_NE(headless.out().find(" ADC Thread: The program was terminated! :-)\n"), std::string::npos)
      << headless.out();
}

TEST(Program, ABadModuleLibraryChoiceEndsTheStartUpWithCode2) {
  struct Case {
    std::vector<std::string> args;
    std::string env;
    std::string message;
  };
  const Case cases[] = {
      {{"--headless"}, "KELMO_MODULE_LIBRARY=Lusbapi", "kelmo: KELMO_MODULE_LIBRARY=Lusbapi: no such module library"},
      {{"--run-script", "kelmo.ini"}, "KELMO_MODULE_LIBRARY=other", "kelmo: KELMO_MODULE_LIBRARY=other: "},
      {{}, "KELMO_MODULE_LIBRARY=/opt/x.so", "kelmo: KELMO_MODULE_LIBRARY=/opt/x.so: "},
      {{"--headless"}, "KELMO_SIM=slot=x", "kelmo: KELMO_SIM: "},
      {{"--run-script", "kelmo.ini"}, "KELMO_SIM=nonsense", "kelmo: KELMO_SIM: "},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    // A script that would fail: the choice comes before it, so it never runs.
    test::writeBytes(dir.file("kelmo.ini"), "begin\r\n  writeLn('ran');\r\n  x;\r\nend.\r\n");
    Program program(dir, c.args, {c.env});
    EXPECT_EQ(program.wait(), 2) << c.env;
    EXPECT_EQ(program.err().rfind(c.message, 0), 0u) << c.env << ": " << program.err();
    EXPECT_EQ(program.out(), "") << c.env;
  }
}

TEST(Program, EveryLineOfADefaultRunCarriesFreshValues) {
  test::TempDir dir;
  test::writeBytes(dir.file("kelmo.ini"), kEmptySettings);
  Program program(dir, {"--headless", "--duration", "5"});
  ASSERT_EQ(program.wait(), 0) << program.err();
  EXPECT_NE(program.out().find("DataStep=192\n"), std::string::npos) << program.out();
  const std::vector<std::string> all = lines(test::readBytes(dir.file("test.dat")), "\r\n");
  // 25 periods; a busy machine may delay some of them past the end of the run.
  ASSERT_GE(all.size(), 12u);
  ASSERT_TRUE(isHeader(all[0]));
  for (std::size_t i = 2; i < all.size(); ++i)
    EXPECT_NE(valueTextOf(all[i]), valueTextOf(all[i - 1])) << "line " << i << ": " << all[i];
}

TEST(Program, TheFirstLineOfARunIsAlreadySettled) {
  test::TempDir dir;
  test::writeBytes(dir.file("kelmo.ini"), kEmptySettings);
  // Steady levels with a little noise on the six channels the values come from.
  std::string signals = "KELMO_SIM=";
  const char* levels[] = {"2.0", "1.0", "3.0", "0.6", "1.2", "1.5"};
  for (int c = 0; c < 6; ++c) signals += "signal=" + std::to_string(c) + ":" + levels[c] + ":0:0:0.01:0;";
  Program program(dir, {"--headless", "--duration", "3"}, {signals});
  ASSERT_EQ(program.wait(), 0) << program.err();
  const std::vector<std::string> all = lines(test::readBytes(dir.file("test.dat")), "\r\n");
  ASSERT_GE(all.size(), 6u);
  const std::vector<double> first = valuesOf(all[1]);
  const std::vector<double> last = valuesOf(all.back());
  ASSERT_EQ(first.size(), 6u) << all[1];
  ASSERT_EQ(last.size(), 6u) << all.back();
  for (std::size_t k = 0; k < 6; ++k) {
    // Within the noise (a few hundredths of the level) of where the run settles.
    EXPECT_NEAR(first[k], last[k], 0.02 * std::fabs(last[k]) + 0.01) << "value " << k << ": " << all[1];
  }
}

// Two programs in one folder, as a second click on the icon would start them.
TEST(Program, ASecondProgramInTheFolderIsRefusedAndTheFirstFileIsWhole) {
  test::TempDir dir;
  test::writeBytes(dir.file("kelmo.ini"), kEmptySettings);
  Program first(dir, {"--headless", "--duration", "3"});
  ASSERT_TRUE(first.waitForOutput("DataStep=")) << first.out() << first.err();

  // The one simulated module is busy.
  Program sameModule(dir, {"--headless", "--duration", "1"});
  EXPECT_EQ(sameModule.wait(), 2);
  EXPECT_NE(sameModule.err().find("Не удалось обнаружить модуль E-154 в первых 127 виртуальных слотах!"),
            std::string::npos)
      << sameModule.err();
  EXPECT_EQ(sameModule.out().find("Create file"), std::string::npos) << sameModule.out();

  // A second module, in slot 1: the data file is the first program's.
  Program secondModule(dir, {"--headless", "--duration", "1"}, {"KELMO_SIM=slot=1"});
  EXPECT_EQ(secondModule.wait(), 2);
  EXPECT_NE(secondModule.out().find(" OpenLDevice(1) --> OK\n"), std::string::npos) << secondModule.out();
  EXPECT_NE(secondModule.out().find("Файл test.dat: его уже пишет другая программа\n"), std::string::npos)
      << secondModule.out();
  EXPECT_NE(secondModule.err().find("Не могу создать файл Test.dat для записи собираемых данных!"),
            std::string::npos)
      << secondModule.err();

  ASSERT_EQ(first.wait(), 0) << first.err();
  const std::vector<std::string> all = lines(test::readBytes(dir.file("test.dat")), "\r\n");
  ASSERT_GE(all.size(), 6u);
  EXPECT_TRUE(isHeader(all[0])) << all[0];
  for (std::size_t i = 1; i < all.size(); ++i) {
    EXPECT_FALSE(isHeader(all[i])) << "line " << i;
    EXPECT_EQ(valuesOf(all[i]).size(), 6u) << "line " << i << ": " << all[i];
  }
}

TEST(Program, AKilledProgramFreesTheModuleAndTheDataFile) {
  test::TempDir dir;
  test::writeBytes(dir.file("kelmo.ini"), kEmptySettings);
  {
    Program holder(dir, {"--headless"});
    ASSERT_TRUE(holder.waitForOutput("DataStep=")) << holder.out() << holder.err();
    holder.kill();
  }
  Program next(dir, {"--headless", "--duration", "1"});
  EXPECT_EQ(next.wait(), 0) << next.out() << next.err();
  EXPECT_NE(next.out().find(" OpenLDevice(0) --> OK\n"), std::string::npos) << next.out();
  EXPECT_NE(next.out().find(" Create file Test.dat ... OK\n"), std::string::npos) << next.out();
}

}  // namespace
}  // namespace kelmo
