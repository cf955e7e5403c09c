#include "convert/list_file_conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/test_support.h"
#include "convert/driver.h"
#include "gtest/gtest.h"
#include "metadata/cabinet_test_lines.h"
#include "sample/cabinet_list_writer.h"

namespace loopconv {
namespace {

const char kHeader[] =
    "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,"
    "Stations,Speedtraps,Meteredlanes,Status\r\n";

// A full cabinet line with the given device, port text and location.
std::string cabinetLine(const std::string& device, const std::string& port = "     12",
                        const std::string& location = "ELM ST, NORTH") {
  return Line()
      .put(0, device)
      .put(11, "CB17329")
      .put(19, port)
      .put(27, "  17")
      .put(32, "I-35W")
      .put(44, "N")
      .put(46, " 12.34")
      .put(54, location)
      .put(71, "  3")
      .put(75, " 14")
      .put(79, " 4")
      .put(82, " 2")
      .put(85, " 1")
      .put(88, "ACTIVE   ")
      .text;
}

// The CSV row of cabinetLine() (CR LF included).
std::string cabinetRow(const std::string& device, int port = 12,
                       const std::string& location = "ELM ST- NORTH") {
  return device + ",CB17329," + std::to_string(port) + ",17,I-35W,N,12.34," + location +
         ",3,14,4,2,1,ACTIVE\r\n";
}

// The list start time (the platform's clock) and the run's time stamp differ,
// so every line shows which one it carries. Each conversion takes 0.1 s.
class CabinetListTest : public ::testing::Test {
 protected:
  CabinetListTest() : log_(console_.stream()) {
    options_.inputFolder = in_.folder();
    options_.outputFolder = out_.folder();
    platform_.time = "12:34:56";
    platform_.tickStep = 100;
    log_.setTimeStamp("01:02:03");
    reopenLog();
  }

  void reopenLog() {
    int error = 0;
    ASSERT_TRUE(log_.open(logs_.file("log.txt"), &error));
  }

  int convert(const std::string& name) {
    RunContext run{options_, log_, platform_};
    return convertCabinetList(name, run, &date_);
  }

  // Writes the list file and converts it.
  int convert(const std::string& name, const std::string& bytes) {
    writeFile(in_.file(name), bytes);
    return convert(name);
  }

  // The log lines written since the last call.
  std::string logText() {
    log_.close();
    std::string text = readFile(logs_.file("log.txt"));
    reopenLog();
    std::string fresh = text.substr(logRead_);
    logRead_ = text.size();
    return fresh;
  }

  std::string out(const std::string& name) const { return out_.file(name); }

  // The log of a conversion that runs to its end.
  std::string fullLog(const std::string& name, size_t size, int count,
                      const std::string& csvLines) const {
    return startLines(name) + "[12:34:56] - File [" + name + "] filesize is [" +
           std::to_string(size) + "]\n" + "[12:34:56] - Found [" + std::to_string(count) +
           "] cabinets in metadata file [" + name + "]\n" + "[12:34:56] - Loaded [" +
           std::to_string(count) + "] cabinets from metadata file [" + name + "].\n" + csvLines +
           completionLine(name);
  }
  std::string writingLine(const std::string& csv) const {
    return "[01:02:03] - Writing metadata to CSV file [" + out(csv) + "]...\n";
  }
  static std::string startLines(const std::string& name) {
    return "[12:34:56] - Processing metadata file [" + name + "], starting[12:34:56]\n";
  }
  static std::string completionLine(const std::string& name) {
    return "[12:34:56] - Completed processing of List File [" + name + "] in [0.1] seconds.\n";
  }
  static std::string consoleOf(const std::string& name) {
    return "Processing metadata file [" + name + "], starting[12:34:56]\n" +
           "Completed processing of List File [" + name + "] in [0.1] seconds.\n";
  }

  TempDir in_, out_, logs_;
  CapturedConsole console_;
  Log log_;
  RunOptions options_;
  FakePlatform platform_;
  std::string date_;
  size_t logRead_ = 0;
};

TEST_F(CabinetListTest, DatedListBecomesNamedCsv) {
  std::string list =
      "Cabinet list - 08/18/2021\r\n"
      "Device     Alias   Port    Addr Roadway\r\n" +
      cabinetLine("005es17329") + "\r\n" +
      "\r\n" +  // a blank line after a cabinet line is no cabinet
      cabinetLine("  1es 2   ", "   12  ", "OAK AVE") + "\n" +
      cabinetLine("005es00001", "       ", "  LAKE ST, E,W  ") + "\r\n" +
      // Device and Side as they stand; ends at column 80.
      Line().put(0, "  7es9    ").put(44, " ").put(79, "12").text + "\r\n";
  EXPECT_EQ(convert("LIST.LST", list), 1);
  EXPECT_EQ(date_, "08_18_2021");
  EXPECT_EQ(logText(), fullLog("LIST.LST", list.size(), 4, writingLine("LUMO_08_18_2021.CSV")));
  EXPECT_EQ(console_.text(), consoleOf("LIST.LST"));
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")), std::string(kHeader) + cabinetRow("005es17329") +
                                                      cabinetRow("  1es 2   ", 12, "OAK AVE") +
                                                      cabinetRow("005es00001", 0, "LAKE ST- E-W") +
                                                      "  7es9    ,,0,,, ,,,0,0,12,0,0,\r\n");
  EXPECT_FALSE(log_.errorLogged());
}

TEST_F(CabinetListTest, RejectedDateWritesNoCsvAndNoCompletionLines) {
  std::string list = "Cabinet list - 08/18/2021 - 06:00\r\n" + cabinetLine("005es17329") + "\r\n";
  EXPECT_EQ(convert("a.LST", list), 0);
  EXPECT_EQ(date_, "06:00\r\n");
  EXPECT_EQ(logText(), startLines("a.LST") + "[12:34:56] - File [a.LST] filesize is [" +
                           std::to_string(list.size()) + "]\n" +
                           "[12:34:56] - Found [1] cabinets in metadata file [a.LST]\n" +
                           "[12:34:56] W No date [06:00\r\n] in metadata file [a.LST]\n");
  EXPECT_EQ(console_.text(), "Processing metadata file [a.LST], starting[12:34:56]\n");
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));

  // A one-digit month, a date right after the '-', a '-' ending the line.
  EXPECT_EQ(convert("b.LST", "List - 8/18/2021\r\n"), 0);
  EXPECT_EQ(date_, "8/18/2021\r");
  EXPECT_EQ(convert("c.LST", "List -08/18/2021\r\n"), 0);
  EXPECT_EQ(date_, "8/18/2021\r");
  EXPECT_EQ(convert("d.LST", "List -"), 0);
  EXPECT_EQ(date_, "");
  std::string log = logText();
  EXPECT_NE(log.find("[12:34:56] W No date [8/18/2021\r] in metadata file [b.LST]\n"),
            std::string::npos);
  EXPECT_NE(log.find("[12:34:56] W No date [8/18/2021\r] in metadata file [c.LST]\n"),
            std::string::npos);
  EXPECT_NE(log.find("[12:34:56] W No date [] in metadata file [d.LST]\n"), std::string::npos);
  EXPECT_EQ(log.find("Completed"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
  EXPECT_FALSE(log_.errorLogged());
}

TEST_F(CabinetListTest, DateCarriesOverFromOneListToTheNext) {
  // No '-' in the first list of the run: ten blanks.
  EXPECT_EQ(convert("1.LST", "Cabinet list 08/18/2021\r\n" + cabinetLine("005es00001") + "\r\n"),
            1);
  EXPECT_EQ(readFile(out("LUMO_          .CSV")), std::string(kHeader) + cabinetRow("005es00001"));

  EXPECT_EQ(convert("2.LST", "List - 08/18/2021\r\n" + cabinetLine("005es00002") + "\r\n"), 1);
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")), std::string(kHeader) + cabinetRow("005es00002"));

  // An empty list keeps the date and replaces that CSV.
  EXPECT_EQ(convert("3.LST", ""), 1);
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")), kHeader);

  // A rejected date is carried over too; shorter dates are right-aligned.
  EXPECT_EQ(convert("4.LST", "List - 06:00\r\n"), 0);
  EXPECT_EQ(convert("5.LST", "Cabinets\r\n" + cabinetLine("005es00005") + "\r\n"), 1);
  EXPECT_EQ(readFile(out("LUMO_   06:00\r\n.CSV")),
            std::string(kHeader) + cabinetRow("005es00005"));

  std::string log = logText();
  EXPECT_NE(log.find(fullLog("3.LST", 0, 0, writingLine("LUMO_08_18_2021.CSV"))),
            std::string::npos);
  EXPECT_NE(log.find(writingLine("LUMO_   06:00\r\n.CSV")), std::string::npos);
  EXPECT_FALSE(log_.errorLogged());
}

TEST_F(CabinetListTest, ListWithoutCabinetLinesGivesHeaderOnly) {
  // Only a date line, without a line end.
  std::string list = "Cabinet list - 08/18/2021";
  EXPECT_EQ(convert("only.LST", list), 1);
  EXPECT_EQ(logText(), fullLog("only.LST", list.size(), 0, writingLine("LUMO_08_18_2021.CSV")));
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")), kHeader);

  // Headings and blank lines only, in mixed line ends.
  EXPECT_EQ(convert("none.LST", "- 01/02/2003\nDevice\r\n\r\n\n   \nxes  \r\n"), 1);
  EXPECT_EQ(readFile(out("LUMO_01_02_2003.CSV")), kHeader);
}

TEST_F(CabinetListTest, LongLinesAreReadInPiecesOf255Characters) {
  // 300 characters: the first 255 are one line, the other 45 (here with "es"
  // at positions 3 and 4) another.
  std::string first = cabinetLine("005es00001");
  first.resize(255, 'x');
  std::string second = "000es00002" + std::string(35, ' ');
  std::string list = "- 08/18/2021\r\n" + first + second + "\r\n";
  // 5000 characters with "es" at 3 and 4 of no piece: no cabinet.
  list += std::string(5000, 'y') + "\n";
  // 510 characters: exactly two pieces, the second a cabinet line; then the
  // line end is read as a line of its own.
  std::string third(255, 'z');
  std::string fourth = cabinetLine("333es00003");
  fourth.resize(255, ' ');
  list += third + fourth + "\r\n";
  EXPECT_EQ(convert("long.LST", list), 1);
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")),
            std::string(kHeader) +
                "005es00001,CB17329,12,17,I-35W,N,12.34,ELM ST- NORTH,3,14,4,2,1,"
                "ACTIVE\r\n" +
                "000es00002,,0,,, ,,,0,0,0,0,0,\r\n" +
                "333es00003,CB17329,12,17,I-35W,N,12.34,ELM ST- NORTH,3,14,4,2,1,"
                "ACTIVE\r\n");
  EXPECT_NE(logText().find("Found [3] cabinets"), std::string::npos);
}

TEST_F(CabinetListTest, NulByteEndsTheLineText) {
  using namespace std::string_literals;
  // The date line's text ends at the NUL: no '-' is seen, so ten blanks.
  std::string list = "Cabinet\0 list - 08/18/2021\r\n"s +
                     "005es17329 AB\0CD 99\r\n"s +  // Alias "AB", the rest unseen
                     "00\0es00002\r\n"s +           // two characters: no cabinet
                     "\0\n"s +                      // empty
                     cabinetLine("005es\0xxxx"s) + "\r\n" + "\0"s;
  EXPECT_EQ(convert("nul.LST", list), 1);
  EXPECT_EQ(readFile(out("LUMO_          .CSV")), std::string(kHeader) +
                                                      "005es17329,AB,0,,,,,,0,0,0,0,0,\r\n" +
                                                      "005es,,0,,,,,,0,0,0,0,0,\r\n");
  EXPECT_NE(logText().find("filesize is [" + std::to_string(list.size()) + "]"), std::string::npos);
}

TEST_F(CabinetListTest, LineEndsInsideFieldsAreKeptAsCrLf) {
  // A Unix line end inside the Device, a Windows one inside the Side, and a
  // last line without a line end.
  std::string list =
      "- 08/18/2021\n"
      "005es1\n"
      "005es2\r\n" +
      Line().put(0, "005es3").put(43, " ").text + "\r\n" + cabinetLine("005es4");
  EXPECT_EQ(convert("ends.LST", list), 1);
  // Every LF written becomes CR LF, also one inside a field.
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")),
            std::string(kHeader) + "005es1\r\n,,0,,,,,,0,0,0,0,0,\r\n" +
                "005es2\r\r\n,,0,,,,,,0,0,0,0,0,\r\n" + "005es3    ,,0,,,\r,,,0,0,0,0,0,\r\n" +
                cabinetRow("005es4    "));
}

TEST_F(CabinetListTest, CsvOpenFailureIsLoggedAndCompletionFollows) {
  options_.outputFolder = out_.folder() + "missing/";
  std::string list = "- 08/18/2021\r\n" + cabinetLine("005es17329") + "\r\n";
  EXPECT_EQ(convert("a.LST", list), 1);
  std::string csv = out_.folder() + "missing/LUMO_08_18_2021.CSV";
  EXPECT_EQ(logText(), fullLog("a.LST", list.size(), 1,
                               "[01:02:03] - Writing metadata to CSV file [" + csv + "]...\n" +
                                   "[01:02:03] E Could not open meta data file [" + csv +
                                   "]! - Error = [2].\n"));
  EXPECT_EQ(console_.text(), consoleOf("a.LST"));
  EXPECT_TRUE(log_.errorLogged());

  // The CSV's name is taken by a folder.
  options_.outputFolder = out_.folder();
  mkdir(out("LUMO_08_18_2021.CSV").c_str(), 0755);
  EXPECT_EQ(convert("a.LST"), 1);
  EXPECT_NE(
      logText().find("[01:02:03] E Could not open meta data file [" + out("LUMO_08_18_2021.CSV") +
                     "]! - Error = [21].\n" + completionLine("a.LST")),
      std::string::npos);
}

// A full disk, simulated with a file size limit in a child process.
TEST_F(CabinetListTest, CsvWriteErrorKeepsEarlierFileAndCompletionFollows) {
  std::vector<std::string> names;
  for (int i = 0; i < 20000; ++i) {
    char name[16];
    snprintf(name, sizeof name, "005es%05d", i);
    names.push_back(name);
  }
  std::string list = buildCabinetList(names, "08/18/2021", 7);
  writeFile(in_.file("big.LST"), list);
  writeFile(out("LUMO_08_18_2021.CSV"), "earlier");
  log_.close();
  int status = runWithFileSizeLimit(100000, [&] {
    int error = 0;
    if (!log_.open(logs_.file("log.txt"), &error)) return 3;
    int result = convert("big.LST");
    log_.close();
    return result == 0 ? 0 : 4;
  });
  EXPECT_EQ(status, 0);
  reopenLog();
  EXPECT_EQ(
      logText(),
      fullLog("big.LST", list.size(), 20000,
              writingLine("LUMO_08_18_2021.CSV") + "[01:02:03] E Could not write data file [" +
                  out("LUMO_08_18_2021.CSV") + "]! - Error = [" + std::to_string(EFBIG) + "].\n"));
  EXPECT_EQ(readFile(out("LUMO_08_18_2021.CSV")), "earlier");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(CabinetListTest, UnopenableListsAreRefusedWithTheirErrorNumber) {
  mkdir(in_.file("sub.LST").c_str(), 0755);
  mkfifo(in_.file("pipe.LST").c_str(), 0644);
  EXPECT_EQ(convert("gone.LST"), 0);
  EXPECT_EQ(convert("sub.LST"), 0);
  EXPECT_EQ(convert("pipe.LST"), 0);
  EXPECT_EQ(logText(),
            startLines("gone.LST") +
                "[12:34:56] E Could not open meta data file [gone.LST]! - Error = [2].\n" +
                startLines("sub.LST") +
                "[12:34:56] E Could not open meta data file [sub.LST]! - Error = [21].\n" +
                startLines("pipe.LST") +
                "[12:34:56] E Could not open meta data file [pipe.LST]! - Error = [6].\n");
  EXPECT_EQ(console_.text(),
            "Processing metadata file [gone.LST], starting[12:34:56]\n"
            "Processing metadata file [sub.LST], starting[12:34:56]\n"
            "Processing metadata file [pipe.LST], starting[12:34:56]\n");
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
}

TEST_F(CabinetListTest, PathsLongerThan259CharactersAreRefused) {
  // The list's own path: its start time, no completion lines.
  std::string name = std::string(260 - in_.folder().size(), 'n') + ".LST";
  writeFile(in_.file(name), "- 08/18/2021\r\n");
  EXPECT_EQ(convert(name), 0);
  EXPECT_EQ(logText(), startLines(name) + "[12:34:56] E Path [" + in_.folder() + name +
                           "] is longer than 259 characters!\n");
  EXPECT_TRUE(date_.empty());

  // The CSV's path: the run's time stamp, then the completion lines. The
  // output folder itself fits (folders hold at most 259 characters).
  std::string folder = out_.folder();
  while (folder.size() < 245) {
    folder += std::string(std::min<size_t>(100, 245 - folder.size()), 'o') + "/";
    mkdir(folder.c_str(), 0755);
  }
  options_.outputFolder = folder;
  std::string csv = folder + "LUMO_08_18_2021.CSV";
  ASSERT_GT(csv.size(), 259u);
  std::string list = "- 08/18/2021\r\n";
  EXPECT_EQ(convert("a.LST", list), 1);
  EXPECT_EQ(logText(), fullLog("a.LST", list.size(), 0,
                               "[01:02:03] E Path [" + csv + "] is longer than 259 characters!\n"));
  EXPECT_FALSE(fileExists(csv));
}

TEST_F(CabinetListTest, SlashesInTheDateNameSubFoldersButNeverLeaveTheOutputFolder) {
  // '/' at positions 2 and 5 make the date valid; the one at 8 names the
  // sub-folder "LUMO_08_18_20" of the output folder, as any open reads it.
  std::string list = "List - 08/18/20/1\r\n" + cabinetLine("005es17329") + "\r\n";
  EXPECT_EQ(convert("a.LST", list), 1);
  EXPECT_EQ(date_, "08_18_20/1");
  std::string csv = out("LUMO_08_18_20/1.CSV");
  EXPECT_EQ(logText(), fullLog("a.LST", list.size(), 1,
                               writingLine("LUMO_08_18_20/1.CSV") +
                                   "[01:02:03] E Could not open meta data file [" + csv +
                                   "]! - Error = [" + std::to_string(ENOENT) + "].\n"));
  mkdir(out("LUMO_08_18_20").c_str(), 0755);
  EXPECT_EQ(convert("a.LST"), 1);
  EXPECT_EQ(readFile(csv), std::string(kHeader) + cabinetRow("005es17329"));
  EXPECT_EQ(logText(), fullLog("a.LST", list.size(), 1, writingLine("LUMO_08_18_20/1.CSV")));

  // A rejected one-digit-month date carried over to a list without '-'.
  EXPECT_EQ(convert("b.LST", "List - 8/18/2021\r\n"), 0);
  EXPECT_EQ(convert("c.LST", "List\r\n"), 1);
  EXPECT_NE(
      logText().find("[01:02:03] E Could not open meta data file [" + out("LUMO_8/18/2021\r.CSV") +
                     "]! - Error = [" + std::to_string(ENOENT) + "].\n"),
      std::string::npos);

  // A ".." step is refused even where the folders it names exist: nothing is
  // written above the output folder.
  mkdir(out("LUMO_").c_str(), 0755);
  EXPECT_EQ(convert("d.LST", "List - /../../..\r\n"), 0);  // rejected, carried over
  EXPECT_EQ(date_, "/../../..\r");
  EXPECT_EQ(convert("e.LST", "List\r\n" + cabinetLine("005es17329") + "\r\n"), 1);
  std::string escape = out("LUMO_/../../..\r.CSV");
  EXPECT_NE(logText().find("[01:02:03] E Could not open meta data file [" + escape +
                           "]! - Error = [" + std::to_string(EINVAL) + "].\n"),
            std::string::npos);
  EXPECT_FALSE(fileExists(out_.path() + "/../..\r.CSV"));
  EXPECT_TRUE(std::filesystem::is_empty(out("LUMO_")));
}

TEST_F(CabinetListTest, HundredThousandCabinets) {
  std::vector<std::string> names;
  for (int i = 0; i < 100000; ++i) {
    char name[16];
    snprintf(name, sizeof name, "%03des%05d", i % 1000, i);
    names.push_back(name);
  }
  std::string list = buildCabinetList(names, "12/31/2020", 42);
  EXPECT_EQ(convert("many.LST", list), 1);
  std::string csv = readFile(out("LUMO_12_31_2020.CSV"));
  ASSERT_EQ(csv.compare(0, sizeof kHeader - 1, kHeader), 0);
  size_t lines = 0;
  size_t at = 0;
  for (size_t end; (end = csv.find("\r\n", at)) != std::string::npos; at = end + 2) {
    if (lines > 0) {
      ASSERT_EQ(csv.compare(at, 11, names[lines - 1] + ","), 0) << lines;
    }
    ++lines;
  }
  EXPECT_EQ(at, csv.size());
  EXPECT_EQ(lines, 100001u);
  EXPECT_EQ(logText(),
            fullLog("many.LST", list.size(), 100000, writingLine("LUMO_12_31_2020.CSV")));
}

// The run driver hands every name holding "LST" to the conversion in sorted
// order, with one metadata date for the whole run.
TEST(CabinetListDriverTest, ListFilesAreConvertedInSortedOrderWithDateCarriedOver) {
  TempDir in, out, logs;
  writeFile(in.file("C.LST"), "Cabinets\r\n" + cabinetLine("003es00003") + "\r\n");  // no date
  writeFile(in.file("A.LST"), "Cabinets - 08/18/2021\r\n" + cabinetLine("001es00001") + "\r\n");
  writeFile(in.file("B_LST.txt"), "Cabinets - 8/19/2021\r\n");  // rejected
  writeFile(in.file("D.LST"), "Cabinets - 08/20/2021\r\n" + cabinetLine("004es00004") + "\r\n");
  writeFile(in.file("E.DAT"), "not a list");
  writeFile(in.file("F.lst"), "- 01/01/2001\r\n");  // "LST" is case-sensitive
  FakePlatform platform;
  platform.tickStep = 100;
  CapturedConsole console;
  std::string inArg = "-I" + in.path(), outArg = "-O" + out.path(), logArg = "-F" + logs.path();
  const char* argv[] = {"loopconv", "-M", inArg.c_str(), outArg.c_str(), logArg.c_str()};
  ExitStatus status = runConverter(5, argv, platform, console.stream(), nullptr);
  EXPECT_EQ(status, ExitStatus::RunError);  // C.LST's CSV name holds a '/': no such folder

  std::string carried = out.folder() + "LUMO_8/19/2021\r.CSV";
  auto file = [](const std::string& name) {
    return "[12:34:56] - Processing metadata file [" + name + "], starting[12:34:56]\n";
  };
  auto done = [](const std::string& name) {
    return "[12:34:56] - Completed processing of List File [" + name + "] in [0.1] seconds.\n";
  };
  auto head = [](const std::string& name, size_t size, int count) {
    return "[12:34:56] - File [" + name + "] filesize is [" + std::to_string(size) +
           "]\n[12:34:56] - Found [" + std::to_string(count) + "] cabinets in metadata file [" +
           name + "]\n";
  };
  auto loaded = [](const std::string& name, int count) {
    return "[12:34:56] - Loaded [" + std::to_string(count) + "] cabinets from metadata file [" +
           name + "].\n";
  };
  auto writing = [](const std::string& path) {
    return "[12:34:56] - Writing metadata to CSV file [" + path + "]...\n";
  };
  EXPECT_EQ(readFile(logs.file("ConvertorLog08182021.txt")),
            "\n[12:34:56] - Version = 1.23+\n"
            "[12:34:56] - Commands: M \n"
            "[12:34:56] - Reading folder [" +
                in.folder() + "]\n" + "[12:34:56] - Writing folder [" + out.folder() + "]\n" +
                "[12:34:56] - Logging folder [" + logs.folder() + "]\n" + file("A.LST") +
                head("A.LST", 23 + 99, 1) + loaded("A.LST", 1) +
                writing(out.folder() + "LUMO_08_18_2021.CSV") + done("A.LST") + file("B_LST.txt") +
                head("B_LST.txt", 22, 0) +
                "[12:34:56] W No date [8/19/2021\r] in metadata file [B_LST.txt]\n" +
                file("C.LST") + head("C.LST", 10 + 99, 1) + loaded("C.LST", 1) + writing(carried) +
                "[12:34:56] E Could not open meta data file [" + carried + "]! - Error = [2].\n" +
                done("C.LST") + file("D.LST") + head("D.LST", 23 + 99, 1) + loaded("D.LST", 1) +
                writing(out.folder() + "LUMO_08_20_2021.CSV") + done("D.LST") +
                "[12:34:56] - Finished converting 0 .DAT Files and 4 .LST Files in [0.8] "
                "seconds.\n\n");
  EXPECT_EQ(readFile(out.file("LUMO_08_18_2021.CSV")),
            std::string(kHeader) + cabinetRow("001es00001"));
  EXPECT_EQ(readFile(out.file("LUMO_08_20_2021.CSV")),
            std::string(kHeader) + cabinetRow("004es00004"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()),
                          std::filesystem::directory_iterator()),
            2);
  std::string text = console.text();
  size_t a = text.find("Processing metadata file [A.LST]");
  size_t b = text.find("Processing metadata file [B_LST.txt]");
  size_t c = text.find("Processing metadata file [C.LST]");
  size_t d = text.find("Completed processing of List File [D.LST] in [0.1] seconds.\n");
  EXPECT_TRUE(a < b && b < c && c < d && d != std::string::npos) << text;
}

}  // namespace
}  // namespace loopconv
