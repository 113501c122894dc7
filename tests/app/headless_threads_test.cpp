#include "app/headless.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "acquisition/dll_version.h"
#include "app/run_script_file.h"
#include "app/script_startup.h"
#include "acquisition/module_library.h"
#include "acquisition/run_state.h"
#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "discharge/sound_choice.h"
#include "discharge/virtual_sound.h"
#include "measure/measurement.h"
#include "platform/cp1251.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRunState();
    resetMeasurement();
    previousDir_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("kelmo_headless_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
    setSettingsScriptRunner({});  // none installed: the defaults stand
  }
  void TearDown() override {
    setSettingsScriptRunner({});
    setScriptWindowFactory({});
    setModuleLibrary(nullptr);
    resetRunState();
    fs::current_path(previousDir_);
    fs::remove_all(dir_);
  }

  static void useSim(sim::SimConfig config = {}) { setModuleLibrary(std::make_shared<sim::SimLibrary>(config)); }

  // Runs headless, keeping what it wrote to standard output and standard error.
  int run(std::optional<double> seconds) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = runHeadless(seconds);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return code;
  }

  std::string out;
  std::string err;

 private:
  fs::path previousDir_;
  fs::path dir_;
};

TEST_F(HeadlessTest, RunsForTheDurationAndStopsNormally) {
  useSim();
  EXPECT_EQ(run(1.0), kHeadlessNormalStop) << err;
  EXPECT_EQ(out.rfind(" DLL Version --> OK\n", 0), 0u) << out;
  // The hint's own line breaks become lines of their own.
  EXPECT_NE(out.find("\n\n You can press ESC key to terminate the program...\n\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Дождались завершения потока контроля воздуха\n\n ReleaseLInstance() --> OK\n"
                     " ADC Thread: The program was terminated! :-)\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find('\r'), std::string::npos);
  const std::string data = fileText("test.dat");
  EXPECT_EQ(data.rfind(utf8ToCp1251("Начинаю сбор данных: "), 0), 0u);
  EXPECT_GE(countOf(data, "\r\n"), 4u);  // about five periods of 200 ms
  EXPECT_EQ(getTestState(), TestIdle);
}

class HeadlessSignalTest : public HeadlessTest, public ::testing::WithParamInterface<int> {};

TEST_P(HeadlessSignalTest, SignalStopsTheRunAndKeepsEveryLine) {
  useSim();
  std::thread sender([] {
    // The handlers are in place once the run is.
    while (getTestState() != TestRunning) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ::kill(::getpid(), GetParam());
  });
  const int code = run(std::nullopt);
  sender.join();
  EXPECT_EQ(code, kHeadlessNormalStop) << err;
  EXPECT_NE(out.find(" ADC Thread: The program was terminated! :-)\n"), std::string::npos) << out;
  // Within the first second nothing reaches the file before the last write-out; it has all.
  const std::string data = fileText("test.dat");
  EXPECT_EQ(data.rfind(utf8ToCp1251("Начинаю сбор данных: "), 0), 0u);
  EXPECT_GE(countOf(data, "\r\n"), 4u);
  EXPECT_EQ(data.substr(data.size() - 2), "\r\n");
}

// SIGHUP: the terminal or SSH session that started the run was closed.
INSTANTIATE_TEST_SUITE_P(Signals, HeadlessSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           switch (info.param) {
                             case SIGINT: return std::string("Sigint");
                             case SIGTERM: return std::string("Sigterm");
                             default: return std::string("Sighup");
                           }
                         });

// The generator a settings script started reads the parameters at every block: it has
// ended when the headless run returns, before the parameter object went.
TEST_F(HeadlessTest, TheDischargeGeneratorEndsBeforeTheParametersGo) {
  useSim();
  std::shared_ptr<VirtualSound> sound;
  setSoundStreamsFactory([&sound] {
    sound = std::make_shared<VirtualSound>(VirtualSound::Options{});
    return sound;
  });
  setSettingsScriptRunner([](const std::string&) {
    startAsymmetricDischarge();
    return true;
  });
  EXPECT_EQ(run(0.5), kHeadlessNormalStop) << err;
  ASSERT_NE(sound, nullptr);
  EXPECT_TRUE(sound->waitClosed(std::chrono::milliseconds(0)));
  endAsymmetricDischarge();
  setSoundStreamsFactory({});
}

TEST_F(HeadlessTest, AWorkerFailureIsAnotherOutcome) {
  sim::SimConfig config;
  config.faults[static_cast<std::size_t>(sim::Operation::TTL_IN)] = {sim::Fault::Mode::From, 2};
  useSim(config);
  EXPECT_EQ(run(30.0), kHeadlessOtherOutcome);
  EXPECT_NE(out.find(" ADC Thread: TTL_IN() --> Bad! :(((\n"), std::string::npos) << out;
}

TEST_F(HeadlessTest, AFailedStartIsReportedOnStandardError) {
  sim::SimConfig config;
  config.version = 0x00020001;
  useSim(config);
  EXPECT_EQ(run(1.0), kHeadlessStartFailed);
  EXPECT_NE(err.find(dllVersionMessage(0x00020001)), std::string::npos) << err;
  EXPECT_EQ(out.find("Create file"), std::string::npos);
  EXPECT_FALSE(fs::exists("test.dat"));
}

// The start-up's own runner on a kelmo.ini that stops itself with Abort: the settings made
// before it stand and the run starts.
TEST_F(HeadlessTest, ASettingsScriptThatAbortsItselfStillStartsTheRun) {
  useSim();
  installScreenlessScripts();
  std::ofstream(SettingsFileName, std::ios::binary)
      << utf8ToCp1251("begin\r\n  kelmo_params.FileName := 'aborted.dat';\r\n  Abort;\r\n"
                      "  kelmo_params.FileName := 'not_reached.dat';\r\nend.\r\n");
  EXPECT_EQ(run(0.5), kHeadlessNormalStop) << err;
  EXPECT_EQ(err.find("Не удалось инициализировать"), std::string::npos) << err;
  EXPECT_TRUE(fs::exists("aborted.dat"));
  EXPECT_FALSE(fs::exists("not_reached.dat"));
}

TEST_F(HeadlessTest, FailedSettingsScriptEndsWith123BeforeAnyRun) {
  useSim();
  setSettingsScriptRunner([](const std::string&) { return false; });
  EXPECT_EQ(run(1.0), kHeadlessSettingsFailed);
  EXPECT_EQ(out.find("DLL Version"), std::string::npos);
  EXPECT_NE(err.find("Не удалось инициализировать параметры программы"), std::string::npos) << err;
}

}  // namespace
}  // namespace kelmo
