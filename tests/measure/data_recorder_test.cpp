#include "measure/data_recorder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "measure/data_file.h"
#include "platform/cp1251.h"
#include "platform/date_time.h"
#include "platform/text_format.h"

namespace kelmo {
namespace {

namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400.0;

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool openFile(const std::string& fileName) {
  std::string reason;
  return openDataFile(fileName, reason);
}

class DataRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDecimalSeparator('.');
    setTimeSeparator(':');
    dir_ = fs::temp_directory_path() / ("kelmo_recorder_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    clockNow_ = encodeDateTime({2026, 12, 10, 6, 21, 0, 395});
    setClock([this] { return clockNow_; });
  }
  void TearDown() override {
    closeDataFile();
    setClock({});
    fs::remove_all(dir_);
  }
  fs::path file(const std::string& name) const { return dir_ / name; }

  fs::path dir_;
  TDateTime clockNow_ = 0;
};

TEST_F(DataRecorderTest, ValueFields) {
  struct Case {
    double value;
    const char* field;
  };
  const Case cases[] = {
      {2.5, "2.500 "},
      {-12.3456, "-12.346 "},  // five is only the least width
      {0.0, "0.000 "},
      {12345.6789, "12345.679 "},
      {std::numeric_limits<double>::infinity(), "INF   "},
      {-std::numeric_limits<double>::infinity(), "-INF  "},
      {std::numeric_limits<double>::quiet_NaN(), "NAN   "},
      {-std::numeric_limits<double>::quiet_NaN(), "-NAN  "},
      {std::numeric_limits<double>::signaling_NaN(), "?????? "},
      {std::bit_cast<double>(std::uint64_t{0xFFF0000000000001ull}), "?????? "},
  };
  for (const Case& c : cases) EXPECT_EQ(valueField(c.value), c.field) << c.field;
  setDecimalSeparator(',');
  EXPECT_EQ(valueField(2.5), "2,500 ");
}

TEST_F(DataRecorderTest, HeaderAndDataLineForms) {
  EXPECT_EQ(headerLine(clockNow_), utf8ToCp1251("Начинаю сбор данных: ") + "2026:12:10 06:21:00\r\n");
  EXPECT_EQ(dataLine(clockNow_, {1, 2, 3, 4, 5, 6}),
            "21:00:395 " + formatGeneral(clockNow_) + " 1.000 2.000 3.000 4.000 5.000 6.000 \r\n");
  setTimeSeparator('.');
  EXPECT_EQ(dataLine(clockNow_, {0, 0, 0, 0, 0, -0.5}).substr(0, 10), "21.00.395 ");
}

TEST_F(DataRecorderTest, HoldsSevenHundredCharactersForThirtySeconds) {
  ASSERT_TRUE(openFile(file("d.dat").string()));
  DataRecorder recorder;
  recorder.begin();
  const std::string header = headerLine(clockNow_);
  recorder.append(std::string(700 - header.size(), 'x'));
  ASSERT_EQ(recorder.held(), 700u);
  EXPECT_TRUE(recorder.writeOut(false));
  EXPECT_EQ(fileBytes(file("d.dat")), "");  // exactly 700: held

  recorder.append("y");
  EXPECT_TRUE(recorder.writeOut(false));
  EXPECT_EQ(fileBytes(file("d.dat")).size(), 701u);  // 701: written in one piece
  EXPECT_EQ(recorder.held(), 0u);

  recorder.append("short line\r\n");
  clockNow_ += 29.999 * kSecond;
  EXPECT_TRUE(recorder.writeOut(false));
  EXPECT_EQ(fileBytes(file("d.dat")).size(), 701u);
  clockNow_ += 0.001 * kSecond;  // 30 seconds since the start: every line goes at once
  EXPECT_TRUE(recorder.writeOut(false));
  EXPECT_EQ(fileBytes(file("d.dat")).size(), 701u + 12u);

  recorder.append("z");
  EXPECT_TRUE(recorder.writeOut(false));
  EXPECT_EQ(fileBytes(file("d.dat")).size(), 714u);
}

TEST_F(DataRecorderTest, ForceWritesWhateverIsHeld) {
  ASSERT_TRUE(openFile(file("d.dat").string()));
  DataRecorder recorder;
  recorder.begin();
  recorder.append("a\r\n");
  EXPECT_TRUE(recorder.writeOut(true));
  EXPECT_EQ(fileBytes(file("d.dat")), headerLine(clockNow_) + "a\r\n");
  EXPECT_TRUE(recorder.writeOut(true));  // an empty buffer writes nothing and succeeds
}

TEST_F(DataRecorderTest, AFailedWriteDropsTheText) {
  ASSERT_TRUE(openFile("/dev/full"));
  DataRecorder recorder;
  recorder.begin();
  EXPECT_FALSE(recorder.writeOut(true));
  EXPECT_EQ(recorder.held(), 0u);
  EXPECT_TRUE(recorder.writeOut(true));
}

TEST_F(DataRecorderTest, ExistingFileIsAppendedToAndAMissingOneCreated) {
  {
    std::ofstream out(file("old.dat"), std::ios::binary);
    out << "earlier run\r\n";
  }
  ASSERT_TRUE(openFile(file("old.dat").string()));
  ASSERT_TRUE(seekDataFileEnd());
  ASSERT_TRUE(writeDataFile("next\r\n"));
  closeDataFile();
  EXPECT_EQ(fileBytes(file("old.dat")), "earlier run\r\nnext\r\n");
  EXPECT_EQ(DataFile, -1);

  ASSERT_TRUE(openFile(file("new.dat").string()));
  ASSERT_TRUE(seekDataFileEnd());
  closeDataFile();
  EXPECT_TRUE(fs::exists(file("new.dat")));
  EXPECT_EQ(fs::file_size(file("new.dat")), 0u);

  EXPECT_FALSE(openFile((file("missing_dir") / "x.dat").string()));
  EXPECT_EQ(DataFile, -1);
}

}  // namespace
}  // namespace kelmo
