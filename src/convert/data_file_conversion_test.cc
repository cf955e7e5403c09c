#include "convert/data_file_conversion.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "datafile/datafile_test_support.h"
#include "datafile/decode.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

// One call of the pipeline per file, with a fixed clock: every file's own
// time stamp is "12:34:56" and every duration 1234 ms.
class PipelineRun {
 public:
  PipelineRun() {
    options.inputFolder = in.folder();
    options.outputFolder = out.folder();
    options.logFolder = out.folder();
    platform.tickStep = 1234;
  }
  int process(const std::string& name) {
    RunContext run{options, capture.log, platform};
    return processDataFile(name, run);
  }
  void write(const std::string& name, const std::string& bytes) { writeFile(in.file(name), bytes); }

  TempDir in;
  TempDir out;
  FakePlatform platform;
  RunOptions options;
  LogCapture capture;
};

std::string processingLine(const std::string& name) {
  return "[12:34:56] - Processing data file [" + name + "], starting at [12:34:56]\n";
}
std::string filesizeLine(size_t size) {
  return "[12:34:56] - Filesize is [" + std::to_string(size) + "]\n";
}
std::string transferLine(int traps, int lanes, int loops, const std::string& name) {
  return "[11:22:33] - Processed [" + std::to_string(traps) + "] Traps into [" +
         std::to_string(lanes) + "] _x Lanes and Sx Lanes [" + std::to_string(loops) +
         "] in file [" + name + "]...\n";
}
std::string completedLine(const std::string& name) {
  return "[12:34:56] - Completed processing of data file [" + name + "] in [1.2] seconds.\n";
}
std::string consoleLines(const std::string& name) {
  return "Processing data file [" + name + "], starting at [12:34:56]\n" +
         "Completed processing of data file [" + name + "] in [1.2] seconds.\n";
}

// A small file of every kind: lane, speed loop, trap, a one-lane station, a
// metered lane and a device of an unknown kind; 12 periods.
DataFileDescription smallDescription() {
  DataFileDescription description;
  description.numberOfColumns = 12;
  DeviceDescription lane{"005es17329:_MN___1", KindLane, 0, {}};
  DeviceDescription loop{"005es17329:_MN__S1", KindLane, 0, {}};
  DeviceDescription trap{"005es17329:_MN__T1", KindTrap, 0, {}};
  DeviceDescription station{"005es17329:_MN_S00", KindStation, 0, {}};
  DeviceDescription meter{"005es17400:_OR___1", KindMeteredLane, 0, {}};
  DeviceDescription odd{"005es17400:_XX___9", 0, 0, {9, 9, 9, 9}};
  for (unsigned p = 0; p < 12; ++p) {
    lane.add(encodeLanePeriod(p & 3, 1, 40 + 9 * p, p + 1, p & 7));
    loop.add(encodeLanePeriod(0, 1, 42 + 9 * p, p + 1, 0));
    trap.add(encodeTrapPeriod(0x80, 0x80, 600 + p, 180 + p, p + 1, 0, 0, 0));
    station.add(encodeStationPeriod(0, 1, 40 + 9 * p, p + 1, 0));
    meter.add(encodeMeterPeriod(30 + p, p, 1));
  }
  description.devices = {lane, loop, trap, station, meter, odd};
  return description;
}

TEST(PipelineTest, LogsEveryStepOfAFile) {
  PipelineRun r;
  std::string file = buildDataFile(smallDescription());
  r.write("small.DAT", file);
  EXPECT_EQ(r.process("small.DAT"), 1);
  EXPECT_EQ(r.capture.text(), processingLine("small.DAT") + filesizeLine(file.size()) +
                                  transferLine(1, 1, 1, "small.DAT") + completedLine("small.DAT"));
  EXPECT_EQ(r.capture.consoleText(), consoleLines("small.DAT"));
  EXPECT_FALSE(r.capture.log.errorLogged());
  // No report flag set: the file is read and logged, and nothing is written.
  EXPECT_TRUE(std::filesystem::is_empty(r.out.path()));
}

// The trap transfer counts of a generated day, from its device list: the
// generator names every device once, so each trap finds at most one lane
// under each name.
void expectedCounts(const SampleDay& day, int* traps, int* lanes, int* loops) {
  std::set<std::string> names;
  for (const SampleDevice& d : day.devices) names.insert(d.name);
  *traps = *lanes = *loops = 0;
  for (const SampleDevice& d : day.devices) {
    if (d.name[16] != 'T') continue;
    ++*traps;
    std::string lane = d.name, marked = d.name, loop = d.name;
    lane[16] = marked[16] = '_';
    marked[11] = 'M';
    loop[16] = 'S';
    *lanes += static_cast<int>(names.count(lane) + (marked != lane ? names.count(marked) : 0));
    *loops += static_cast<int>(names.count(loop));
  }
}

TEST(PipelineTest, ConvertsAFolderOfGeneratedFiles) {
  PipelineRun r;
  std::vector<SampleDay> days = {generateSampleDay(40, "08/18/2021", 1, 180),
                                 generateSampleDay(25, "01/02/2022", 2, 60),
                                 generateSampleDay(90, "12/31/2021", 3, 360)};
  for (const SampleDay& day : days) r.write(day.fileName, day.bytes);
  r.write("notes.txt", "not a data file");

  std::vector<std::string> entries;
  int error = 0;
  ASSERT_TRUE(r.platform.listFolder(r.in.path(), &entries, &error));
  std::string expectedLog, expectedConsole;
  int files = 0;
  int allTraps = 0;
  for (const std::string& name : entries) {
    if (name.find("DAT") == std::string::npos) continue;
    const SampleDay* day = nullptr;
    for (const SampleDay& d : days) {
      if (d.fileName == name) day = &d;
    }
    ASSERT_NE(day, nullptr) << name;
    EXPECT_EQ(r.process(name), 1);
    int traps, lanes, loops;
    expectedCounts(*day, &traps, &lanes, &loops);
    allTraps += traps;
    expectedLog += processingLine(name) + filesizeLine(day->bytes.size()) +
                   transferLine(traps, lanes, loops, name) + completedLine(name);
    expectedConsole += consoleLines(name);
    ++files;
  }
  EXPECT_EQ(files, 3);
  EXPECT_GT(allTraps, 5);
  EXPECT_EQ(r.capture.text(), expectedLog);
  EXPECT_EQ(r.capture.consoleText(), expectedConsole);
}

TEST(PipelineTest, FilesThatCannotBeOpenedAreLoggedByName) {
  PipelineRun r;
  ASSERT_EQ(mkdir(r.in.file("folder.DAT").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(r.in.file("fifo.DAT").c_str(), 0644), 0);  // must not block
  std::string longName = std::string(260 - r.in.folder().size(), 'x') + ".DAT";
  r.write(longName, buildDataFile(smallDescription()));

  EXPECT_EQ(r.process("gone.DAT"), 0);
  EXPECT_EQ(r.process("folder.DAT"), 0);
  EXPECT_EQ(r.process("fifo.DAT"), 0);
  EXPECT_EQ(r.process(longName), 0);
  EXPECT_EQ(r.capture.text(),
            processingLine("gone.DAT") +
                "[12:34:56] E Could not open data file [gone.DAT]! - Error = [2].\n" +
                processingLine("folder.DAT") +
                "[12:34:56] E Could not open data file [folder.DAT]! - Error = [21].\n" +
                processingLine("fifo.DAT") +
                "[12:34:56] E Could not open data file [fifo.DAT]! - Error = [6].\n" +
                processingLine(longName) + "[12:34:56] E Path [" + r.in.folder() + longName +
                "] is longer than 259 characters!\n");
  EXPECT_EQ(r.capture.consoleText(),
            "Processing data file [gone.DAT], starting at [12:34:56]\n"
            "Processing data file [folder.DAT], starting at [12:34:56]\n"
            "Processing data file [fifo.DAT], starting at [12:34:56]\n"
            "Processing data file [" +
                longName + "], starting at [12:34:56]\n");
  EXPECT_TRUE(r.capture.log.errorLogged());
}

TEST(PipelineTest, AllocationFailuresAndEmptyFiles) {
  PipelineRun r;
  std::string file = buildDataFile(smallDescription());
  r.write("small.DAT", file);
  r.write("empty.DAT", "");

  // No room for the image: the file is given up.
  r.platform.limits.imageBytes = 100;
  EXPECT_EQ(r.process("small.DAT"), 0);
  EXPECT_EQ(r.capture.text(),
            processingLine("small.DAT") + filesizeLine(file.size()) +
                "[12:34:56] E Could not allocate buffer to hold the data block from data file "
                "[small.DAT]!\n");

  // No room for the table: no trap transfer, the reports still run (with no
  // table), and the file completes.
  PipelineRun noTable;
  noTable.write("small.DAT", file);
  noTable.options.elementReport = noTable.options.laneReport = true;
  noTable.options.trapReport = noTable.options.contentsReport = true;
  noTable.platform.limits.tableRecords = 0;
  EXPECT_EQ(noTable.process("small.DAT"), 1);
  std::string log = noTable.capture.text();
  EXPECT_EQ(log.find(processingLine("small.DAT") + filesizeLine(file.size()) +
                     "[11:22:33] E Allocation [" + std::to_string(7 * sizeof(DeviceRecord)) +
                     "] bytes of space for [6] data names structure FAILED!!!\n"),
            0u);
  EXPECT_EQ(log.find("Processed ["), std::string::npos);
  EXPECT_NE(log.find(completedLine("small.DAT")), std::string::npos);

  // An empty file has no Data Start date: skipped, no Completed line.
  PipelineRun empty;
  empty.write("empty.DAT", "");
  EXPECT_EQ(empty.process("empty.DAT"), 0);
  EXPECT_EQ(empty.capture.text(),
            processingLine("empty.DAT") + filesizeLine(0) +
                "[12:34:56] E Data file [empty.DAT] has no valid Data Start date (MM/DD/YYYY), "
                "file skipped!\n");
}

TEST(PipelineTest, HostileHeaderValuesAreHeldToTheImage) {
  std::string file = buildDataFile(smallDescription());
  struct Case {
    std::string from, to;
    std::vector<std::string> lines;  // expected between the Filesize and transfer lines
    std::string transfer;
  };
  const std::string shortTable =
      "[11:22:33] W While parsing the name table, we ran out of name data before we finished "
      "the list!\n";
  auto outside = [](const std::string& name) {
    return "[11:22:33] E Data block of device [" + name +
           "] lies outside the file, device skipped!\n";
  };
  std::vector<Case> cases = {
      {"Number of Columns = 12",
       "Number of Columns = 5000",
       {"[11:22:33] W Number of Columns [5000] exceeds 4320, using the first 4320 periods!\n",
        outside("005es17329:_MN___1"), outside("005es17329:_MN__S1"), outside("005es17329:_MN__T1"),
        outside("005es17329:_MN_S00"), outside("005es17400:_OR___1")},
       transferLine(1, 1, 1, "hostile.DAT")},
      {"Header Size = ",
       "Header Size = 99999999",
       {shortTable},
       transferLine(0, 0, 0, "hostile.DAT")},
      // Three entries read (the third crosses the bound and is kept).
      {"Name List Size = 162",
       "Name List Size = 54",
       {shortTable},
       transferLine(1, 1, 1, "hostile.DAT")},
  };
  for (const Case& c : cases) {
    PipelineRun r;
    std::string bytes = editHeader(file, c.from, c.to);
    r.write("hostile.DAT", bytes);
    EXPECT_EQ(r.process("hostile.DAT"), 1) << c.to;
    std::string expected = processingLine("hostile.DAT") + filesizeLine(bytes.size());
    for (const std::string& line : c.lines) expected += line;
    expected += c.transfer + completedLine("hostile.DAT");
    EXPECT_EQ(r.capture.text(), expected) << c.to;
  }

  // A count of two thousand million names: held to the entries that fit.
  PipelineRun r;
  r.write("many.DAT", editHeader(file, "Number of Names = 6", "Number of Names = 2000000000"));
  EXPECT_EQ(r.process("many.DAT"), 1);
  std::string log = r.capture.text();
  EXPECT_NE(log.find(shortTable), std::string::npos);
  EXPECT_NE(log.find(completedLine("many.DAT")), std::string::npos);
  EXPECT_FALSE(r.capture.log.errorLogged());
}

// The files the four reports leave in `folder`, by name.
std::map<std::string, std::string> reportFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readFile(entry.path().string());
  }
  return files;
}

TEST(PipelineTest, AuxAndMeterValuesNeverReachTheReports) {
  DataFileDescription plain = smallDescription();
  DataFileDescription changed = plain;
  for (DeviceDescription& d : changed.devices) d.aux = 0xBEEF;
  DeviceDescription& meter = changed.devices[4];
  ASSERT_EQ(meter.kind, KindMeteredLane);
  for (uint8_t& b : meter.block) b = static_cast<uint8_t>(~b);

  std::map<std::string, std::string> reports[2];
  for (int i = 0; i < 2; ++i) {
    PipelineRun r;
    r.options.elementReport = r.options.laneReport = true;
    r.options.trapReport = r.options.contentsReport = true;
    r.write("day.DAT", buildDataFile(i == 0 ? plain : changed));
    EXPECT_EQ(r.process("day.DAT"), 1);
    reports[i] = reportFiles(r.out.path());
  }
  EXPECT_EQ(reports[0].size(), 4u);
  EXPECT_EQ(reports[0], reports[1]);
}

// Whether two records agree in their name-table fields and in every plane
// over the periods the file has and the one after (the table is large and
// mostly untouched; comparing it whole would fault in every page).
bool sameRecord(const DeviceRecord& a, const DeviceRecord& b, int periods) {
  if (memcmp(a.Name, b.Name, NameBytes) != 0 || a.Kind != b.Kind || a.Aux != b.Aux ||
      a.DataOffset != b.DataOffset) {
    return false;
  }
  size_t n8 = static_cast<size_t>(std::min(periods + 1, PeriodsPerDay));
  size_t n16 = n8 * sizeof(uint16_t);
  const uint16_t* const planes16[][2] = {{a.Incident, b.Incident},
                                         {a.NumLanes, b.NumLanes},
                                         {a.Volume, b.Volume},
                                         {a.ScanCnt, b.ScanCnt},
                                         {a.Flag, b.Flag},
                                         {a.EstLength, b.EstLength},
                                         {a.CalcSpdTenths, b.CalcSpdTenths},
                                         {a.SpdFlag, b.SpdFlag},
                                         {a.SpdFlag2, b.SpdFlag2},
                                         {a.SpdTenths, b.SpdTenths},
                                         {a.LenTenths, b.LenTenths},
                                         {a.Bin1, b.Bin1},
                                         {a.Bin2, b.Bin2},
                                         {a.Bin3, b.Bin3},
                                         {a.Bin4, b.Bin4}};
  const uint8_t* const planes8[][2] = {{a.NPds, b.NPds},
                                       {a.SpdNPds, b.SpdNPds},
                                       {a.MeterByte, b.MeterByte},
                                       {a.MeterHigh, b.MeterHigh},
                                       {a.MeterLow, b.MeterLow}};
  for (auto& p : planes16) {
    if (memcmp(p[0], p[1], n16) != 0) return false;
  }
  for (auto& p : planes8) {
    if (memcmp(p[0], p[1], n8) != 0) return false;
  }
  return true;
}

TEST(PipelineTest, EveryTruncationOfAFileIsReadSafely) {
  DataFileLayout layout;
  std::string full = buildDataFile(smallDescription(), &layout);
  Decoded whole = decodeImage(full);
  ASSERT_EQ(whole.log, "");
  size_t headerText = full.find('\0');
  int32_t columns = whole.header.numberOfColumns;

  PipelineRun r;
  for (size_t length = 0; length <= full.size(); ++length) {
    std::string cut = full.substr(0, length);
    Decoded d = decodeImage(cut);
    ASSERT_NE(d.table, nullptr) << length;
    if (length < headerText) continue;  // a cut header: anything but a fault will do

    // With the whole header, every entry that fits is read, every block that
    // fits is decoded as in the whole file, and every other block is skipped
    // with a warning naming its device.
    size_t room = length > static_cast<size_t>(layout.headerSize)
                      ? (length - layout.headerSize) / NameEntryBytes
                      : 0;
    int32_t count = static_cast<int32_t>(std::min<size_t>(room, 6));
    ASSERT_EQ(d.table->size(), count) << length;
    for (int32_t i = 0; i < count; ++i) {
      const DeviceRecord& got = (*d.table)[i];
      const DeviceRecord& want = (*whole.table)[i];
      int width = recordBytes(want.Kind);
      bool fits = want.DataOffset + static_cast<size_t>(columns) * width <= length;
      if (width == 0 || fits) {
        ASSERT_TRUE(sameRecord(got, want, columns)) << length << " " << i;
      } else {
        ASSERT_STREQ(got.Name, want.Name);
        ASSERT_EQ(got.Volume[0] | got.SpdTenths[0] | got.MeterByte[0] | got.NumLanes[0], 0);
        ASSERT_NE(d.log.find("E Data block of device [" + std::string(want.Name) + "]"),
                  std::string::npos)
            << length;
      }
    }
  }

  // The whole pipeline on every cut of the file: each completes once its
  // Data Start date is whole; a cut before that is skipped.
  size_t dateEnd = full.find("Data Start = ") + 13 + 10;
  for (size_t length = 0; length <= full.size(); ++length) {
    r.write("cut.DAT", full.substr(0, length));
    ASSERT_EQ(r.process("cut.DAT"), length >= dateEnd) << length;
  }
  std::string log = r.capture.text();
  size_t completed = 0;
  for (size_t at = log.find(completedLine("cut.DAT")); at != std::string::npos;
       at = log.find(completedLine("cut.DAT"), at + 1)) {
    ++completed;
  }
  EXPECT_EQ(completed, full.size() + 1 - dateEnd);
}

int runCommand(const std::string& command) {
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PipelineTest, GeneratorAndConverterRunEndToEnd) {
  TempDir in, out, logs;
  std::string gen = LOOPCONV_GEN_BINARY;
  ASSERT_EQ(runCommand(gen + " --devices 40 --columns 60 --seed 3 --date 01/02/2022 " + in.path() +
                       " > " + out.file("gen.txt")),
            0);
  std::string path = in.folder() + "PELMA20Sec_01022022.DAT";
  EXPECT_EQ(readFile(out.file("gen.txt")), path + "\n");
  std::string bytes = readFile(path);
  EXPECT_EQ(bytes, generateSampleDay(40, "01/02/2022", 3, 60).bytes);

  ASSERT_EQ(runCommand(std::string(LOOPCONV_BINARY) + " -I" + in.path() + " -O" + out.path() +
                       " -F" + logs.path() + " > /dev/null"),
            0);
  std::string log;
  for (auto& entry : std::filesystem::directory_iterator(logs.path())) {
    log += readFile(entry.path().string());
  }
  EXPECT_NE(log.find("- Processing data file [PELMA20Sec_01022022.DAT]"), std::string::npos);
  EXPECT_NE(log.find("- Filesize is [" + std::to_string(bytes.size()) + "]\n"), std::string::npos);
  EXPECT_NE(log.find("- Completed processing of data file [PELMA20Sec_01022022.DAT]"),
            std::string::npos);

  // Bad arguments: usage and status 2, nothing written.
  std::string quiet = " 2> /dev/null";
  EXPECT_EQ(runCommand(gen + " --devices 0 " + out.path() + quiet), 2);
  EXPECT_EQ(runCommand(gen + " --date 8/1/2021 " + out.path() + quiet), 2);
  EXPECT_EQ(runCommand(gen + " --columns 4321 " + out.path() + quiet), 2);
  EXPECT_EQ(runCommand(gen + " --devices" + quiet), 2);
  EXPECT_EQ(runCommand(gen + quiet), 2);
  EXPECT_EQ(runCommand(gen + " --devices 5 " + out.path() + "/missing/folder" + quiet), 1);
}

}  // namespace
}  // namespace loopconv
