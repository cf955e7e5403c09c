#include "sample/sample_day.h"

#include <algorithm>

#include "sample/cell_transmission.h"
#include "sample/data_file_writer.h"
#include "sample/detector_measurement.h"
#include "sample/sample_random.h"

namespace loopconv {
namespace {

// One corridor's day: the demand curve with the day's level, its incidents.
SimulatedCorridorDay corridorDay(const RoadCorridor& corridor, int index,
                                 const DayConditions& conditions, int32_t periods) {
  SimulatedCorridorDay day;
  double level = conditions.corridorLevel[static_cast<size_t>(index)];
  for (int32_t p = 0; p < periods; ++p) {
    double hour = (p + 0.5) / 180.0;
    day.demandShare.push_back(level * demandShare(hour, corridor.inboundInMorning, conditions));
  }
  for (const Incident& incident : conditions.incidents) {
    if (incident.corridor == index) day.incidents.push_back(incident);
  }
  return day;
}

CabinetLine stationLine(const RoadCorridor& corridor, const StationSite& s) {
  CabinetLine line;
  line.name = s.cabinet;
  line.roadway = corridor.roadway;
  line.side = corridor.side;
  line.milepost = s.milepost;
  line.location = s.location;
  line.loops = s.lanes * (s.trap ? 2 : 1);
  line.stations = 1;
  line.speedtraps = s.trap ? s.lanes : 0;
  return line;
}

CabinetLine rampLine(const RoadCorridor& corridor, const RampSite& r) {
  CabinetLine line;
  line.name = r.cabinet;
  line.roadway = corridor.roadway;
  line.side = corridor.side;
  line.milepost = r.milepost;
  line.location = r.location;
  line.loops = r.lanes + 1;
  line.meteredLanes = r.lanes;
  return line;
}

// Builds the day corridor by corridor, so that only one corridor's
// simulation is held at a time.
class DayAssembler {
 public:
  DayAssembler(SampleDay* day, const std::string& date, uint64_t seed, int32_t columns,
               int deviceCount)
      : day_(day), date_(date), seed_(seed), columns_(columns), room_(deviceCount) {}

  // False once the day holds all its devices.
  bool addCorridor(int index);
  DataFileDescription& description() { return description_; }

 private:
  // Adds the devices of one cabinet (as many as there is room for); true
  // when every one of them fitted.
  bool addCabinet(std::vector<DeviceDescription>* devices, const CabinetLine& line);

  SampleDay* day_;
  std::string date_;
  uint64_t seed_;
  int32_t columns_;
  int room_;
  DataFileDescription description_;
};

bool DayAssembler::addCabinet(std::vector<DeviceDescription>* devices, const CabinetLine& line) {
  if (room_ <= 0) return false;
  day_->cabinets.push_back(line.name);
  day_->cabinetLines.push_back(line);
  for (DeviceDescription& d : *devices) {
    if (room_ <= 0) return false;
    --room_;
    day_->devices.push_back(SampleDevice{d.name, d.kind});
    description_.devices.push_back(std::move(d));
  }
  return true;
}

bool DayAssembler::addCorridor(int index) {
  const RoadCorridor& corridor = day_->network.corridors[static_cast<size_t>(index)];
  std::vector<LaneOutage> outages;
  for (const LaneOutage& o : day_->conditions.outages) {
    if (o.corridor == index) outages.push_back(o);
  }
  SimulatedCorridorDay today = corridorDay(corridor, index, day_->conditions, columns_);
  CorridorFlows flows = simulateCorridor(corridor, today, columns_);

  // Cabinets in the direction of travel: stations, and metered ramps where
  // they lie between them.
  size_t ramp = 0;
  auto addRampsBefore = [&](double position) {
    for (; ramp < corridor.ramps.size() && corridor.ramps[ramp].position < position; ++ramp) {
      const RampSite& r = corridor.ramps[ramp];
      if (r.cabinet.empty()) continue;
      SampleRandom random(streamKey(seed_, date_ + r.cabinet));
      std::vector<DeviceDescription> devices;
      measureRamp(corridor, r, flows.ramps[ramp], columns_, random, &devices);
      if (!addCabinet(&devices, rampLine(corridor, r))) return false;
    }
    return true;
  };
  for (size_t s = 0; s < corridor.stations.size(); ++s) {
    const StationSite& site = corridor.stations[s];
    if (!addRampsBefore(site.position)) return false;
    bool faulty = false;
    for (LaneFault fault : site.faults) faulty |= fault != LaneFault::None;
    std::vector<LaneDowntime> downtime;
    for (const LaneOutage& o : outages) {
      if (o.station == static_cast<int>(s)) {
        downtime.push_back({o.lane, o.startPeriod, o.endPeriod});
        faulty = true;
      }
    }
    SampleRandom random(streamKey(seed_, date_ + site.cabinet));
    std::vector<DeviceDescription> devices;
    measureStation(corridor, site, flows.stations[s], downtime, columns_, random, &devices);
    std::string station = devices.back().name;
    if (!addCabinet(&devices, stationLine(corridor, site))) return false;
    day_->stations.push_back({station, index, static_cast<int>(s), faulty});
    std::vector<StationTruth> rows = stationTruth(station, site.lanes, flows.stations[s], columns_);
    day_->truth.insert(day_->truth.end(), rows.begin(), rows.end());
  }
  return addRampsBefore(corridor.lengthMiles + 1.0);
}

}  // namespace

bool isSampleDate(const std::string& date) {
  if (date.size() != 10 || date[2] != '/' || date[5] != '/') return false;
  for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return false;
  }
  int month = (date[0] - '0') * 10 + (date[1] - '0');
  int dayOfMonth = (date[3] - '0') * 10 + (date[4] - '0');
  return month >= 1 && month <= 12 && dayOfMonth >= 1 && dayOfMonth <= 31;
}

SampleDay generateSampleDay(int deviceCount, const std::string& date, uint64_t seed,
                            int32_t columns) {
  SampleDay day;
  std::string d = date;
  d.resize(10, '0');
  day.fileName = "PELMA20Sec_" + d.substr(0, 2) + d.substr(3, 2) + d.substr(6, 4) + ".DAT";
  columns = std::clamp(columns, 1, PeriodsPerDay);
  deviceCount = std::clamp(deviceCount, 0, MaxSampleDevices);

  day.network = layOutNetwork(seed, deviceCount);
  day.conditions = drawDayConditions(day.network, seed, d);
  DayAssembler assembler(&day, d, seed, columns, deviceCount);
  int corridors = static_cast<int>(day.network.corridors.size());
  for (int c = 0; c < corridors; ++c) {
    if (!assembler.addCorridor(c)) break;
    day.completeCorridors = c + 1;
  }
  DataFileDescription& description = assembler.description();
  description.dataStart = d + " 00:00:00";
  description.numberOfColumns = columns;
  day.bytes = buildDataFile(description);
  return day;
}

std::string sampleCabinetList(const SampleDay& day, const std::string& date, uint64_t seed) {
  return buildCabinetList(day.cabinetLines, date, seed);
}

}  // namespace loopconv
