#include "base/output_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/log.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

int countEntries(const std::string& folder) {
  int n = 0;
  for (auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++n;
  }
  return n;
}

TEST(OutputFileTest, TextLineEndsBecomeCrLfAndFileAppearsOnlyAfterClose) {
  TempDir dir;
  Log log(stdout);
  OutputFile csv;
  int error = 0;
  std::string path = dir.file("out.csv");
  ASSERT_TRUE(csv.open(path, &error));
  csv.writeText("a,b\nc\n\n");
  char* p = csv.reserve(5);
  memcpy(p, "x,y\r\n", 5);
  csv.commit(p + 5);
  EXPECT_FALSE(fileExists(path));
  ASSERT_TRUE(csv.close(log));
  EXPECT_EQ(readFile(path), "a,b\r\nc\r\n\r\nx,y\r\n");
  EXPECT_EQ(countEntries(dir.path()), 1);  // no temporary file left
  EXPECT_FALSE(log.errorLogged());
}

TEST(OutputFileTest, LargeOutputCrossesBufferBoundaries) {
  TempDir dir;
  Log log(stdout);
  OutputFile csv;
  int error = 0;
  ASSERT_TRUE(csv.open(dir.file("big.csv"), &error));
  std::string expected;
  for (int i = 0; i < 300000; ++i) {
    std::string line = std::to_string(i) + ",row\n";
    csv.writeText(line);
    expected += std::to_string(i) + ",row\r\n";
  }
  ASSERT_TRUE(csv.close(log));
  EXPECT_EQ(readFile(dir.file("big.csv")), expected);
}

TEST(OutputFileTest, OpenFailsForMissingFolderAndForFolderName) {
  TempDir dir;
  OutputFile csv;
  int error = 0;
  EXPECT_FALSE(csv.open(dir.file("missing/out.csv"), &error));
  EXPECT_EQ(error, ENOENT);
  mkdir(dir.file("taken.csv").c_str(), 0755);
  EXPECT_FALSE(csv.open(dir.file("taken.csv"), &error));
  EXPECT_EQ(error, EISDIR);
  // An existing entry that cannot be opened for writing is not replaced: a
  // socket (ENXIO), and for users other than root a read-only file (EACCES).
  std::string socketPath = dir.file("socket.csv");
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_FALSE(csv.open(socketPath, &error));
  EXPECT_EQ(error, ENXIO);
  close(fd);
  struct stat info;
  ASSERT_EQ(stat(socketPath.c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  if (geteuid() != 0) {
    std::string locked = dir.file("locked.csv");
    writeFile(locked, "kept");
    chmod(locked.c_str(), 0444);
    EXPECT_FALSE(csv.open(locked, &error));
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(readFile(locked), "kept");
  }
  // A writable file is left as it is until the new one is renamed over it.
  writeFile(dir.file("old.csv"), "old");
  ASSERT_TRUE(csv.open(dir.file("old.csv"), &error));
  EXPECT_EQ(readFile(dir.file("old.csv")), "old");
}

TEST(OutputFileTest, ReplacesAnEarlierFile) {
  TempDir dir;
  Log log(stdout);
  writeFile(dir.file("r.csv"), "old");
  OutputFile csv;
  int error = 0;
  ASSERT_TRUE(csv.open(dir.file("r.csv"), &error));
  csv.writeText("new\n");
  ASSERT_TRUE(csv.close(log));
  EXPECT_EQ(readFile(dir.file("r.csv")), "new\r\n");
}

TEST(OutputFileTest, AbandonedFileLeavesNothingBehind) {
  TempDir dir;
  {
    OutputFile csv;
    int error = 0;
    ASSERT_TRUE(csv.open(dir.file("r.csv"), &error));
    csv.writeText("partial\n");
  }
  EXPECT_EQ(countEntries(dir.path()), 0);
}

// A full disk, simulated with a file size limit in a child process: the
// write error is logged, no partial file appears, the earlier file stays.
TEST(OutputFileTest, WriteErrorKeepsEarlierFileAndLogsError) {
  TempDir dir;
  std::string path = dir.file("r.csv");
  writeFile(path, "earlier report");
  std::string logPath = dir.file("log.txt");
  int status = runWithFileSizeLimit(100000, [&] {
    Log log(stdout);
    int error = 0;
    if (!log.open(logPath, &error)) return 3;
    log.setTimeStamp("01:02:03");
    OutputFile csv;
    if (!csv.open(path, &error)) return 4;
    std::string row(99, 'x');
    row += '\n';
    for (int i = 0; i < 5000; ++i) csv.writeText(row);
    bool ok = csv.close(log);
    log.close();
    return ok ? 5 : (log.errorLogged() ? 0 : 6);
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(path), "earlier report");
  EXPECT_EQ(readFile(logPath), "[01:02:03] E Could not write data file [" + path +
                                   "]! - Error = [" + std::to_string(EFBIG) + "].\n");
  EXPECT_EQ(countEntries(dir.path()), 2);
}

}  // namespace
}  // namespace loopconv
