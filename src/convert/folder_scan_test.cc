#include "convert/folder_scan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

std::vector<std::string> scanOf(const TempDir& dir, const char* mark, Log& log) {
  FakePlatform platform;
  std::vector<std::string> top;
  int error = 0;
  EXPECT_TRUE(platform.listFolder(dir.folder(), &top, &error));
  return scanSubFolders(platform, dir.folder(), top, mark, log);
}

TEST(FolderScanTest, DepthFirstInSortedOrderOnlyRegularFiles) {
  TempDir dir;
  for (const char* folder : {"2021-09", "2021-10", "2021-10/late", "DATA_2021", "empty"}) {
    mkdir(dir.file(folder).c_str(), 0755);
  }
  for (const char* file :
       {"top_DAT", "2021-10/b_DAT", "2021-10/a_DAT", "2021-10/late/c_DAT", "2021-09/z_DAT",
        "2021-09/list.LST", "DATA_2021/notes.txt", "DATA_2021/x_DAT", "2021-10/a_dat"}) {
    writeFile(dir.file(file), "x");
  }
  mkfifo(dir.file("2021-09/pipe_DAT").c_str(), 0644);              // never opened
  ASSERT_EQ(symlink("2021-10", dir.file("loop_DAT").c_str()), 0);  // a folder: not followed
  ASSERT_EQ(symlink("top_DAT", dir.file("link_DAT").c_str()), 0);  // a file: taken
  CapturedConsole console;
  Log log(console.stream());
  EXPECT_EQ(
      scanOf(dir, "DAT", log),
      (std::vector<std::string>{"2021-09/z_DAT", "2021-10/a_DAT", "2021-10/b_DAT",
                                "2021-10/late/c_DAT", "DATA_2021/x_DAT", "link_DAT", "top_DAT"}));
  EXPECT_EQ(scanOf(dir, "LST", log), std::vector<std::string>{"2021-09/list.LST"});
  EXPECT_FALSE(log.errorLogged());
}

TEST(FolderScanTest, AnUnreadableSubFolderIsAnErrorAndTheRestIsScanned) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  TempDir dir;
  mkdir(dir.file("closed").c_str(), 0755);
  writeFile(dir.file("closed/a_DAT"), "x");
  writeFile(dir.file("open_DAT"), "x");
  chmod(dir.file("closed").c_str(), 0);
  CapturedConsole console, errors;
  Log log(console.stream(), errors.stream());
  EXPECT_EQ(scanOf(dir, "DAT", log), std::vector<std::string>{"open_DAT"});
  chmod(dir.file("closed").c_str(), 0755);
  EXPECT_EQ(errors.text(),
            "loopconv: Could not read folder [" + dir.folder() + "closed/]! - Error = [13].\n");
}

TEST(FolderScanTest, OutputFoldersMirrorTheInputFolders) {
  TempDir out;
  RunOptions options;
  options.outputFolder = out.folder();
  EXPECT_EQ(outputFolderFor(options, "day_DAT"), out.folder());
  EXPECT_EQ(outputFolderFor(options, "2021/08/day_DAT"), out.folder() + "2021/08/");

  writeFile(out.file("taken"), "a file where a folder should go");
  CapturedConsole console, errors;
  Log log(console.stream(), errors.stream());
  makeOutputFolders(out.folder(),
                    {"top_DAT", "2021/08/a_DAT", "2021/08/b_DAT", "2021/09/c_DAT", "taken/d_DAT"},
                    log);
  struct stat info;
  for (const char* folder : {"2021", "2021/08", "2021/09"}) {
    ASSERT_EQ(stat(out.file(folder).c_str(), &info), 0) << folder;
    EXPECT_TRUE(S_ISDIR(info.st_mode)) << folder;
  }
  // A file in the way: the outputs of that folder's files will fail to open
  // and say so; mkdir itself finds the name taken.
  EXPECT_EQ(errors.text(), "");
}

}  // namespace
}  // namespace loopconv
