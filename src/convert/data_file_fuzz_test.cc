// Seeded mutations of small generated data files, each run through the whole
// pipeline with every report and the option variants. Whatever the bytes,
// the file must complete with its Processing and Completed lines, and every
// report left in the output folder must be a whole CSV: a header line, CR LF
// line ends only, no temporary file beside it. The sanitizer build turns any
// read outside the image into a failure.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "convert/data_file_conversion.h"
#include "datafile/datafile_test_support.h"
#include "datafile/decode.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

using Random = std::mt19937_64;

// A value in [0, n); n > 0. Plain modulo keeps the sequence the same on
// every standard library.
size_t below(Random& random, size_t n) {
  return static_cast<size_t>(random() % n);
}

// The option variants each mutated file is converted with. Every variant
// writes all four reports.
struct Variant {
  const char* label;
  bool rowFirst = false;
  bool speedLoops = false;
  bool rampMeters = false;
  const char* period = nullptr;                                                // option P
  enum Device { AllDevices, KnownDevice, MissingDevice } device = AllDevices;  // option D
};

const Variant kPlain = {"plain"};
const Variant kVariants[] = {
    kPlain,
    {"-S -C -R", true, true, true},
    {"P in the file", false, false, false, "00:00:20"},
    {"P past the file", true, false, false, "23:59:40"},
    {"D", false, true, false, nullptr, Variant::KnownDevice},
    {"P and D", true, false, true, "00:01:00", Variant::KnownDevice},
    {"D not in the file", false, false, false, nullptr, Variant::MissingDevice},
};

// One data file name in one pair of folders, converted again and again.
class MutationRun {
 public:
  MutationRun() {
    options_.inputFolder = in_.folder();
    options_.outputFolder = out_.folder();
    options_.logFolder = in_.folder();
  }

  // Converts `bytes` with `variant` and checks the log lines of this run and
  // the report files, which are then removed. `what` names the mutation in
  // failure messages. Returns this run's log lines.
  std::string convert(const std::string& bytes, const Variant& variant, const std::string& what) {
    writeFile(in_.file(kName), bytes);
    options_.elementReport = options_.laneReport = true;
    options_.trapReport = options_.contentsReport = true;
    options_.rowFirst = variant.rowFirst;
    options_.includeSpeedLoops = variant.speedLoops;
    options_.includeRampMeters = variant.rampMeters;
    options_.singlePeriod = variant.period != nullptr;
    options_.periodText = variant.period != nullptr ? variant.period : "";
    options_.singleDevice = variant.device != Variant::AllDevices;
    options_.deviceName =
        variant.device == Variant::KnownDevice ? knownDevice : "999zz99999:_MN___9";

    RunContext run{options_, capture_.log, platform_};
    std::string where = what + " [" + variant.label + "]";
    bool converted = processDataFile(kName, run);
    std::string all = capture_.text();
    std::string log = all.substr(logRead_);
    logRead_ = all.size();
    EXPECT_EQ(log.find("[12:34:56] - Processing data file [m.DAT], starting at [12:34:56]\n"), 0u)
        << where << "\n"
        << log;
    // A mutation may spoil the Data Start date; such a file alone is skipped.
    bool dateless =
        log.find("] E Data file [m.DAT] has no valid Data Start date") != std::string::npos;
    EXPECT_EQ(converted, !dateless) << where << "\n" << log;
    EXPECT_EQ(log.find("[12:34:56] - Completed processing of data file [m.DAT] in [") !=
                  std::string::npos,
              !dateless)
        << where << "\n"
        << log;
    checkReports(where);
    return log;
  }

  void convertAllVariants(const std::string& bytes, const std::string& what) {
    for (const Variant& variant : kVariants) convert(bytes, variant, what);
  }

  bool errorLogged() const { return capture_.log.errorLogged(); }
  // How many report files the checks have read: the mutations must leave some.
  int reportsSeen() const { return reportsSeen_; }

  // The name that the D variants look for: a device of the unmutated file.
  std::string knownDevice;

 private:
  static constexpr const char* kName = "m.DAT";

  void checkReports(const std::string& where) {
    for (auto& entry : std::filesystem::directory_iterator(out_.path())) {
      std::string name = entry.path().filename().string();
      // A temporary file is the final name with ".tmp<pid>.<n>" after it.
      EXPECT_TRUE(name.size() > 4 && name.substr(name.size() - 4) == ".csv")
          << where << ": temporary file " << name;
      ASSERT_TRUE(entry.is_regular_file()) << where << ": " << name;
      std::string text = readFile(entry.path().string());
      size_t firstEnd = text.find('\n');
      ASSERT_NE(firstEnd, std::string::npos) << where << ": " << name << " has no line";
      std::string first = text.substr(0, firstEnd + 1);
      bool header = first.rfind("Name,", 0) == 0 || first.rfind("name,", 0) == 0 ||
                    first.rfind("Input element count = ", 0) == 0;
      EXPECT_TRUE(header) << where << ": " << name << " begins " << first;
      EXPECT_EQ(first.substr(first.size() - 2), "\r\n") << where << ": " << name;
      EXPECT_EQ(countBareLineFeeds(text), 0u) << where << ": " << name << " has LF without CR";
      ++reportsSeen_;
    }
    for (auto& entry : std::filesystem::directory_iterator(out_.path())) {
      std::filesystem::remove_all(entry.path());
    }
  }

  TempDir in_;
  TempDir out_;
  FakePlatform platform_;
  RunOptions options_;
  LogCapture capture_;
  size_t logRead_ = 0;
  int reportsSeen_ = 0;
};

// Small days: few devices and periods so that every run is quick.
std::vector<SampleDay> seedDays() {
  return {generateSampleDay(10, "08/18/2021", 11, 6), generateSampleDay(14, "01/02/2022", 12, 3),
          generateSampleDay(6, "12/31/2021", 13, 9)};
}

// The last trap of a day, or its last device: the one the D variants select.
std::string deviceToSelect(const SampleDay& day) {
  std::string name = day.devices.back().name;
  for (const SampleDevice& d : day.devices) {
    if (d.kind == KindTrap) name = d.name;
  }
  return name;
}

// The [begin, end) of the value of key line `key` in the header text, or
// false when the file has no such line.
bool findValue(const std::string& file, const std::string& key, size_t* begin, size_t* end) {
  size_t at = file.find(key + " = ");
  if (at == std::string::npos || at > file.find('\0')) return false;
  *begin = at + key.size() + 3;
  *end = file.find('\r', *begin);
  return *end != std::string::npos;
}

std::string replaceValue(const std::string& file, const std::string& key,
                         const std::string& value) {
  size_t begin, end;
  if (!findValue(file, key, &begin, &end)) ADD_FAILURE() << "no key " << key;
  std::string changed = file;
  return changed.replace(begin, end - begin, value);
}

int32_t headerNumber(const std::string& file, const std::string& key) {
  size_t begin, end;
  if (!findValue(file, key, &begin, &end)) return 0;
  return static_cast<int32_t>(std::stol(file.substr(begin, end - begin)));
}

TEST(PipelineFuzzTest, RandomByteFlipsAnywhere) {
  MutationRun run;
  Random random(20210818);
  for (const SampleDay& day : seedDays()) {
    const std::string& file = day.bytes;
    run.knownDevice = deviceToSelect(day);
    for (int round = 0; round < 20; ++round) {
      std::string bytes = file;
      size_t flips = 1 + below(random, 8);
      for (size_t i = 0; i < flips; ++i) {
        bytes[below(random, bytes.size())] ^= static_cast<char>(1 + below(random, 255));
      }
      run.convert(bytes, kVariants[round % std::size(kVariants)],
                  "flips round " + std::to_string(round));
    }
  }
  EXPECT_GE(run.reportsSeen(), 190);
}

TEST(PipelineFuzzTest, HeaderNumbersReplacedByAnything) {
  const char* keys[] = {"Version",        "Number of Names", "Number of Columns", "Header Size",
                        "Name List Size", "Data Size",       "File Size"};
  const char* values[] = {
      "0",   "-1",    "-2147483648", "2147483647", "2147483648", "99999999999999999999999",
      "abc", "",      " ",           "+7",         "4320",       "4321",
      "1e9", "12abc", "\t3"};
  MutationRun run;
  SampleDay day = seedDays()[0];
  const std::string& file = day.bytes;
  run.knownDevice = deviceToSelect(day);
  for (const char* key : keys) {
    for (const char* value : values) {
      run.convert(replaceValue(file, key, value), kPlain, std::string(key) + " = " + value);
    }
  }

  // Header Size and Name List Size pointing anywhere in the file and a little
  // beyond, with the other variants.
  Random random(7);
  for (int round = 0; round < 24; ++round) {
    std::string where = std::to_string(below(random, file.size() + 64));
    const char* key = round % 2 == 0 ? "Header Size" : "Name List Size";
    run.convert(replaceValue(file, key, where), kVariants[round % std::size(kVariants)],
                std::string(key) + " = " + where);
  }

  // Huge counts of columns and names together, and a table at the end.
  std::string huge = replaceValue(file, "Number of Columns", "4321");
  huge = replaceValue(huge, "Number of Names", "2147483647");
  huge = replaceValue(huge, "Name List Size", "2147483647");
  run.convertAllVariants(huge, "huge counts");
  run.convert(replaceValue(file, "Header Size", std::to_string(file.size() - 27)), kPlain,
              "table of one entry at the end");
  EXPECT_FALSE(run.errorLogged());
  EXPECT_GE(run.reportsSeen(), 500);
}

// The stored bytes of entry `i` of the name table.
char* entryAt(std::string* file, int32_t headerSize, int i) {
  return file->data() + headerSize + static_cast<size_t>(i) * NameEntryBytes;
}

void putLittleEndian(char* at, uint64_t value, int bytes) {
  for (int b = 0; b < bytes; ++b) at[b] = static_cast<char>((value >> (8 * b)) & 0xFF);
}

TEST(PipelineFuzzTest, NameTableEntriesWithAnyKindOffsetAndName) {
  MutationRun run;
  Random random(4711);
  const uint16_t kinds[] = {0, KindLane, KindStation, KindTrap, KindMeteredLane, 300, 0xFFFF};
  for (const SampleDay& day : seedDays()) {
    const std::string& file = day.bytes;
    run.knownDevice = deviceToSelect(day);
    const int32_t headerSize = headerNumber(file, "Header Size");
    const int32_t names = headerNumber(file, "Number of Names");
    const int32_t columns = headerNumber(file, "Number of Columns");
    ASSERT_GT(names, 0);
    for (int round = 0; round < 12; ++round) {
      std::string bytes = file;
      for (int change = 0; change < 4; ++change) {
        char* entry = entryAt(&bytes, headerSize, static_cast<int>(below(random, names)));
        uint16_t kind = kinds[below(random, std::size(kinds))];
        putLittleEndian(entry + 19, kind, 2);
        // Offsets at the very end of the file, past it, and the largest.
        uint64_t offsets[] = {bytes.size() - below(random, 16),   bytes.size(),
                              bytes.size() + below(random, 1000), 0xFFFFFFFFu,
                              0xFFFFFFFFu - below(random, 8),     below(random, bytes.size())};
        putLittleEndian(entry + 23, offsets[below(random, std::size(offsets))], 4);
        // A name of 19 characters (no NUL), with LF, CR, commas and quotes.
        const char alphabet[] = "TS_M:,\n\r\"x0";
        switch (below(random, 4)) {
          case 0:
            for (int c = 0; c < NameBytes; ++c) entry[c] = 'A' + static_cast<char>(c);
            break;
          case 1:
            for (int c = 0; c < NameBytes; ++c) {
              entry[c] = alphabet[below(random, sizeof alphabet - 1)];
            }
            break;
          case 2: entry[below(random, NameBytes)] = static_cast<char>(below(random, 256)); break;
          default: break;
        }
      }
      std::string log = run.convert(bytes, kVariants[round % std::size(kVariants)],
                                    "table round " + std::to_string(round));

      // The only errors are blocks outside the file.
      for (size_t at = log.find("] E "); at != std::string::npos; at = log.find("] E ", at + 1)) {
        EXPECT_EQ(log.compare(at + 4, 22, "Data block of device ["), 0) << log.substr(at, 80);
      }
      // Every device of a known kind whose block lies past the end is named
      // in an error line; nothing reads its bytes.
      for (int i = 0; i < names; ++i) {
        const unsigned char* e =
            reinterpret_cast<const unsigned char*>(entryAt(&bytes, headerSize, i));
        int width = recordBytes(static_cast<uint16_t>(e[19] | (e[20] << 8)));
        uint64_t offset = e[23] | (e[24] << 8) | (e[25] << 16) | (uint64_t{e[26]} << 24);
        if (width == 0 || offset + static_cast<uint64_t>(columns) * width <= bytes.size()) {
          continue;
        }
        std::string name(reinterpret_cast<const char*>(e), strnlen((const char*)e, 18));
        EXPECT_NE(log.find("E Data block of device [" + name + "] lies outside the file"),
                  std::string::npos)
            << "entry " << i << " round " << round;
      }
    }
  }
  EXPECT_GE(run.reportsSeen(), 140);
}

TEST(PipelineFuzzTest, DuplicatedAndMisplacedHeaderLines) {
  MutationRun run;
  Random random(99);
  for (const SampleDay& day : seedDays()) {
    const std::string& file = day.bytes;
    run.knownDevice = deviceToSelect(day);
    size_t textEnd = file.find('\0');
    std::string text = file.substr(0, textEnd);
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      lines.push_back(text.substr(at, end + 1 - at));
      at = end + 1;
    }
    for (int round = 0; round < 16; ++round) {
      std::vector<std::string> changed = lines;
      for (int k = 0; k < 3; ++k) {
        size_t from = below(random, changed.size());
        size_t to = below(random, changed.size() + 1);
        std::string line = changed[from];
        if (below(random, 3) == 0) line.erase(line.size() - 2, 1);  // LF without CR
        if (below(random, 4) == 0) line = "\n\n\n" + line;          // blank lines
        changed.insert(changed.begin() + static_cast<std::ptrdiff_t>(to), line);
      }
      std::string header;
      for (const std::string& line : changed) header += line;
      // The rest of the file stays where it was when the longer header
      // still fits its padding, and moves along otherwise.
      size_t padEnd = file.find_first_not_of('\0', textEnd);
      std::string rest = header.size() < padEnd
                             ? std::string(padEnd - header.size(), '\0') + file.substr(padEnd)
                             : file.substr(textEnd);
      run.convert(header + rest, kVariants[round % std::size(kVariants)],
                  "lines round " + std::to_string(round));
    }
  }
  // A header of nothing but LFs and a header without any LF.
  run.convert(std::string(5000, '\n'), kPlain, "only LFs");
  run.convert(std::string(5000, 'N') + "Number of Names = 3", kPlain, "no LF");
  EXPECT_GE(run.reportsSeen(), 160);
}

TEST(PipelineFuzzTest, MutatedFilesCutAtRandomPoints) {
  MutationRun run;
  Random random(31337);
  for (const SampleDay& day : seedDays()) {
    const std::string& file = day.bytes;
    run.knownDevice = deviceToSelect(day);
    for (int round = 0; round < 24; ++round) {
      std::string bytes = file;
      if (round % 2 == 1) {
        for (int i = 0; i < 4; ++i) {
          bytes[below(random, bytes.size())] = static_cast<char>(random());
        }
      }
      bytes.resize(below(random, bytes.size() + 1));
      run.convert(bytes, kVariants[round % std::size(kVariants)],
                  "cut at " + std::to_string(bytes.size()));
    }
  }
  EXPECT_GE(run.reportsSeen(), 190);
}

}  // namespace
}  // namespace loopconv
