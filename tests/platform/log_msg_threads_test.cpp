#include "platform/log_msg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/date_time.h"
#include "platform/main_thread_queue.h"
#include "platform/text_format.h"

namespace kelmo {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

class LogMsg : public ::testing::Test {
 protected:
  void SetUp() override {
    // CTest runs the tests of this file in parallel processes: each gets its own file.
    errorFile_ = ::testing::TempDir() + "kelmo_log_msg_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                 std::to_string(::getpid()) + ".error";
    std::remove(errorFile_.c_str());
    setErrorFilePath(errorFile_);
    setDecimalSeparator('.');
    registerMainWindow(&queue_, std::this_thread::get_id());
  }
  void TearDown() override {
    registerMainWindow(nullptr, {});
    setErrorFilePath("");
    setClock({});
    std::remove(errorFile_.c_str());
  }

  std::vector<std::string> console_;
  std::vector<int> keys_;
  MainThreadQueue queue_{[this](const std::string& l) { console_.push_back(l); },
                         [this](int k) { keys_.push_back(k); }};
  std::string errorFile_;
};

TEST_F(LogMsg, LinesOfEachThreadArriveInOrder) {
  constexpr int kLines = 200;
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t)
    workers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) postLogMsg(std::to_string(t) + ":" + std::to_string(i));
    });
  for (auto& w : workers) w.join();
  logMsg("");  // the main thread's own line, empty lines included
  queue_.processPendingMessages();

  ASSERT_EQ(console_.size(), 3u * kLines + 1);
  EXPECT_EQ(console_.front(), "");
  int next[3] = {0, 0, 0};
  for (std::size_t i = 1; i < console_.size(); ++i) {
    const int t = console_[i][0] - '0';
    EXPECT_EQ(console_[i], std::to_string(t) + ":" + std::to_string(next[t]));
    ++next[t];
  }
}

TEST_F(LogMsg, ARefusedLineGoesToTheErrorFileAndOnlyTheLastOneStays) {
  setClock([] { return encodeDateTime({2026, 12, 10, 5, 41, 7, 0}); });
  queue_.setRefusing(true);
  postLogMsg("first");
  postLogMsg("say \"hi\"");
  const std::string expected = shortDateText(now()) + " " + longTimeText(now()) + " cannot log msg \"say \"hi\"\"";
  EXPECT_EQ(readFile(errorFile_), expected);
  queue_.processPendingMessages();
  EXPECT_TRUE(console_.empty());
}

TEST_F(LogMsg, AtMidnightSharpTheFallbackLineHasNoTime) {
  setClock([] { return encodeDateTime({2026, 12, 10, 0, 0, 0, 0}); });
  queue_.setRefusing(true);
  postLogMsg("x");
  EXPECT_EQ(readFile(errorFile_), shortDateText(now()) + " cannot log msg \"x\"");
}

TEST_F(LogMsg, LinesForAClosingWindowAreNeitherShownNorWrittenToTheErrorFile) {
  queue_.setDestroying(true);
  postLogMsg("late");
  queue_.processPendingMessages();
  EXPECT_TRUE(console_.empty());
  EXPECT_TRUE(readFile(errorFile_).empty());
}

TEST_F(LogMsg, AnUnwritableErrorFileIsReportedToTheCaller) {
  setErrorFilePath(::testing::TempDir() + "no/such/folder/kelmo.error");
  queue_.setRefusing(true);
  EXPECT_THROW(postLogMsg("lost"), std::runtime_error);
}

TEST_F(LogMsg, KeyNotificationsReachTheKeyHandler) {
  std::thread worker([] {
    postKeyNotification(kKeyEnter);
    postKeyNotification(kKeyEscape);
  });
  worker.join();
  ASSERT_TRUE(queue_.waitForMessage(std::chrono::milliseconds(1000)));
  queue_.processPendingMessages();
  EXPECT_EQ(keys_, (std::vector<int>{13, 27}));
}

}  // namespace
}  // namespace kelmo
