// Replacing a file whole: the new content arrives complete or the old one stays untouched,
// and no temporary file is left behind either way.
#include "platform/replace_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace kelmo {
namespace {

namespace fs = std::filesystem;

class ReplaceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("kelmo-replace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const char* name) const { return (folder_ / name).string(); }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void write(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  // Names in the folder: a failed or finished replace leaves only the target.
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder_)) result.push_back(entry.path().filename().string());
    return result;
  }

  fs::path folder_;
};

TEST_F(ReplaceFile, CreatesAMissingFileAndReplacesAnExistingOneWhole) {
  const std::string file = path("kelmo.ini");
  ASSERT_FALSE(replaceFileAtomically(file, "first\r\n"));
  EXPECT_EQ(read(file), "first\r\n");

  write(file, std::string(10000, 'x'));
  ASSERT_FALSE(replaceFileAtomically(file, "end.\r\n"));
  EXPECT_EQ(read(file), "end.\r\n");
  ASSERT_FALSE(replaceFileAtomically(file, ""));
  EXPECT_EQ(read(file), "");
  EXPECT_EQ(names(), std::vector<std::string>{"kelmo.ini"});
}

TEST_F(ReplaceFile, AFailureBeforeWritingLeavesTheOldFile) {
  const std::string folderTarget = path("folder.ini");
  fs::create_directory(folderTarget);
  const std::error_code overFolder = replaceFileAtomically(folderTarget, "end.");
  EXPECT_EQ(overFolder, std::errc::is_a_directory);
  EXPECT_TRUE(fs::is_directory(folderTarget));

  const std::error_code noFolder = replaceFileAtomically(path("missing/kelmo.ini"), "end.");
  EXPECT_EQ(noFolder, std::errc::no_such_file_or_directory);
  EXPECT_EQ(names(), std::vector<std::string>{"folder.ini"});
}

#ifndef _WIN32
// A disk that fills up in the middle of the write: the process's file size limit stops the
// write after the first bytes, as a full file system would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(ReplaceFile, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
  const std::string file = path("kelmo.ini");
  const std::string old = "begin\r\n  with kelmo_params do DATA_QUERY_PERIOD_MS := 100;\r\nend.\r\n";
  write(file, old);
  std::error_code error;
  {
    const FileSizeLimit limit(16);
    error = replaceFileAtomically(file, std::string(4096, 'n'));
  }
  EXPECT_EQ(error, std::errc::file_too_large);
  EXPECT_EQ(read(file), old);
  EXPECT_EQ(names(), std::vector<std::string>{"kelmo.ini"});
}

TEST_F(ReplaceFile, TheNewFileKeepsTheOldFilesPermissions) {
  const std::string file = path("kelmo.ini");
  write(file, "old");
  ::chmod(file.c_str(), 0600);
  ASSERT_FALSE(replaceFileAtomically(file, "new"));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}
#endif

}  // namespace
}  // namespace kelmo
