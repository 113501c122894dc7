// A start-up whose settings step fails ends with exit code 123 and shows no main window.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct ProcessResult {
  int exitCode = -1;
  std::string output;
};

ProcessResult runProbe() {
  ProcessResult result;
  const std::string command = std::string("QT_QPA_PLATFORM=offscreen ") + KELMO_STARTUP_PROBE + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) result.output += buffer.data();
  const int status = pclose(pipe);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

TEST(Startup, FailedSettingsEndWithCode123AndNoMainWindow) {
  const ProcessResult result = runProbe();
  EXPECT_EQ(result.exitCode, 123) << result.output;
  EXPECT_NE(result.output.find("box: Error | Не удалось инициализировать параметры программы"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("main window: none"), std::string::npos) << result.output;
}

}  // namespace
