// The data file's one writer: a second writer is refused while the first holds the file,
// readers are not, and a writer that dies gives the file up.
#include "measure/data_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelmo {
namespace {

namespace fs = std::filesystem;

const std::string kAnotherWriter = "его уже пишет другая программа";

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelmo_data_file_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    closeDataFile();
    fs::remove_all(dir_);
  }
  std::string path() const { return (dir_ / "test.dat").string(); }

  // A second open while DataFile is held; the first stays open and held.
  bool openSecond(std::string& reason) {
    const int first = DataFile;
    const bool opened = openDataFile(path(), reason);
    if (opened) ::close(DataFile);
    DataFile = first;
    return opened;
  }

  fs::path dir_;
};

TEST_F(DataFileTest, ASecondWriterIsRefusedUntilTheFirstCloses) {
  std::string reason;
  ASSERT_TRUE(openDataFile(path(), reason)) << reason;
  ASSERT_TRUE(writeDataFile("first\r\n"));

  EXPECT_FALSE(openSecond(reason));
  EXPECT_EQ(reason, kAnotherWriter);
  // Readers still get it.
  EXPECT_EQ(fileBytes(path()), "first\r\n");

  closeDataFile();
  ASSERT_TRUE(openDataFile(path(), reason)) << reason;
  EXPECT_TRUE(reason.empty()) << reason;
}

TEST_F(DataFileTest, WritesGoToTheEndWhateverWasAppendedMeanwhile) {
  std::string reason;
  ASSERT_TRUE(openDataFile(path(), reason)) << reason;
  ASSERT_TRUE(seekDataFileEnd());
  ASSERT_TRUE(writeDataFile("a\r\n"));
  {
    // Something that ignores the claim appends on its own.
    std::ofstream other(path(), std::ios::binary | std::ios::app);
    other << "other\r\n";
  }
  ASSERT_TRUE(writeDataFile("b\r\n"));
  closeDataFile();
  EXPECT_EQ(fileBytes(path()), "a\r\nother\r\nb\r\n");
}

TEST_F(DataFileTest, AKilledWriterGivesTheFileUp) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string reason;
    const char held = openDataFile(path(), reason) ? 'y' : 'n';
    (void)!::write(ready[1], &held, 1);
    for (;;) ::pause();  // until killed, holding the file
  }
  ::close(ready[1]);
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(held, 'y');

  std::string reason;
  EXPECT_FALSE(openDataFile(path(), reason));
  EXPECT_EQ(reason, kAnotherWriter);
  EXPECT_EQ(DataFile, -1);

  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(openDataFile(path(), reason)) << reason;
}

}  // namespace
}  // namespace kelmo
