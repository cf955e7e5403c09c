#include "sample/sample_day.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/test_support.h"
#include "datafile/data_file.h"
#include "datafile/data_header.h"
#include "derive/stations.h"
#include "gtest/gtest.h"
#include "metadata/cabinet_line.h"

namespace loopconv {
namespace {

std::vector<std::string> crLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  EXPECT_EQ(at, text.size()) << "text ends without CR LF";
  return lines;
}

// The day's file decoded, traps carried into their lanes and stations
// aggregated, as the converter does before its reports.
struct Decoded {
  DataHeader header;
  std::unique_ptr<DeviceTable> table;
  std::map<std::string, int32_t> index;  // by name
};

Decoded decode(const SampleDay& day) {
  Decoded d;
  std::vector<char> image(day.bytes.begin(), day.bytes.end());
  FILE* sink = tmpfile();
  Log log(sink);
  parseDataHeader(image.data(), image.size(), &d.header, log);
  d.table = loadDeviceTable(image.data(), image.size(), day.fileName, log, &d.header);
  fclose(sink);
  if (d.table == nullptr) return d;
  aggregateStations(d.table.get(), d.header.numberOfColumns);
  for (int32_t i = 0; i < d.table->size(); ++i) d.index[(*d.table)[i].Name] = i;
  return d;
}

TEST(SampleDayTest, DevicesAreNamedAfterTheirCabinetsAndSides) {
  SampleDay day = generateSampleDay(300, "08/18/2021", 7, 30);
  EXPECT_EQ(day.fileName, "PELMA20Sec_08182021.DAT");
  ASSERT_EQ(day.devices.size(), 300u);
  ASSERT_EQ(day.cabinetLines.size(), day.cabinets.size());
  std::map<std::string, char> sideOf;
  for (const CabinetLine& line : day.cabinetLines) {
    EXPECT_TRUE(sideOf.emplace(line.name, line.side).second) << line.name << " twice";
  }
  std::set<std::string> names;
  std::set<uint16_t> kinds;
  std::set<char> types;
  for (const SampleDevice& d : day.devices) {
    ASSERT_EQ(d.name.size(), 18u) << d.name;
    EXPECT_EQ(d.name[10], ':');
    ASSERT_EQ(sideOf.count(d.name.substr(0, 10)), 1u) << d.name;
    EXPECT_TRUE(names.insert(d.name).second) << d.name;
    // The direction letter of every device is its cabinet's side.
    EXPECT_EQ(d.name[13], sideOf[d.name.substr(0, 10)]) << d.name;
    kinds.insert(d.kind);
    if (d.kind == KindLane) types.insert(d.name[16]);
    if (d.name[16] == 'T') {
      EXPECT_EQ(d.kind, KindTrap) << d.name;
    }
    if (d.kind == KindStation) {
      EXPECT_EQ(d.name.substr(14), "_S00") << d.name;
    }
  }
  EXPECT_EQ(kinds, (std::set<uint16_t>{KindLane, KindStation, KindTrap, KindMeteredLane}));
  EXPECT_EQ(types, (std::set<char>{'_', 'S', 'R'}));

  // Each station finds its lanes (its name with '_' at 15 and 16 and the lane
  // digit at 17); each trap its speed loop and one of its two lane names.
  int stations = 0, traps = 0;
  for (const SampleDevice& d : day.devices) {
    if (d.kind == KindStation) {
      ++stations;
      for (char k = '1'; k <= '2'; ++k) {
        EXPECT_TRUE(names.count(d.name.substr(0, 15) + "__" + k)) << d.name;
      }
    }
    if (d.kind == KindTrap) {
      ++traps;
      std::string lane = d.name, marked = d.name, loop = d.name;
      lane[16] = marked[16] = '_';
      marked[11] = 'M';
      loop[16] = 'S';
      EXPECT_TRUE(names.count(loop)) << d.name;
      EXPECT_EQ(names.count(lane) + names.count(marked), 1u) << d.name;
    }
  }
  EXPECT_GT(stations, 20);
  EXPECT_GT(traps, 20);
}

// The same arguments give the same bytes; the same seed on another date the
// same roads, names and list (but for its date line) and other traffic;
// another seed another network.
TEST(SampleDayTest, RoadsComeFromTheSeedAndTheDayFromTheDate) {
  SampleDay day = generateSampleDay(200, "08/18/2021", 3, 600);
  EXPECT_EQ(generateSampleDay(200, "08/18/2021", 3, 600).bytes, day.bytes);
  SampleDay other = generateSampleDay(200, "03/02/2022", 3, 600);
  ASSERT_EQ(other.devices.size(), day.devices.size());
  for (size_t i = 0; i < day.devices.size(); ++i) {
    EXPECT_EQ(other.devices[i].name, day.devices[i].name);
    EXPECT_EQ(other.devices[i].kind, day.devices[i].kind);
  }
  EXPECT_EQ(other.cabinets, day.cabinets);
  std::vector<std::string> list = crLfLines(sampleCabinetList(day, "08/18/2021", 3));
  std::vector<std::string> otherList = crLfLines(sampleCabinetList(other, "03/02/2022", 3));
  ASSERT_EQ(list.size(), otherList.size());
  EXPECT_EQ(list[0], "Cabinet list - 08/18/2021");
  EXPECT_EQ(otherList[0], "Cabinet list - 03/02/2022");
  for (size_t i = 1; i < list.size(); ++i) EXPECT_EQ(list[i], otherList[i]);
  // Another day's traffic: the data blocks differ, not only the dates.
  ASSERT_EQ(other.bytes.size(), day.bytes.size());
  EXPECT_NE(other.bytes.substr(day.bytes.size() / 2), day.bytes.substr(day.bytes.size() / 2));
  EXPECT_NE(generateSampleDay(200, "08/18/2021", 4, 600).cabinets, day.cabinets);
}

// --devices N gives exactly N devices for small and large N, cut inside the
// last corridor (and cabinet) where it must; short files stay short.
TEST(SampleDayTest, DeviceCountsAreExactAndShortDaysAreShort) {
  for (int devices : {1, 3, 7, 40, 250, 3000}) {
    SCOPED_TRACE(devices);
    SampleDay day = generateSampleDay(devices, "01/02/2022", 1, 6);
    EXPECT_EQ(day.devices.size(), static_cast<size_t>(devices));
    EXPECT_NE(day.bytes.find("Number of Columns = 6\r\n"), std::string::npos);
    EXPECT_LE(day.completeCorridors, static_cast<int>(day.network.corridors.size()));
    EXPECT_GE(day.completeCorridors, static_cast<int>(day.network.corridors.size()) - 1);
    // Every station device of the file has its rows of truth: 6 periods are
    // one short interval.
    EXPECT_EQ(day.truth.size(), day.stations.size());
  }
  EXPECT_TRUE(isSampleDate("08/18/2021"));
  EXPECT_TRUE(isSampleDate("12/31/1999"));
  EXPECT_FALSE(isSampleDate("8/18/2021"));
  EXPECT_FALSE(isSampleDate("13/01/2021"));
  EXPECT_FALSE(isSampleDate("08-18-2021"));
  EXPECT_FALSE(isSampleDate("08/00/2021"));
}

// The list describes the same roads: every cabinet of the file in order, its
// roadway, side, milepost (its name's digits) and location read back by the
// metadata code; mileposts grow along N and E corridors and fall along S and W.
TEST(SampleDayTest, CabinetListDescribesTheRoads) {
  SampleDay day = generateSampleDay(2000, "08/18/2021", 9, 1);
  std::vector<std::string> lines = crLfLines(sampleCabinetList(day, "08/18/2021", 9));
  ASSERT_EQ(lines.size(), day.cabinets.size() + 3);
  std::map<std::string, std::vector<double>> mileposts;  // by roadway and side
  for (size_t i = 0; i < day.cabinets.size(); ++i) {
    const std::string& line = lines[i + 3];
    ASSERT_TRUE(isCabinetLine(line.data(), line.size())) << line;
    CabinetRecord r = {};
    fillCabinetRecord(line.data(), line.size(), &r);
    EXPECT_EQ(std::string(r.Device), day.cabinets[i]);
    EXPECT_NE(std::string(r.Roadway), "") << line;
    std::string side = r.Side;
    EXPECT_TRUE(side == "N" || side == "S" || side == "E" || side == "W") << line;
    // A plain decimal with two places, the cabinet name's five digits.
    std::string milepost = r.Milepost;
    ASSERT_GE(milepost.size(), 4u) << line;
    EXPECT_EQ(milepost[milepost.size() - 3], '.') << line;
    std::string digits =
        milepost.substr(0, milepost.size() - 3) + milepost.substr(milepost.size() - 2);
    EXPECT_EQ(std::stoi(digits), std::stoi(day.cabinets[i].substr(5))) << line;
    EXPECT_NE(std::string(r.Location), "") << line;
    EXPECT_EQ(std::string(r.Status), "ACTIVE") << line;
    if (r.Stations > 0) mileposts[std::string(r.Roadway) + side].push_back(std::stod(milepost));
  }
  ASSERT_GT(mileposts.size(), 4u);
  int complete = 0;
  for (const auto& [corridor, values] : mileposts) {
    SCOPED_TRACE(corridor);
    complete += values.size() >= 6;  // all but the corridor cut short
    char side = corridor.back();
    for (size_t i = 1; i < values.size(); ++i) {
      double step =
          side == 'N' || side == 'E' ? values[i] - values[i - 1] : values[i - 1] - values[i];
      // Stations 0.3 to 1.5 miles apart, now and then 2 to 5 (a gap made
      // room for a ramp or a bottleneck may be a little over).
      EXPECT_GE(step, 0.29);
      EXPECT_LE(step, 5.7);
    }
  }
  EXPECT_GE(complete, static_cast<int>(mileposts.size()) - 1);
}

// The detectors measure the simulation: where no fault was injected, every
// station's five-minute volume is within 5% of the truth (or one vehicle),
// and its trap speed (vehicle-weighted over its lanes) within 3 mph.
TEST(SampleDayTest, DetectorsAgreeWithTheTruth) {
  SampleDay day = generateSampleDay(400, "08/18/2021", 5, PeriodsPerDay);
  Decoded d = decode(day);
  ASSERT_NE(d.table, nullptr);
  std::map<std::string, const SampleStation*> stations;
  for (const SampleStation& s : day.stations) stations[s.device] = &s;
  int volumes = 0, speeds = 0, speedsOff = 0;
  for (const StationTruth& t : day.truth) {
    const SampleStation* station = stations[t.device];
    ASSERT_NE(station, nullptr) << t.device;
    if (station->faultInjected) continue;
    const DeviceRecord& r = (*d.table)[d.index.at(t.device)];
    uint32_t volume = 0;
    uint64_t speedWeighted = 0, weight = 0;
    for (int32_t p = t.firstPeriod; p < t.firstPeriod + TruthPeriods; ++p) {
      volume += r.Volume[p];
      uint32_t vehicles = r.Bin1[p] + r.Bin2[p] + r.Bin3[p] + r.Bin4[p];
      if (r.SpdTenths[p] > 0) {
        speedWeighted += uint64_t{r.SpdTenths[p]} * vehicles;
        weight += vehicles;
      }
    }
    double truthVehicles = t.flowVph * TruthMinutes / 60.0;
    EXPECT_LE(std::abs(volume - truthVehicles), std::max(1.0, 0.05 * truthVehicles))
        << t.device << " @" << t.firstPeriod;
    ++volumes;
    if (weight > 0 && t.hasSpeed && truthVehicles >= 10) {
      ++speeds;
      double measured = speedWeighted / (10.0 * weight);
      if (std::abs(measured - t.speedMph) > 3.0) ++speedsOff;
    }
  }
  EXPECT_GT(volumes, 5000);
  EXPECT_GT(speeds, 2000);
  // Where speeds change within five minutes the vehicle-weighted mean of the
  // traps and the space-mean speed part a little.
  EXPECT_LE(speedsOff, speeds / 100) << speedsOff << " of " << speeds;
}

// loopconv-gen writes the day, its list and its truth as generateSampleDay
// makes them.
TEST(SampleDayTest, GeneratorWritesTheDayItsListAndItsTruth) {
  TempDir out;
  std::string truthPath = out.file("truth.csv");
  ProgramResult run =
      runProgram({LOOPCONV_GEN_BINARY, "--devices", "120", "--date", "02/29/2024", "--seed", "6",
                  "--columns", "90", "--lst", "--truth", truthPath, out.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  SampleDay day = generateSampleDay(120, "02/29/2024", 6, 90);
  EXPECT_EQ(readFile(out.file("PELMA20Sec_02292024.DAT")), day.bytes);
  EXPECT_EQ(readFile(out.file("Cabinets_02292024.LST")), sampleCabinetList(day, "02/29/2024", 6));
  std::string truth = readFile(truthPath);
  EXPECT_EQ(truth, formatTruthCsv(day.truth, "02/29/2024"));
  std::vector<StationTruth> rows;
  std::string error;
  ASSERT_TRUE(parseTruthCsv(truth, &rows, &error)) << error;
  EXPECT_EQ(rows.size(), day.stations.size() * 6);  // 90 periods: six intervals
  EXPECT_EQ(run.out, out.path() + "/PELMA20Sec_02292024.DAT\n" + out.path() +
                         "/Cabinets_02292024.LST\n" + truthPath + "\n");
  // A truth file that cannot be written fails the run.
  run = runProgram({LOOPCONV_GEN_BINARY, "--devices", "5", "--columns", "3", "--truth",
                    out.file("missing/truth.csv"), out.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing/truth.csv"), std::string::npos);
  EXPECT_EQ(runProgram({LOOPCONV_GEN_BINARY, "--truth"}).status, 2);
}

}  // namespace
}  // namespace loopconv
