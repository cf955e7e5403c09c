#include "convert/skip_done.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

void setModified(const std::string& path, time_t secondsFromNow) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = time(nullptr) + secondsFromNow;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class SkipDoneTest : public ::testing::Test {
 protected:
  SkipDoneTest() {
    options_.inputFolder = in_.folder();
    options_.outputFolder = out_.folder();
    options_.elementReport = true;
    options_.rollupMinutes = 15;
    writeFile(in_.file("day_DAT"), generateSampleDay(4, "08/18/2021", 1, 30).bytes);
    setModified(in_.file("day_DAT"), -100);
  }
  void writeOutputs(const std::vector<std::string>& names, time_t secondsFromNow) {
    for (const std::string& name : names) {
      writeFile(out_.file(name), "x");
      setModified(out_.file(name), secondsFromNow);
    }
  }
  const std::vector<std::string> outputs_ = {"PELMA20Sec_Element_08182021.csv",
                                             "Rollup_Lanes_15min_2021-08-18.csv",
                                             "Rollup_Stations_15min_2021-08-18.csv"};
  TempDir in_, out_;
  RunOptions options_;
};

TEST_F(SkipDoneTest, UpToDateOnlyWhenEveryRequestedOutputIsThereAndNewer) {
  DoneCheck none = checkDone(options_, "day_DAT");
  EXPECT_FALSE(none.upToDate);
  EXPECT_EQ(none.date, "2021-08-18");
  EXPECT_EQ(none.outputs, outputs_);  // named from the header's date

  writeOutputs({outputs_[0], outputs_[1]}, 0);
  EXPECT_FALSE(checkDone(options_, "day_DAT").upToDate);  // one missing
  writeOutputs({outputs_[2]}, -200);
  EXPECT_FALSE(checkDone(options_, "day_DAT").upToDate);  // one older
  writeOutputs({outputs_[2]}, 0);
  EXPECT_TRUE(checkDone(options_, "day_DAT").upToDate);
  setModified(out_.file(outputs_[2]), -100);  // as old as the data file: not newer
  EXPECT_FALSE(checkDone(options_, "day_DAT").upToDate);
  setModified(out_.file(outputs_[2]), 0);

  // Another option set asks for other files.
  RunOptions more = options_;
  more.healthReport = true;
  EXPECT_FALSE(checkDone(more, "day_DAT").upToDate);
  more = options_;
  more.compression = Compression::Gzip;
  EXPECT_FALSE(checkDone(more, "day_DAT").upToDate);
  more = options_;
  more.singlePeriod = true;  // the Element report's _P name
  EXPECT_FALSE(checkDone(more, "day_DAT").upToDate);

  // A day converted before --pages was asked for is converted again for its
  // page, and is up to date once the page is there and newer.
  more = options_;
  more.pages = true;
  DoneCheck paged = checkDone(more, "day_DAT");
  EXPECT_FALSE(paged.upToDate);
  EXPECT_EQ(paged.outputs.back(), "Day_2021-08-18.html");
  writeOutputs({"Day_2021-08-18.html"}, 0);
  EXPECT_TRUE(checkDone(more, "day_DAT").upToDate);
}

TEST_F(SkipDoneTest, UnreadableOrDatelessFilesAreNeverUpToDate) {
  writeOutputs(outputs_, 0);
  ASSERT_TRUE(checkDone(options_, "day_DAT").upToDate);
  EXPECT_FALSE(checkDone(options_, "missing_DAT").upToDate);
  mkdir(in_.file("folder_DAT").c_str(), 0755);
  EXPECT_FALSE(checkDone(options_, "folder_DAT").upToDate);
  writeFile(in_.file("empty_DAT"), "");
  EXPECT_FALSE(checkDone(options_, "empty_DAT").upToDate);
  writeFile(in_.file("noise_DAT"), "Data Start = 2021-08-18\r\n");
  DoneCheck noise = checkDone(options_, "noise_DAT");
  EXPECT_FALSE(noise.upToDate);
  EXPECT_EQ(noise.date, "");
}

TEST_F(SkipDoneTest, FilesOfOneDateAreConvertedTogether) {
  writeFile(in_.file("later_DAT"), generateSampleDay(4, "08/18/2021", 2, 30).bytes);
  writeFile(in_.file("other_DAT"), generateSampleDay(4, "08/19/2021", 2, 30).bytes);
  setModified(in_.file("later_DAT"), -100);
  setModified(in_.file("other_DAT"), -100);
  writeOutputs(outputs_, 0);
  writeOutputs({"PELMA20Sec_Element_08192021.csv", "Rollup_Lanes_15min_2021-08-19.csv",
                "Rollup_Stations_15min_2021-08-19.csv"},
               0);
  const std::vector<std::string> names = {"day_DAT", "later_DAT", "other_DAT"};
  std::vector<DoneCheck> checks = checkAllDone(options_, names);
  EXPECT_TRUE(checks[0].upToDate && checks[1].upToDate && checks[2].upToDate);
  // The earlier file of 08/18 changed: the later one is converted after it
  // again, so that its outputs stand as in a full run.
  setModified(in_.file("day_DAT"), 10);
  checks = checkAllDone(options_, names);
  EXPECT_FALSE(checks[0].upToDate);
  EXPECT_FALSE(checks[1].upToDate);
  EXPECT_TRUE(checks[2].upToDate);
}

}  // namespace
}  // namespace loopconv
