#include "sample/detector_measurement.h"

#include <algorithm>
#include <cmath>

#include "datafile/decode.h"
#include "sample/demand_profile.h"

namespace loopconv {
namespace {

constexpr int MaxStationLanes = 5;
constexpr unsigned MaxLaneVolume = 31;      // 5-bit field
constexpr unsigned MaxStationVolume = 127;  // 7-bit field
constexpr unsigned ScansPerPeriod = 1200;   // 60 a second
constexpr double FeetPerSecondPerMph = 5280.0 / 3600.0;
constexpr unsigned DownFlag = 4;

unsigned clampTo(double v, unsigned high) {
  if (!(v > 0)) return 0;
  if (v >= high) return high;
  return static_cast<unsigned>(v + 0.5);
}

// Scans of a loop that vehicles of `feet` total length (`count` of them)
// covered at `mph`.
double coverScans(double feet, unsigned count, double mph) {
  return 60.0 * (feet + LoopFeet * count) / (mph * FeetPerSecondPerMph);
}

// Whole vehicles from a fluid count: the fraction left over is carried into
// the next period, so sums over any stretch stay within one vehicle.
class WholeVehicles {
 public:
  unsigned take(double vehicles) {
    carry_ += vehicles;
    double whole = std::floor(carry_ + 0.5);
    if (whole < 0) whole = 0;
    carry_ -= whole;
    return static_cast<unsigned>(whole);
  }

 private:
  double carry_ = 0;
};

// One lane's vehicles in one period.
struct LaneCount {
  unsigned volume = 0;
  double feet = 0;
  unsigned bins[4] = {0, 0, 0, 0};
};

struct LaneReport {
  unsigned volume;
  unsigned scans;
};

// How a faulty detector misreports, all day long.
void applyFault(LaneFault fault, SampleRandom& random, LaneReport* r) {
  switch (fault) {
    case LaneFault::None: break;
    case LaneFault::CardOff:  // reports, but sees nothing
      r->volume = 0;
      r->scans = 0;
      break;
    case LaneFault::Stuck:  // one occupancy whenever a vehicle passes
      if (r->volume > 0) r->scans = 333;
      break;
    case LaneFault::Occupied:  // something sits on the loop
      r->scans = 1000 + static_cast<unsigned>(random.below(150));
      break;
    case LaneFault::Chatter:  // counts, mostly without occupancy
      if (random.below(4) != 0) r->scans = 0;
      break;
  }
}

std::vector<double> truckShares(int32_t periods) {
  std::vector<double> shares(static_cast<size_t>(std::max(periods, 0)));
  for (size_t p = 0; p < shares.size(); ++p) shares[p] = truckShare((p + 0.5) / 180.0);
  return shares;
}

// `value` rounded down or up at random, so that the mean is `value`.
unsigned randomRound(double value, double u) {
  return value > 0 ? static_cast<unsigned>(value + u) : 0u;
}

// Splits a period's `vehicles` over the lanes: the trucks (`truckShare` of
// them) keep to the right lanes, the cars spread by `weights` (left lanes
// a little busier), each period a little differently. A lane whose field is
// full passes its surplus to the next lane with room.
void splitOverLanes(unsigned vehicles, double truckShare, const double* weights, int lanes,
                    SampleRandom& random, LaneCount* counts) {
  if (vehicles == 0) return;
  // Five 12-bit uniforms from each of two draws.
  uint64_t draws[2] = {random.next(), random.next()};
  auto part = [&draws](int i) {
    return static_cast<double>((draws[i / 5] >> (12 * (i % 5))) & 0xFFF) / 4096.0;
  };
  unsigned trucks = std::min(vehicles, randomRound(vehicles * truckShare, part(0)));
  unsigned right = lanes > 2 ? randomRound(trucks * 2.0 / 3.0, part(1)) : trucks;
  double carFeet = 14.0 + 2.0 * part(2);  // the period's cars, 14 to 16 ft
  unsigned wanted[MaxStationLanes] = {0, 0, 0, 0, 0};
  unsigned truckLane[MaxStationLanes] = {0, 0, 0, 0, 0};
  truckLane[lanes - 1] = right;
  if (lanes > 1) truckLane[lanes - 2] += trucks - right;
  // Cars by systematic sampling over the weights, each varied by up to 10%.
  unsigned cars = vehicles - trucks;
  double varied[MaxStationLanes];
  double total = 0;
  for (int k = 0; k < lanes; ++k) total += varied[k] = weights[k] * (0.9 + 0.2 * part(5 + k));
  double offset = random.uniform(), cumulative = 0;
  unsigned given = 0;
  for (int k = 0; k < lanes; ++k) {
    cumulative += varied[k] / total;
    unsigned upTo = std::min(cars, static_cast<unsigned>(cumulative * cars + offset));
    if (k == lanes - 1) upTo = cars;
    wanted[k] = upTo - std::min(upTo, given);
    given = std::max(given, upTo);
  }
  unsigned surplus = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 0; k < lanes; ++k) {
      LaneCount& c = counts[k];
      if (pass == 0) {
        for (unsigned t = 0; t < truckLane[k]; ++t) {
          Vehicle truck = vehicleFor(truckShare * random.uniform(), truckShare);
          c.feet += truck.feet;
          ++c.bins[truck.bin - 1];
        }
        c.volume = truckLane[k] + wanted[k];
        c.feet += carFeet * wanted[k];
        c.bins[0] += wanted[k];
      }
      // Cars beyond the field move on to lanes with room.
      if (c.volume > MaxLaneVolume && c.bins[0] > 0) {
        unsigned move = std::min(c.volume - MaxLaneVolume, c.bins[0]);
        c.volume -= move;
        c.bins[0] -= move;
        c.feet -= carFeet * move;
        surplus += move;
      } else if (pass == 1 && surplus > 0 && c.volume < MaxLaneVolume) {
        unsigned move = std::min(surplus, MaxLaneVolume - c.volume);
        c.volume += move;
        c.bins[0] += move;
        c.feet += carFeet * move;
        surplus -= move;
      }
    }
  }
}

DeviceDescription namedDevice(const std::string& name, uint16_t kind, int32_t periods,
                              SampleRandom& random) {
  DeviceDescription d;
  d.name = name;
  d.kind = kind;
  d.aux = static_cast<uint16_t>(random.below(4));
  d.block.reserve(static_cast<size_t>(std::max(periods, 0)) * recordBytes(kind));
  return d;
}

}  // namespace

std::string deviceName(const std::string& cabinet, const std::string& suffix) {
  return cabinet + ":" + suffix;
}

void measureStation(const RoadCorridor& corridor, const StationSite& station,
                    const StationFlow& flow, const std::vector<LaneDowntime>& downtime,
                    int32_t periods, SampleRandom& random,
                    std::vector<DeviceDescription>* devices) {
  const int lanes = std::clamp(station.lanes, 1, MaxStationLanes);
  const std::string road = std::string("_M") + corridor.side;
  // Marked stations name their lanes (and station) with 'M' at position 11;
  // their traps find them under that second lane name.
  const std::string lanePart = station.markedLanes ? "M" + road.substr(1) : road;

  std::vector<DeviceDescription> laneDevices, loopDevices, trapDevices;
  for (int k = 0; k < lanes; ++k) {
    char digit = static_cast<char>('1' + k);
    laneDevices.push_back(namedDevice(deviceName(station.cabinet, lanePart + "___" + digit),
                                      KindLane, periods, random));
    if (station.trap) {
      loopDevices.push_back(namedDevice(deviceName(station.cabinet, road + "__S" + digit), KindLane,
                                        periods, random));
      trapDevices.push_back(namedDevice(deviceName(station.cabinet, road + "__T" + digit), KindTrap,
                                        periods, random));
    }
  }
  DeviceDescription stationDevice =
      namedDevice(deviceName(station.cabinet, lanePart + "_S00"), KindStation, periods, random);

  // The left lanes carry a little more, the right ones the trucks.
  double weights[MaxStationLanes];
  for (int k = 0; k < lanes; ++k) weights[k] = lanes == 1 ? 1.0 : 1.1 - 0.2 * k / (lanes - 1);
  std::vector<double> trucks = truckShares(periods);
  WholeVehicles whole;
  for (int32_t p = 0; p < periods; ++p) {
    double fluid = flow.vehicles[static_cast<size_t>(p)];
    double density = flow.density[static_cast<size_t>(p)];
    double speed = density > 1e-6 ? fluid / (PeriodHours * density) : corridor.freeFlowMph;
    speed = std::clamp(speed, 2.0, corridor.freeFlowMph);
    unsigned vehicles = whole.take(fluid);

    LaneCount counts[MaxStationLanes];
    splitOverLanes(vehicles, trucks[static_cast<size_t>(p)], weights, lanes, random, counts);

    unsigned stationVolume = 0, stationScans = 0;
    for (int k = 0; k < lanes; ++k) {
      const LaneCount& c = counts[k];
      bool down = false;
      for (const LaneDowntime& d : downtime) {
        if (d.lane == k && p >= d.startPeriod && p < d.endPeriod) down = true;
      }
      double scans = c.volume > 0 ? coverScans(c.feet, c.volume, speed) : 0.0;
      LaneReport report{c.volume,
                        c.volume > 0 ? clampTo(scans + random.noise(), ScansPerPeriod) : 0u};
      unsigned trueScans = report.scans;
      applyFault(
          station.faults.size() > static_cast<size_t>(k) ? station.faults[k] : LaneFault::None,
          random, &report);
      if (down) {
        laneDevices[k].add(encodeLanePeriod(0, 0, 0, 0, DownFlag));
      } else {
        laneDevices[k].add(encodeLanePeriod(0, 1, report.scans, report.volume, 0));
        stationVolume += report.volume;
        stationScans += report.scans;
      }
      if (!station.trap) continue;
      // The speed loop sees the same vehicles a moment later.
      unsigned loopScans =
          c.volume > 0 ? clampTo(trueScans + random.noise() * 2.0, ScansPerPeriod) : 0u;
      loopDevices[k].add(encodeLanePeriod(0, 1, loopScans, c.volume, 0));
      unsigned valid = c.volume > 0 && random.below(200) != 0 ? 0x80 : 0x00;
      unsigned speedTenths = 0, lengthTenths = 0;
      if (c.volume > 0) {
        speedTenths = clampTo((speed + random.noise()) * 10.0, 1023);
        lengthTenths = clampTo((c.feet / c.volume + 0.3 * random.noise()) * 10.0, 1023);
      }
      trapDevices[k].add(encodeTrapPeriod(
          down ? 0x00 : 0x80, valid | 0x10, speedTenths, lengthTenths, std::min(c.bins[0], 31u),
          std::min(c.bins[1], 15u), std::min(c.bins[2], 15u), std::min(c.bins[3], 7u)));
    }
    stationDevice.add(encodeStationPeriod(0, static_cast<unsigned>(lanes),
                                          stationScans / static_cast<unsigned>(lanes),
                                          std::min(stationVolume, MaxStationVolume), 0));
  }
  for (auto& d : laneDevices) devices->push_back(std::move(d));
  for (auto& d : loopDevices) devices->push_back(std::move(d));
  for (auto& d : trapDevices) devices->push_back(std::move(d));
  devices->push_back(std::move(stationDevice));
}

void measureRamp(const RoadCorridor& corridor, const RampSite& ramp, const RampFlow& flow,
                 int32_t periods, SampleRandom& random, std::vector<DeviceDescription>* devices) {
  const int lanes = std::clamp(ramp.lanes, 1, 2);
  const std::string part = std::string("_R") + corridor.side;
  std::vector<DeviceDescription> meterLanes, meteredLanes;
  for (int k = 0; k < lanes; ++k) {
    char digit = static_cast<char>('1' + k);
    meterLanes.push_back(
        namedDevice(deviceName(ramp.cabinet, part + "__R" + digit), KindLane, periods, random));
    meteredLanes.push_back(namedDevice(deviceName(ramp.cabinet, part + "___" + digit),
                                       KindMeteredLane, periods, random));
  }
  DeviceDescription queueLoop =
      namedDevice(deviceName(ramp.cabinet, std::string("_Q") + corridor.side + "___1"), KindLane,
                  periods, random);

  std::vector<double> trucks = truckShares(periods);
  WholeVehicles merged, arrived;
  for (int32_t p = 0; p < periods; ++p) {
    size_t i = static_cast<size_t>(p);
    bool metering = flow.busy[i] != 0;
    double queue = flow.queue[i];
    // Vehicles leave the meter slowly and pass the queue loop at ramp speed.
    double meterMph = metering ? 18.0 : 35.0;
    unsigned let = merged.take(flow.merged[i]);
    for (int k = 0; k < lanes; ++k) {
      unsigned volume = let / lanes + (static_cast<unsigned>(k) < let % lanes ? 1 : 0);
      volume = std::min(volume, MaxLaneVolume);
      double feet = 0;
      for (unsigned v = 0; v < volume; ++v) feet += vehicleFor(random.uniform(), trucks[i]).feet;
      unsigned scans =
          volume > 0 ? clampTo(coverScans(feet, volume, meterMph) + random.noise(), ScansPerPeriod)
                     : 0u;
      meterLanes[k].add(encodeLanePeriod(0, 1, scans, volume, 0));
      unsigned rate = metering ? clampTo(volume * 180.0 / 20.0 + 10.0, 255) : 0;
      unsigned queueLevel = clampTo(queue / lanes / 3.0, 15);
      meteredLanes[k].add(encodeMeterPeriod(rate, queueLevel, metering ? 1 : 0));
    }
    unsigned arrivals = std::min(arrived.take(flow.arrivals[i]), MaxLaneVolume);
    double feet = 0;
    for (unsigned v = 0; v < arrivals; ++v) feet += vehicleFor(random.uniform(), trucks[i]).feet;
    double scans = arrivals > 0 ? coverScans(feet, arrivals, 30.0) : 0.0;
    // A queue longer than the ramp holds stands over the loop.
    if (queue > 20.0 * lanes) scans = std::max(scans, 500.0 + 30.0 * random.noise());
    queueLoop.add(encodeLanePeriod(0, 1, clampTo(scans, ScansPerPeriod), arrivals, 0));
  }
  for (int k = 0; k < lanes; ++k) {
    devices->push_back(std::move(meterLanes[k]));
    devices->push_back(std::move(meteredLanes[k]));
  }
  devices->push_back(std::move(queueLoop));
}

}  // namespace loopconv
