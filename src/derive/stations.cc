#include "derive/stations.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "datafile/name_index.h"

namespace loopconv {
namespace {

constexpr uint16_t ValidBit = 0x80;        // SpdFlag2: the lane's speed is valid
constexpr uint16_t EmptyBit = 0x80;        // SpdFlag: may report an empty period
constexpr uint16_t MinSpeedTenths = 100;   // 10 mph
constexpr uint16_t MaxSpeedTenths = 1109;  // 110 mph, tenths dropped
constexpr double ValidShare = 0.65;
constexpr uint16_t ValidFlag = 128;

// The name of lane `k` of a station: the station's stored bytes with
// positions 15 and 16 set to '_' and position 17 to the lane digit, ending at
// the first NUL. Like every name it holds at most 18 characters, so a byte
// left at position 18 by a shorter station name is not part of it.
struct LaneName {
  char text[NameBytes];
  LaneName(const DeviceRecord& station, int k) {
    memcpy(text, station.Name, NameBytes);
    text[15] = '_';
    text[16] = '_';
    text[17] = static_cast<char>('0' + k);
    text[NameBytes - 1] = '\0';
  }
};

// Working sums of one station, wide enough that no sum of up to eight lanes
// wraps, whatever the planes hold.
struct StationSums {
  uint32_t bin1[PeriodsPerDay];
  uint32_t bin2[PeriodsPerDay];
  uint32_t bin3[PeriodsPerDay];
  uint32_t bin4[PeriodsPerDay];
  // Sum of SpdTenths x vehicles: valid speeds are at most 1109, so eight
  // lanes of four full bins stay below 2^32.
  uint32_t speed[PeriodsPerDay];
  uint64_t length[PeriodsPerDay];  // sum of LenTenths x vehicles
  uint32_t count[PeriodsPerDay];   // lanes that reported
};

void clearSums(StationSums* sums, int periods) {
  size_t n = static_cast<size_t>(periods);
  std::fill_n(sums->bin1, n, 0u);
  std::fill_n(sums->bin2, n, 0u);
  std::fill_n(sums->bin3, n, 0u);
  std::fill_n(sums->bin4, n, 0u);
  std::fill_n(sums->speed, n, 0u);
  std::fill_n(sums->length, n, uint64_t{0});
  std::fill_n(sums->count, n, 0u);
}

// Adds one lane's values for period p. A lane counts as reporting when its
// speed is valid and within 10 to 110 mph, or when it reported a period
// without vehicles (empty bit, speed 0, no vehicles); only valid lanes add
// values. '&' rather than '&&': no branches on data that varies per period.
inline void addPeriod(const DeviceRecord& lane, StationSums* sums, int p) {
  uint32_t b1 = lane.Bin1[p], b2 = lane.Bin2[p];
  uint32_t b3 = lane.Bin3[p], b4 = lane.Bin4[p];
  uint32_t vehicles = b1 + b2 + b3 + b4;
  uint32_t speed = lane.SpdTenths[p];
  uint32_t valid =
      ((lane.SpdFlag2[p] & ValidBit) != 0) & (speed >= MinSpeedTenths) & (speed <= MaxSpeedTenths);
  // Speed 0 is never valid, so the two cases exclude each other.
  uint32_t empty = ((lane.SpdFlag[p] & EmptyBit) != 0) & (speed == 0) & (vehicles == 0);
  uint32_t weight = valid * vehicles;
  sums->bin1[p] += valid * b1;
  sums->bin2[p] += valid * b2;
  sums->bin3[p] += valid * b3;
  sums->bin4[p] += valid * b4;
  sums->speed[p] += speed * weight;
  sums->length[p] += uint64_t{lane.LenTenths[p]} * weight;
  sums->count[p] += valid | empty;
}

void addLane(const DeviceRecord& lane, StationSums* sums, int periods) {
  // Whole blocks of a fixed length vectorise without a peeled remainder.
  constexpr int Block = 8;
  int p = 0;
  for (; p + Block <= periods; p += Block) {
    for (int i = 0; i < Block; i++) addPeriod(lane, sums, p + i);
  }
  for (; p < periods; p++) addPeriod(lane, sums, p);
}

uint16_t saturate16(uint32_t v) {
  return static_cast<uint16_t>(std::min<uint32_t>(v, 0xFFFF));
}

// Turns the sums into the station's bins, vehicle-weighted means and valid
// flag. A weighted mean never exceeds its largest term, so it fits 16 bits.
// Without vehicles every weighted sum is 0, so dividing by 1 then gives the
// mean of 0; without a lane count there is no share, and the flag is 0.
void finishStation(DeviceRecord& station, const StationSums& sums, int periods) {
  for (int p = 0; p < periods; p++) {
    uint32_t total = sums.bin1[p] + sums.bin2[p] + sums.bin3[p] + sums.bin4[p];
    uint32_t divisor = total + (total == 0);
    station.Bin1[p] = saturate16(sums.bin1[p]);
    station.Bin2[p] = saturate16(sums.bin2[p]);
    station.Bin3[p] = saturate16(sums.bin3[p]);
    station.Bin4[p] = saturate16(sums.bin4[p]);
    station.SpdTenths[p] = static_cast<uint16_t>(sums.speed[p] / divisor);
    station.LenTenths[p] = static_cast<uint16_t>(sums.length[p] / divisor);
    uint32_t lanes = station.NumLanes[p];
    double share = static_cast<double>(sums.count[p]) / (lanes + (lanes == 0));
    uint32_t enough = (lanes != 0) & (share >= ValidShare);
    station.SpdFlag[p] = static_cast<uint16_t>(enough * ValidFlag);
  }
}

}  // namespace

int findStationLanes(const NameIndex& index, const DeviceRecord& station, int32_t* positions) {
  const int lanes = station.NumLanes[0];
  int found = 0;
  int32_t previous = -1;
  for (int k = 1; k <= MaxStationLanes; k++) {
    int32_t d = index.firstAfter(LaneName(station, k).text, previous);
    if (d < 0) break;
    positions[found++] = d;
    if (k == lanes) break;
    previous = d;
  }
  return found;
}

void aggregateStations(DeviceTable* table, int32_t periodCount) {
  if (table == nullptr) return;
  int periods = std::clamp<int32_t>(periodCount, 0, PeriodsPerDay);
  int32_t count = table->size();

  std::unique_ptr<NameIndex> index;
  std::unique_ptr<StationSums> sums;
  for (int32_t s = 0; s < count; s++) {
    DeviceRecord& station = (*table)[s];
    if (station.Kind != KindStation) continue;
    if (!sums) {
      // Built once per call, on the first station.
      index = std::make_unique<NameIndex>(*table);
      sums = std::make_unique<StationSums>();
    }
    clearSums(sums.get(), periods);

    int32_t lanes[MaxStationLanes];
    const int found = findStationLanes(*index, station, lanes);
    for (int k = 0; k < found; k++) addLane((*table)[lanes[k]], sums.get(), periods);
    // Finished over the lanes found, also when lane N is missing.
    finishStation(station, *sums, periods);
  }
}

}  // namespace loopconv
