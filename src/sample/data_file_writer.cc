#include "sample/data_file_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "datafile/data_header.h"
#include "datafile/decode.h"
#include "sample/sample_random.h"

namespace loopconv {

std::array<uint8_t, 3> encodeLanePeriod(unsigned incident, unsigned numLanes,
                                        unsigned scanCnt, unsigned volume, unsigned flag) {
  return {static_cast<uint8_t>(((incident & 0x03) << 6) | ((numLanes & 0x07) << 3) |
                               ((scanCnt >> 8) & 0x07)),
          static_cast<uint8_t>(scanCnt & 0xFF),
          static_cast<uint8_t>(((flag & 0x07) << 5) | (volume & 0x1F))};
}

std::array<uint8_t, 3> encodeStationPeriod(unsigned incident, unsigned numLanes,
                                           unsigned scanCnt, unsigned volume, unsigned flag) {
  return {static_cast<uint8_t>(((incident & 0x03) << 6) | ((numLanes & 0x07) << 3) |
                               ((scanCnt >> 8) & 0x07)),
          static_cast<uint8_t>(scanCnt & 0xFF),
          static_cast<uint8_t>(((flag & 0x01) << 7) | (volume & 0x7F))};
}

std::array<uint8_t, 6> encodeTrapPeriod(unsigned spdFlag, unsigned spdFlag2,
                                        unsigned spdTenths, unsigned lenTenths,
                                        unsigned bin1, unsigned bin2, unsigned bin3,
                                        unsigned bin4) {
  return {static_cast<uint8_t>(spdFlag & 0xFF),
          static_cast<uint8_t>((spdFlag2 & 0xF0) | (((lenTenths >> 8) & 0x03) << 2) |
                               ((spdTenths >> 8) & 0x03)),
          static_cast<uint8_t>(spdTenths & 0xFF),
          static_cast<uint8_t>(lenTenths & 0xFF),
          static_cast<uint8_t>(((bin4 & 0x07) << 5) | (bin1 & 0x1F)),
          static_cast<uint8_t>(((bin2 & 0x0F) << 4) | (bin3 & 0x0F))};
}

std::array<uint8_t, 2> encodeMeterPeriod(unsigned meterByte, unsigned meterHigh,
                                         unsigned meterLow) {
  return {static_cast<uint8_t>(meterByte & 0xFF),
          static_cast<uint8_t>(((meterHigh & 0x0F) << 4) | (meterLow & 0x0F))};
}

namespace {

constexpr int64_t HeaderAlignment = 64;

std::string headerText(const DataFileDescription& description, int64_t headerSize,
                       int64_t nameListSize, int64_t dataSize, int64_t fileSize) {
  std::string date = description.dataStart.substr(0, 10);
  std::string text;
  auto line = [&text](const std::string& s) { text += s + "\r\n"; };
  line("PELMA TMS Twenty Second Data File");
  line("VX.2 Format");
  line("DB Mode = FIXED");
  line("DB Creation = " + date + " 00:00:05");
  line("File Write = " + date + " 23:59:59");
  line("Data Start = " + description.dataStart);
  line("Data End = " + date + " 23:59:40");
  line("Version = 2");
  line("Number of Names = " + std::to_string(description.devices.size()));
  line("Number of Columns = " + std::to_string(description.numberOfColumns));
  line("Header Size = " + std::to_string(headerSize));
  line("Name List Size = " + std::to_string(nameListSize));
  line("Data Size = " + std::to_string(dataSize));
  line("File Size = " + std::to_string(fileSize));
  line("The remainder of this file is binary name and data records");
  return text;
}

size_t blockBytes(const DeviceDescription& device, int32_t columns) {
  size_t wanted = static_cast<size_t>(std::max(columns, 0)) *
                  static_cast<size_t>(recordBytes(device.kind));
  return std::max(device.block.size(), wanted);
}

void putLittleEndian(std::string* out, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) (*out)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string buildDataFile(const DataFileDescription& description, DataFileLayout* layout) {
  int64_t nameListSize = static_cast<int64_t>(description.devices.size()) * NameEntryBytes;
  int64_t dataSize = 0;
  for (const DeviceDescription& d : description.devices) {
    dataSize += static_cast<int64_t>(blockBytes(d, description.numberOfColumns));
  }
  // The header states its own size: settle it (a longer number may move it).
  int64_t headerSize = 0;
  std::string text;
  for (;;) {
    text = headerText(description, headerSize, nameListSize, dataSize,
                      headerSize + nameListSize + dataSize);
    int64_t needed = (static_cast<int64_t>(text.size()) + HeaderAlignment - 1) /
                     HeaderAlignment * HeaderAlignment;
    if (needed == headerSize) break;
    headerSize = needed;
  }
  int64_t fileSize = headerSize + nameListSize + dataSize;

  std::string out;
  out.reserve(static_cast<size_t>(fileSize));
  out = text;
  out.resize(static_cast<size_t>(headerSize), '\0');
  out.resize(static_cast<size_t>(headerSize + nameListSize), '\0');
  if (layout != nullptr) {
    layout->headerSize = static_cast<int32_t>(headerSize);
    layout->nameListSize = static_cast<int32_t>(nameListSize);
    layout->dataOffsets.clear();
    layout->fileSize = fileSize;
  }
  size_t entry = static_cast<size_t>(headerSize);
  for (const DeviceDescription& d : description.devices) {
    uint64_t offset = out.size();
    memcpy(&out[entry], d.name.data(), std::min<size_t>(d.name.size(), NameBytes));
    putLittleEndian(&out, entry + 19, d.kind, 2);
    putLittleEndian(&out, entry + 21, d.aux, 2);
    putLittleEndian(&out, entry + 23, offset, 4);
    entry += NameEntryBytes;
    out.append(reinterpret_cast<const char*>(d.block.data()), d.block.size());
    out.resize(offset + blockBytes(d, description.numberOfColumns), '\0');
    if (layout != nullptr) layout->dataOffsets.push_back(static_cast<uint32_t>(offset));
  }
  return out;
}

// ---- Sample days ----

namespace {

using Random = SampleRandom;

// Share of the day's peak traffic at each period: quiet night, a morning and an
// evening peak and a busy midday.
std::vector<double> dailyCurve() {
  std::vector<double> curve(PeriodsPerDay);
  auto bump = [](double h, double centre, double width) {
    double x = (h - centre) / width;
    return std::exp(-x * x);
  };
  for (int p = 0; p < PeriodsPerDay; ++p) {
    double h = p / 180.0;
    double c = 0.04 + 0.85 * bump(h, 7.75, 1.4) + 0.9 * bump(h, 17.1, 1.7) +
               0.5 * bump(h, 12.5, 3.0) + 0.06 * bump(h, 24.0, 2.0);
    curve[p] = std::min(c, 1.0);
  }
  return curve;
}

unsigned clampTo(double v, unsigned high) {
  if (!(v > 0)) return 0;
  if (v >= high) return high;
  return static_cast<unsigned>(v + 0.5);
}

// What one lane does in one period; the speed-trap and station values are
// made from these.
struct LaneState {
  unsigned volume;
  unsigned scans;
  double speedMph;
  double lengthFeet;
};

// How a faulty detector misreports, all day long.
enum class LaneFault { None, CardOff, Stuck, Occupied, Chatter };

struct Cabinet {
  std::string name;
  double demand;      // share of a lane's capacity at the peak
  double congestion;  // how much the speed falls at the peak, 0..1
  double freeSpeed;   // mph
};

class DayBuilder {
 public:
  DayBuilder(uint64_t seed, int32_t columns)
      : random_(seed), columns_(columns), curve_(dailyCurve()) {}

  // Adds one cabinet's devices (at most `room`).
  void addCabinet(const Cabinet& cabinet, int room, DataFileDescription* description,
                  SampleDay* day);

 private:
  LaneState lanePeriod(const Cabinet& cabinet, double laneShare, int p);
  void applyFault(LaneFault fault, LaneState* s);
  void add(DataFileDescription* description, SampleDay* day, DeviceDescription device) {
    day->devices.push_back(SampleDevice{device.name, device.kind});
    description->devices.push_back(std::move(device));
  }

  Random random_;
  int32_t columns_;
  std::vector<double> curve_;
};

LaneState DayBuilder::lanePeriod(const Cabinet& cabinet, double laneShare, int p) {
  double level = curve_[p] * cabinet.demand * laneShare;
  double expected = 11.0 * level;  // about 2000 vehicles an hour at full demand
  double volume = expected + random_.noise() * std::sqrt(expected + 0.1);
  LaneState s;
  s.volume = clampTo(volume, 31);
  double peak = std::max(0.0, (curve_[p] - 0.55) / 0.45);
  s.speedMph = cabinet.freeSpeed * (1.0 - 0.65 * cabinet.congestion * peak) +
               random_.noise() * 2.5;
  s.speedMph = std::clamp(s.speedMph, 8.0, 95.0);
  s.lengthFeet = 17.0 + 3.0 * random_.uniform() + (random_.uniform() < 0.1 ? 15.0 : 0.0);
  // Occupancy in scans at 60 a second: each vehicle covers the loop for
  // (length + 6 ft of loop) / speed seconds.
  double seconds = s.volume * (s.lengthFeet + 6.0) / (s.speedMph * 1.4667);
  s.scans = clampTo(seconds * 60.0 + random_.noise() * 3.0, 1200);
  if (s.volume == 0) s.scans = 0;
  return s;
}

void DayBuilder::applyFault(LaneFault fault, LaneState* s) {
  switch (fault) {
    case LaneFault::None:
      break;
    case LaneFault::CardOff:  // reports, but sees nothing
      s->volume = 0;
      s->scans = 0;
      break;
    case LaneFault::Stuck:  // one occupancy whenever a vehicle passes
      if (s->volume > 0) s->scans = 333;
      break;
    case LaneFault::Occupied:  // something sits on the loop
      s->scans = 1000 + random_.below(150);
      break;
    case LaneFault::Chatter:  // counts without occupancy half the time
      if (random_.below(2) == 0) s->scans = 0;
      break;
  }
}

void DayBuilder::addCabinet(const Cabinet& cabinet, int room, DataFileDescription* description,
                            SampleDay* day) {
  day->cabinets.push_back(cabinet.name);
  int kind = random_.below(10);  // 0..6 mainline, 7..8 ramp, 9 plain detectors
  std::vector<DeviceDescription> devices;
  auto named = [&](const std::string& suffix, uint16_t deviceKind) {
    DeviceDescription d;
    d.name = cabinet.name + ":" + suffix;
    d.kind = deviceKind;
    d.aux = static_cast<uint16_t>(random_.below(4));
    d.block.reserve(static_cast<size_t>(columns_) * recordBytes(deviceKind));
    return d;
  };

  if (kind <= 6 || kind == 9) {
    int lanes = 2 + random_.below(4);  // 2 to 5
    bool plain = kind == 9;
    std::string road = plain ? "_CD" : (random_.below(2) ? "_MN" : "_MS");
    // Some cabinets carry their mainline lanes with 'M' at position 11; their
    // traps find them under the second lane name.
    bool marked = !plain && random_.below(6) == 0;
    std::string lanePrefix = marked ? "M" + road.substr(1) : road;
    std::vector<bool> trapped(lanes);
    for (int k = 0; k < lanes; ++k) trapped[k] = !plain && random_.below(10) < 6;

    std::vector<DeviceDescription> laneDevices, loopDevices, trapDevices;
    std::vector<unsigned> stationVolume(columns_), stationScans(columns_);
    for (int k = 0; k < lanes; ++k) {
      std::string digit(1, static_cast<char>('1' + k));
      DeviceDescription lane = named(lanePrefix + "___" + digit, KindLane);
      DeviceDescription loop = named(road + "__S" + digit, KindLane);
      DeviceDescription trap = named(road + "__T" + digit, KindTrap);
      double share = 1.05 - 0.12 * k + 0.05 * random_.uniform();
      // A detector now and then drops out for an hour.
      int outage = random_.below(40) == 0 ? random_.below(std::max(columns_, 1)) : -1;
      // Now and then one is faulty all day, as field detectors are.
      LaneFault fault = random_.below(15) == 0 ? static_cast<LaneFault>(1 + random_.below(4))
                                               : LaneFault::None;
      for (int p = 0; p < columns_; ++p) {
        LaneState s = lanePeriod(cabinet, share, p);
        applyFault(fault, &s);
        bool down = outage >= 0 && p >= outage && p < outage + 180;
        if (down) {
          lane.add(encodeLanePeriod(0, 0, 0, 0, 4));
        } else {
          lane.add(encodeLanePeriod(0, 1, s.scans, s.volume, 0));
          stationVolume[p] += s.volume;
          stationScans[p] += s.scans;
        }
        if (trapped[k]) {
          // The speed loop sees the same vehicles a moment later.
          unsigned loopScans = clampTo(s.scans + random_.noise() * 2.0, 1200);
          loop.add(encodeLanePeriod(0, 1, s.volume ? loopScans : 0, s.volume, 0));
          unsigned bin4 = s.volume >= 12 ? random_.below(2) : 0;
          unsigned bin3 = random_.uniform() < 0.04 * s.volume ? 1 + random_.below(2) : 0;
          unsigned bin2 = random_.uniform() < 0.08 * s.volume ? 1 + random_.below(3) : 0;
          unsigned big = std::min(s.volume, bin2 + bin3 + bin4);
          unsigned bin1 = s.volume - big;
          unsigned valid = s.volume > 0 && random_.below(200) != 0 ? 0x80 : 0x00;
          unsigned speed = s.volume ? clampTo(s.speedMph * 10.0, 1023) : 0;
          unsigned length = s.volume ? clampTo(s.lengthFeet * 10.0, 1023) : 0;
          trap.add(encodeTrapPeriod(down ? 0x00 : 0x80, valid | 0x10, speed, length, bin1,
                                    bin2, bin3, bin4));
        }
      }
      laneDevices.push_back(std::move(lane));
      if (trapped[k]) {
        loopDevices.push_back(std::move(loop));
        trapDevices.push_back(std::move(trap));
      }
    }
    for (auto& d : laneDevices) devices.push_back(std::move(d));
    for (auto& d : loopDevices) devices.push_back(std::move(d));
    for (auto& d : trapDevices) devices.push_back(std::move(d));
    if (!plain) {
      // The station's lanes are its name with '_' at 15 and 16 and the lane
      // digit at 17.
      DeviceDescription station = named(lanePrefix + "_S00", KindStation);
      for (int p = 0; p < columns_; ++p) {
        unsigned scans = stationScans[p] / static_cast<unsigned>(lanes);
        station.add(encodeStationPeriod(0, static_cast<unsigned>(lanes), scans,
                                        std::min(stationVolume[p], 127u), 0));
      }
      devices.push_back(std::move(station));
    }
  } else {
    // A ramp: metered lanes with their ramp-meter detectors and a queue loop.
    int ramps = 1 + random_.below(2);
    Cabinet ramp = cabinet;
    ramp.demand *= 0.45;
    for (int k = 0; k < ramps; ++k) {
      std::string digit(1, static_cast<char>('1' + k));
      DeviceDescription meterLane = named("_OR__R" + digit, KindLane);
      DeviceDescription metered = named("_OR___" + digit, KindMeteredLane);
      for (int p = 0; p < columns_; ++p) {
        LaneState s = lanePeriod(ramp, 1.0, p);
        meterLane.add(encodeLanePeriod(0, 1, s.scans, s.volume, 0));
        bool metering = curve_[p] > 0.6;
        unsigned rate = metering ? clampTo(20 + 40 * curve_[p] + random_.noise() * 3, 255) : 0;
        unsigned queue = metering ? clampTo(curve_[p] * 10 + random_.noise(), 15) : 0;
        metered.add(encodeMeterPeriod(rate, queue, metering ? 1 : 0));
      }
      devices.push_back(std::move(meterLane));
      devices.push_back(std::move(metered));
    }
    DeviceDescription queue = named("_QU___1", KindLane);
    for (int p = 0; p < columns_; ++p) {
      LaneState s = lanePeriod(ramp, 0.9, p);
      queue.add(encodeLanePeriod(0, 1, s.scans, s.volume, 0));
    }
    devices.push_back(std::move(queue));
  }

  for (auto& d : devices) {
    if (room-- <= 0) break;
    add(description, day, std::move(d));
  }
}

constexpr int CabinetMileposts = 100000;  // five digits

// A cabinet name: the route, "es" (which marks a cabinet line in the cabinet
// list, so every sample cabinet reads back from its list) and the milepost in
// five digits (0 to 99999), e.g. "005es17329".
std::string cabinetName(const char* route, int milepost) {
  char name[16];
  snprintf(name, sizeof name, "%.3ses%05d", route, milepost);
  return name;
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
  deviceCount = std::min(deviceCount, MaxSampleDevices);

  DataFileDescription description;
  description.dataStart = d + " 00:00:00";
  description.numberOfColumns = columns;
  DayBuilder builder(seed, columns);
  Random picks(seed ^ 0x5EEDC0FFEEull);
  static const char* const routes[] = {"005", "090", "405", "520", "167", "009", "099", "518"};
  constexpr int Routes = sizeof routes / sizeof routes[0];
  // Mileposts grow along each route. A route that runs past 99999 wraps onto
  // names already given; the name then steps on to the next free one. Every
  // cabinet but the last holds two devices or more, so names never run out.
  static_assert(MaxSampleDevices / 2 + 1 < Routes * CabinetMileposts);
  int mileposts[Routes];
  for (int& m : mileposts) m = 100 + picks.below(2000);
  std::unordered_set<std::string> used;
  while (static_cast<int>(description.devices.size()) < deviceCount) {
    int route = picks.below(Routes);
    mileposts[route] = (mileposts[route] + 7 + picks.below(60)) % CabinetMileposts;
    int slot = route * CabinetMileposts + mileposts[route];
    std::string name = cabinetName(routes[route], mileposts[route]);
    while (!used.insert(name).second) {
      slot = (slot + 1) % (Routes * CabinetMileposts);
      name = cabinetName(routes[slot / CabinetMileposts], slot % CabinetMileposts);
    }
    Cabinet cabinet;
    cabinet.name = name;
    cabinet.demand = 0.55 + 0.5 * picks.uniform();
    cabinet.congestion = picks.uniform();
    cabinet.freeSpeed = 58.0 + 12.0 * picks.uniform();
    int room = deviceCount - static_cast<int>(description.devices.size());
    builder.addCabinet(cabinet, room, &description, &day);
  }
  day.bytes = buildDataFile(description);
  return day;
}

}  // namespace loopconv
