#include "convert/driver.h"

#include <sys/stat.h>

#include <cerrno>

#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

const char kBanner[] =
    "\n"
    "[12:34:56] - Welcome to the loopconv twenty-second loop detector data converter\n"
    "           Written by the loopconv developers\n"
    "[12:34:56] - Version = 1.23+\n";

struct RunResult {
  ExitStatus status;
  std::string console;
  std::string errors;
};

RunResult run(std::vector<std::string> args, FakePlatform& platform) {
  CapturedConsole console;
  CapturedConsole errors;
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  ExitStatus status = runConverter(static_cast<int>(argv.size()), argv.data(), platform,
                                   console.stream(), errors.stream());
  return {status, console.text(), errors.text()};
}

std::string logOf(const TempDir& dir, const std::string& name = "ConvertorLog08182021.txt") {
  return readFile(dir.file(name));
}

TEST(DriverTest, HelpWritesNoLogAndExitsZero) {
  TempDir dir;
  FakePlatform platform;
  platform.cwd = dir.path();
  RunResult r = run({"loopconv", "-?"}, platform);
  EXPECT_EQ(r.status, ExitStatus::Ok);
  EXPECT_EQ(r.console.substr(0, sizeof kBanner - 1), kBanner);
  EXPECT_NE(r.console.find("Command separators - / upper or lower case"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("ConvertorLog08182021.txt")));
}

// A lone --help prints its text alone, as --version does (help2man reads it).
TEST(DriverTest, LoneHelpPrintsItsTextWithoutTheBanner) {
  TempDir dir;
  FakePlatform platform;
  platform.cwd = dir.path();
  RunResult r = run({"loopconv", "--help"}, platform);
  EXPECT_EQ(r.status, ExitStatus::Ok);
  EXPECT_EQ(r.console.rfind("Usage: loopconv ", 0), 0u) << r.console;
  EXPECT_EQ(r.errors, "");
  RunResult later = run({"loopconv", "-E", "--help"}, platform);
  EXPECT_EQ(later.console.substr(0, sizeof kBanner - 1), kBanner);
  EXPECT_NE(later.console.find("Usage: loopconv "), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("ConvertorLog08182021.txt")));
}

TEST(DriverTest, CommandLineErrorWritesNoLogAndExitsTwo) {
  TempDir dir;
  FakePlatform platform;
  platform.cwd = dir.path();
  RunResult r = run({"loopconv", "-P0:00:20"}, platform);
  EXPECT_EQ(r.status, ExitStatus::CommandLineError);
  EXPECT_EQ(r.console,
            std::string(kBanner) + "\tOption -P, String = 0:00:20\n" +
                "     E Illegal 'P' syntax -- too long, too short, or missing ':'!\n" +
                "\tOption -P[\"timeperiod\"] Output a single time period (-P\"00:00:00\" (:20, "
                ":40))\n" +
                "[12:34:56] E Error on command line!\n");
  EXPECT_EQ(r.errors,
            "loopconv: Illegal 'P' syntax -- too long, too short, or missing ':'!\n"
            "loopconv: Error on command line!\n");
  EXPECT_FALSE(fileExists(dir.file("ConvertorLog08182021.txt")));
}

TEST(DriverTest, EmptyFolderWithDefaultsLogsNoInputFile) {
  TempDir dir;
  FakePlatform platform;
  platform.cwd = dir.path();
  platform.tickStep = 1234;  // one tick reading at the start, one at the end
  RunResult r = run({"loopconv"}, platform);
  const std::string folder = dir.folder();
  EXPECT_EQ(r.status, ExitStatus::RunError);
  EXPECT_EQ(r.console,
            std::string(kBanner) + "Usage: loopconv /? for help\n" +
                "Using defaults, processing files in current folder, only printing Element "
                "Data.\n" +
                "[12:34:56] - Commands: \n" + "[12:34:56] - Reading folder [" + folder + "]\n" +
                "[12:34:56] - Writing folder [" + folder + "]\n" + "[12:34:56] - Logging folder [" +
                folder + "]\n" +
                "Finished converting 0 .DAT Files and 0 .LST Files in [1.2] seconds.\n");
  EXPECT_EQ(logOf(dir),
            "\n[12:34:56] - Version = 1.23+\n"
            "[12:34:56] - Commands: \n"
            "[12:34:56] - Reading folder [" +
                folder + "]\n" + "[12:34:56] - Writing folder [" + folder + "]\n" +
                "[12:34:56] - Logging folder [" + folder + "]\n" +
                "[12:34:56] E Found no input file.\n" +
                "[12:34:56] - Finished converting 0 .DAT Files and 0 .LST Files in [1.2] "
                "seconds.\n\n");
}

TEST(DriverTest, PicksDataFilesOrListFilesByName) {
  TempDir in, out, logs;
  writeFile(in.file("day.DAT"), "");
  writeFile(in.file("day.dat"), "");
  writeFile(in.file("LIST.LST"), "");
  FakePlatform platform;
  std::vector<std::string> args = {"loopconv", "-I" + in.path(), "-O" + out.path(),
                                   "-F" + logs.path()};
  RunResult data = run(args, platform);
  EXPECT_NE(data.console.find("Finished converting 1 .DAT Files and 0 .LST Files"),
            std::string::npos);
  EXPECT_NE(data.console.find("Processing data file [day.DAT]"), std::string::npos);
  EXPECT_EQ(data.console.find("day.dat"), std::string::npos);

  args.push_back("-M");
  RunResult meta = run(args, platform);
  EXPECT_NE(meta.console.find("[12:34:56] - Commands: M \n"), std::string::npos);
  EXPECT_NE(meta.console.find("Finished converting 0 .DAT Files and 1 .LST Files"),
            std::string::npos);
  EXPECT_EQ(meta.console.find("Processing data file"), std::string::npos);

  // Both runs appended to the one log of the day.
  std::string log = logOf(logs);
  EXPECT_NE(log.find("Finished converting 1 .DAT Files and 0 .LST Files"), std::string::npos);
  EXPECT_NE(log.find("Finished converting 0 .DAT Files and 1 .LST Files"), std::string::npos);
  EXPECT_EQ(log.find("Found no input file"), std::string::npos);
}

TEST(DriverTest, SubFolderNamedLikeADataFileIsCounted) {
  TempDir in, logs;
  mkdir(in.file("sub.DAT").c_str(), 0755);
  FakePlatform platform;
  RunResult r = run({"loopconv", "-I" + in.path(), "-O" + in.path(), "-F" + logs.path()}, platform);
  EXPECT_NE(r.console.find("Finished converting 1 .DAT Files and 0 .LST Files"), std::string::npos);
}

TEST(DriverTest, LogFileFollowsTheDate) {
  TempDir in, logs;
  FakePlatform platform;
  std::vector<std::string> args = {"loopconv", "-I" + in.path(), "-F" + logs.path()};
  run(args, platform);
  run(args, platform);
  platform.date = "01/02/26";
  run(args, platform);
  std::string first = logOf(logs);
  size_t runs = 0;
  for (size_t at = first.find("Version = 1.23+"); at != std::string::npos;
       at = first.find("Version = 1.23+", at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, 2u);
  EXPECT_TRUE(fileExists(logs.file("ConvertorLog01022026.txt")));
}

TEST(DriverTest, MissingInputFolderEndsWithoutSummary) {
  TempDir logs;
  FakePlatform platform;
  std::string missing = logs.file("no-such-folder");
  RunResult r = run({"loopconv", "-I" + missing, "-F" + logs.path()}, platform);
  EXPECT_EQ(r.status, ExitStatus::RunError);
  std::string log = logOf(logs);
  EXPECT_NE(log.find("[12:34:56] E Source Directory [" + missing + "/] not found!\n"),
            std::string::npos);
  EXPECT_EQ(log.find("Finished converting"), std::string::npos);
  EXPECT_EQ(r.console.find("Finished converting"), std::string::npos);
}

TEST(DriverTest, UnopenableLogFolder) {
  TempDir dir;
  FakePlatform platform;
  std::string missing = dir.file("missing");
  RunResult r = run({"loopconv", "-F" + missing, "-I" + dir.path()}, platform);
  EXPECT_EQ(r.status, ExitStatus::RunError);
  std::string tail = "     E Could not open log file [" + missing +
                     "/ConvertorLog08182021.txt] - Error = [2]!\n"
                     "\n[12:34:56] E Log file failed.  [0]\n";
  ASSERT_GE(r.console.size(), tail.size());
  EXPECT_EQ(r.console.substr(r.console.size() - tail.size()), tail);
  // A scheduler mailing standard error sees why (not the "Log file failed" line).
  EXPECT_EQ(r.errors, "loopconv: Could not open log file [" + missing +
                          "/ConvertorLog08182021.txt] - Error = [2]!\n");

  // A log folder that is a file.
  writeFile(dir.file("plain"), "x");
  RunResult f = run({"loopconv", "-F" + dir.file("plain"), "-I" + dir.path()}, platform);
  EXPECT_EQ(f.status, ExitStatus::RunError);
  EXPECT_NE(f.console.find("Error = [20]!"), std::string::npos);  // ENOTDIR
}

TEST(DriverTest, LogPathLongerThanAPathIsRefused) {
  TempDir dir;
  FakePlatform platform;
  std::string folder = "/" + std::string(250, 'f');  // fits as a folder, not with the name
  RunResult r = run({"loopconv", "-F" + folder, "-I" + dir.path()}, platform);
  EXPECT_EQ(r.status, ExitStatus::RunError);
  EXPECT_NE(r.console.find("     E Log file path [" + folder +
                           "/ConvertorLog08182021.txt] is longer than 259 characters!\n"),
            std::string::npos);
  EXPECT_EQ(r.errors, "loopconv: Log file path [" + folder +
                          "/ConvertorLog08182021.txt] is longer than 259 characters!\n");
}

// A full disk: the metadata CSV cannot be written, the run goes on to its
// summary and ends with status 1; the log (small) still has every line.
TEST(DriverTest, WriteErrorOnAFullDiskGivesStatusOne) {
  TempDir in, out, logs;
  std::string list = "Cabinet list - 08/18/2021\r\n";
  std::string cabinet = "005es17329" + std::string(87, ' ') + "\r\n";
  for (int i = 0; i < 5000; ++i) list += cabinet;  // 160 000 bytes of CSV rows
  writeFile(in.file("a.LST"), list);
  std::vector<std::string> args = {"loopconv", "-M", "-I" + in.path(), "-O" + out.path(),
                                   "-F" + logs.path()};
  int status = runWithFileSizeLimit(50000, [&] {
    FakePlatform platform;
    return static_cast<int>(run(args, platform).status);
  });
  EXPECT_EQ(status, static_cast<int>(ExitStatus::RunError));
  std::string log = logOf(logs);
  EXPECT_NE(log.find("[12:34:56] E Could not write data file [" + out.folder() +
                     "LUMO_08_18_2021.CSV]! - Error = [" + std::to_string(EFBIG) + "].\n" +
                     "[12:34:56] - Completed processing of List File [a.LST] in [0.0] seconds.\n"
                     "[12:34:56] - Finished converting 0 .DAT Files and 1 .LST Files in [0.0] "
                     "seconds.\n\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(fileExists(out.file("LUMO_08_18_2021.CSV")));

  // Without the limit the same run is clean.
  FakePlatform platform;
  EXPECT_EQ(run(args, platform).status, ExitStatus::Ok);
  std::string csv =
      "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,Stations,"
      "Speedtraps,Meteredlanes,Status\r\n";
  for (int i = 0; i < 5000; ++i) csv += "005es17329,,0,,, ,,,0,0,0,0,0,\r\n";
  EXPECT_EQ(readFile(out.file("LUMO_08_18_2021.CSV")), csv);
}

TEST(DriverTest, HostileArgumentsDoNotCrash) {
  TempDir dir;
  FakePlatform platform;
  platform.cwd = dir.path();
  std::string huge(100000, 'z');
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"loopconv", ""},
                                             {"loopconv", "/"},
                                             {"loopconv", "-" + huge},
                                             {"loopconv", "-P" + huge},
                                             {"loopconv", "-D" + huge},
                                             {"loopconv", "-I" + huge},
                                             {"loopconv", "-\x80\xff\x01"}}) {
    RunResult r = run(args, platform);
    EXPECT_TRUE(r.status == ExitStatus::CommandLineError || r.status == ExitStatus::RunError)
        << args[1].size();
  }
}

}  // namespace
}  // namespace loopconv
