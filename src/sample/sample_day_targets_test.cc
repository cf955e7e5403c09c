// The targets a generated day must meet to look like traffic, checked on a
// whole day (smaller in the sanitizer build) on the truth and, through the
// built converter, on its five-minute roll-ups and health verdicts.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/sample_day.h"

namespace loopconv {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int TargetDevices = 700;
#else
constexpr int TargetDevices = 3000;
#endif
constexpr char TargetDate[] = "08/18/2021";

// One CSV of the converter: rows of named fields.
struct Csv {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  size_t column(const std::string& name) const {
    auto at = std::find(header.begin(), header.end(), name);
    EXPECT_NE(at, header.end()) << name;
    return static_cast<size_t>(at - header.begin());
  }
};

Csv readCsv(const std::string& path) {
  Csv csv;
  std::string text = readFile(path);
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::vector<std::string> fields = csvFields(text.substr(at, end - at));
    if (csv.header.empty()) {
      csv.header = fields;
    } else {
      csv.rows.push_back(fields);
    }
  }
  return csv;
}

struct Day {
  SampleDay sample;
  Csv stationRollups;
  Csv health;
};

bool inPeak(int32_t period) {
  int32_t hour = period / 180;
  return (hour >= 6 && hour < 10) || (hour >= 15 && hour < 19);
}

// The day and its converted outputs.
void makeDay(Day* day) {
  day->sample = generateSampleDay(TargetDevices, TargetDate, 1);
  TempDir in, out;
  writeFile(in.file(day->sample.fileName), day->sample.bytes);
  ProgramResult run = runProgram({LOOPCONV_BINARY, "--rollup=5", "--health", "-I" + in.path(),
                                  "-O" + out.path(), "-F" + out.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  day->stationRollups = readCsv(out.file("Rollup_Stations_5min_2021-08-18.csv"));
  day->health = readCsv(out.file("Health_2021-08-18.csv"));
}

// Truth rows by station device, in time order.
std::map<std::string, std::vector<const StationTruth*>> truthByStation(const Day& day) {
  std::map<std::string, std::vector<const StationTruth*>> rows;
  for (const StationTruth& t : day.sample.truth) rows[t.device].push_back(&t);
  return rows;
}

bool faulty(const Day& day, const std::string& station) {
  for (const SampleStation& s : day.sample.stations) {
    if (s.device == station) return s.faultInjected;
  }
  return true;
}

// No station-interval carries more than a lane can: 2,300 vehicles per hour
// per lane at most.
void checkTruthFlowsStayWithinWhatLanesCarry(const Day& target) {
  const SampleDay& day = target.sample;
  ASSERT_EQ(day.truth.size(), day.stations.size() * (PeriodsPerDay / TruthPeriods));
  double highest = 0;
  auto rows = truthByStation(target);
  for (const SampleStation& s : day.stations) {
    const StationSite& site = day.network.corridors[s.corridor].stations[s.station];
    for (const StationTruth* t : rows[s.device]) {
      highest = std::max(highest, t->flowVph / site.lanes);
      EXPECT_LE(t->densityPerLane, day.network.corridors[s.corridor].jamDensity);
    }
  }
  EXPECT_LE(highest, 2300.0);
  EXPECT_GE(highest, 1700.0);  // the peaks reach near capacity somewhere
}

// Every corridor (but one cut short) has a queue in a peak and a station
// that stays fast; each queue starts at its bottleneck, the most downstream
// place it reaches, and its upstream edge moves upstream as the peak goes on.
void checkQueuesFormAtBottlenecksAndSpreadUpstream(const Day& target) {
  const SampleDay& day = target.sample;
  auto rows = truthByStation(target);
  // Station names of each corridor in the direction of travel.
  std::vector<std::vector<std::string>> corridors(day.network.corridors.size());
  for (const SampleStation& s : day.stations) corridors[s.corridor].push_back(s.device);
  ASSERT_GE(day.completeCorridors, TargetDevices / 400);
  int queues = 0, spreading = 0;
  for (int c = 0; c < day.completeCorridors; ++c) {
    SCOPED_TRACE(day.network.corridors[c].roadway + " " + day.network.corridors[c].side);
    const std::vector<std::string>& names = corridors[c];
    double slowestInPeak = 1e9;
    int fastStations = 0;
    for (const std::string& name : names) {
      double slowest = 1e9;
      for (const StationTruth* t : rows[name]) {
        if (!t->hasSpeed) continue;
        slowest = std::min(slowest, t->speedMph);
        if (inPeak(t->firstPeriod)) slowestInPeak = std::min(slowestInPeak, t->speedMph);
      }
      fastStations += slowest >= 50.0;
    }
    EXPECT_LT(slowestInPeak, 40.0);
    EXPECT_GE(fastStations, 1);

    for (int32_t peakStart : {6 * 180, 15 * 180}) {
      // An incident makes a queue of its own; those peaks are left out.
      bool incident = false;
      for (const Incident& i : day.conditions.incidents) {
        incident |=
            i.corridor == c && i.startPeriod < peakStart + 4 * 180 && i.endPeriod > peakStart - 180;
      }
      if (incident) continue;
      int firstInterval = -1, firstDownstream = -1, firstEdge = -1;
      int mostDownstream = -1, furthestEdge = static_cast<int>(names.size());
      for (int32_t i = peakStart / TruthPeriods; i < (peakStart + 4 * 180) / TruthPeriods; ++i) {
        int edge = -1, downstream = -1;
        for (size_t s = 0; s < names.size(); ++s) {
          const StationTruth* t = rows[names[s]][static_cast<size_t>(i)];
          if (t->hasSpeed && t->speedMph < 40.0) {
            if (edge < 0) edge = static_cast<int>(s);
            downstream = static_cast<int>(s);
          }
        }
        if (edge < 0) continue;
        if (firstInterval < 0) {
          firstInterval = i;
          firstDownstream = downstream;
          firstEdge = edge;
        }
        mostDownstream = std::max(mostDownstream, downstream);
        furthestEdge = std::min(furthestEdge, edge);
      }
      if (firstInterval < 0) continue;
      ++queues;
      EXPECT_EQ(firstDownstream, mostDownstream) << "peak at " << peakStart / 180;
      if (mostDownstream - furthestEdge >= 1) {
        ++spreading;
        EXPECT_LT(furthestEdge, firstEdge) << "peak at " << peakStart / 180;
      }
    }
  }
  EXPECT_GE(queues, day.completeCorridors * 3 / 4);
  EXPECT_GE(spreading, queues / 2);
}

// On the converter's roll-ups: free-flowing stations read low occupancies,
// station volumes agree with the truth, the traps' speeds with the true
// space-mean speeds.
void checkRollupsAgreeWithTheTruth(const Day& target) {
  const Csv& csv = target.stationRollups;
  size_t device = csv.column("device"), start = csv.column("interval_start");
  size_t observed = csv.column("observed"), volume = csv.column("volume");
  size_t occupancy = csv.column("occupancy_pct"), speed = csv.column("speed_mph");
  std::map<std::pair<std::string, int32_t>, const std::vector<std::string>*> rollups;
  for (const std::vector<std::string>& row : csv.rows) {
    ASSERT_EQ(row.size(), csv.header.size());
    const std::string& t = row[start];
    int32_t period = std::stoi(t.substr(11, 2)) * 180 + std::stoi(t.substr(14, 2)) * 3;
    rollups[{row[device], period}] = &row;
  }
  int freeFlow = 0, freeFlowLow = 0, volumes = 0, volumesOff = 0, speeds = 0, speedsOff = 0;
  for (const StationTruth& t : target.sample.truth) {
    auto found = rollups.find({t.device, t.firstPeriod});
    ASSERT_NE(found, rollups.end()) << t.device << " @" << t.firstPeriod;
    if (faulty(target, t.device)) continue;
    const std::vector<std::string>& row = *found->second;
    ASSERT_EQ(row[observed], "15");
    if (t.hasSpeed && t.speedMph > 55.0) {
      ++freeFlow;
      freeFlowLow += std::stod(row[occupancy]) < 12.0;
    }
    double truthVehicles = t.flowVph * TruthMinutes / 60.0;
    if (truthVehicles >= 20) {
      ++volumes;
      volumesOff += std::abs(std::stod(row[volume]) - truthVehicles) > 0.05 * truthVehicles;
    }
    if (t.hasSpeed && !row[speed].empty() && truthVehicles >= 10) {
      ++speeds;
      speedsOff += std::abs(std::stod(row[speed]) - t.speedMph) > 3.0;
    }
  }
  EXPECT_GT(freeFlow, 10000 * TargetDevices / 3000);
  EXPECT_GE(freeFlowLow, freeFlow * 95 / 100) << freeFlowLow << " of " << freeFlow;
  EXPECT_GT(volumes, 10000 * TargetDevices / 3000);
  EXPECT_EQ(volumesOff, 0) << volumesOff << " of " << volumes;
  EXPECT_GT(speeds, 5000 * TargetDevices / 3000);
  // Where the speed changes within five minutes the traps' vehicle-weighted
  // mean and the space-mean speed part a little.
  EXPECT_LE(speedsOff, speeds / 100) << speedsOff << " of " << speeds;
}

// The health verdicts find every lane that was made faulty, and pass nearly
// every other lane.
void checkHealthFindsTheFaultyLanes(const Day& target) {
  const SampleDay& day = target.sample;
  const Csv& csv = target.health;
  size_t device = csv.column("device"), status = csv.column("status");
  std::map<std::string, std::string> verdicts;
  for (const std::vector<std::string>& row : csv.rows) verdicts[row[device]] = row[status];
  int faults = 0, healthy = 0, healthyGood = 0;
  std::set<std::string> downForAnHour;
  for (const LaneOutage& o : day.conditions.outages) {
    for (const SampleStation& s : day.stations) {
      if (s.corridor == o.corridor && s.station == o.station) {
        downForAnHour.insert(s.device.substr(0, 14) + "___" + static_cast<char>('1' + o.lane));
      }
    }
  }
  for (const SampleStation& s : day.stations) {
    const StationSite& site = day.network.corridors[s.corridor].stations[s.station];
    for (int k = 0; k < site.lanes; ++k) {
      std::string lane = s.device.substr(0, 14) + "___" + static_cast<char>('1' + k);
      ASSERT_EQ(verdicts.count(lane), 1u) << lane;
      if (site.faults[k] != LaneFault::None) {
        ++faults;
        EXPECT_NE(verdicts[lane], "good") << lane << " fault " << static_cast<int>(site.faults[k]);
      } else if (!downForAnHour.count(lane)) {
        ++healthy;
        healthyGood += verdicts[lane] == "good";
      }
    }
  }
  EXPECT_GT(faults, healthy / 30);  // about one lane in 15
  EXPECT_LT(faults, healthy / 8);
  EXPECT_GE(healthyGood, healthy * 98 / 100) << healthyGood << " of " << healthy;
}

// One day for all the checks: making and converting it is most of the time.
TEST(SampleDayTargetsTest, GeneratedDayMeetsItsTargets) {
  Day day;
  makeDay(&day);
  if (HasFatalFailure()) return;
  {
    SCOPED_TRACE("TruthFlowsStayWithinWhatLanesCarry");
    checkTruthFlowsStayWithinWhatLanesCarry(day);
  }
  {
    SCOPED_TRACE("QueuesFormAtBottlenecksAndSpreadUpstream");
    checkQueuesFormAtBottlenecksAndSpreadUpstream(day);
  }
  {
    SCOPED_TRACE("RollupsAgreeWithTheTruth");
    checkRollupsAgreeWithTheTruth(day);
  }
  {
    SCOPED_TRACE("HealthFindsTheFaultyLanes");
    checkHealthFindsTheFaultyLanes(day);
  }
}

}  // namespace
}  // namespace loopconv
