#include "derive/stations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace loopconv {
namespace {

constexpr char StationName[] = "005es17329:_MN_STN";

// Copies up to 19 bytes of `bytes` (NULs included) into the name.
void setName(DeviceRecord& d, const std::string& bytes) {
  memset(d.Name, 0, NameBytes);
  memcpy(d.Name, bytes.data(), std::min<size_t>(bytes.size(), NameBytes));
}

std::string laneName(int k) {
  return std::string("005es17329:_MN___") + static_cast<char>('0' + k);
}

struct Device {
  std::string name;
  uint16_t kind;
};

std::unique_ptr<DeviceTable> makeTable(const std::vector<Device>& devices) {
  auto table = DeviceTable::create(static_cast<int32_t>(devices.size()));
  for (size_t i = 0; i < devices.size(); i++) {
    DeviceRecord& d = (*table)[static_cast<int32_t>(i)];
    setName(d, devices[i].name);
    d.Kind = devices[i].kind;
  }
  return table;
}

// A lane whose speed is valid.
void setValid(DeviceRecord& d, int p, uint16_t speed, uint16_t length, uint16_t b1, uint16_t b2,
              uint16_t b3, uint16_t b4) {
  d.SpdFlag2[p] = 0x80;
  d.SpdTenths[p] = speed;
  d.LenTenths[p] = length;
  d.Bin1[p] = b1;
  d.Bin2[p] = b2;
  d.Bin3[p] = b3;
  d.Bin4[p] = b4;
}

// A lane that reported a period without vehicles.
void setEmpty(DeviceRecord& d, int p) {
  d.SpdFlag[p] = 0x80;
}

void setLanes(DeviceRecord& station, uint16_t lanes) {
  for (int p = 0; p < PeriodsPerDay; p++) station.NumLanes[p] = lanes;
}

struct Result {
  uint16_t b1, b2, b3, b4, speed, length, flag;
  bool operator==(const Result&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Result& r) {
  return os << "bins " << r.b1 << "," << r.b2 << "," << r.b3 << "," << r.b4 << " speed " << r.speed
            << " length " << r.length << " flag " << r.flag;
}

Result at(const DeviceRecord& s, int p) {
  return {s.Bin1[p], s.Bin2[p], s.Bin3[p], s.Bin4[p], s.SpdTenths[p], s.LenTenths[p], s.SpdFlag[p]};
}

TEST(DeriveStations, WeightedMeansAndValidShare) {
  auto table = makeTable({{StationName, KindStation},
                          {laneName(1), KindLane},
                          {laneName(2), KindLane},
                          {laneName(3), KindTrap}});  // any kind can be a lane
  DeviceRecord& st = (*table)[0];
  DeviceRecord& l1 = (*table)[1];
  DeviceRecord& l2 = (*table)[2];
  DeviceRecord& l3 = (*table)[3];
  setLanes(st, 3);

  // Period 0: two valid lanes and one empty lane.
  setValid(l1, 0, 600, 180, 3, 1, 0, 0);
  setValid(l2, 0, 650, 160, 2, 0, 0, 0);
  setEmpty(l3, 0);
  // Period 1: only lane 1 reports (1 of 3).
  setValid(l1, 1, 600, 180, 3, 1, 0, 0);
  // Period 2: lanes 1 and 2 report (2 of 3 = 0.67).
  setValid(l1, 2, 600, 180, 3, 1, 0, 0);
  setValid(l2, 2, 650, 160, 2, 0, 0, 0);
  // Period 3: valid lanes without vehicles count but add nothing.
  setValid(l1, 3, 600, 180, 0, 0, 0, 0);
  setValid(l2, 3, 650, 160, 0, 0, 0, 0);
  // Period 4: no lane reports; the empty bit needs speed 0 and no vehicles.
  setEmpty(l1, 4);
  l1.Bin1[4] = 1;
  setEmpty(l2, 4);
  l2.SpdTenths[4] = 50;
  l3.SpdFlag[4] = 0x40;
  // Period 5: a speed without its valid bit counts for nothing.
  setValid(l1, 5, 600, 180, 3, 1, 0, 0);
  l1.SpdFlag2[5] = 0x70;
  setValid(l2, 5, 650, 160, 2, 0, 0, 0);
  setValid(l3, 5, 700, 200, 1, 0, 0, 0);

  aggregateStations(table.get(), PeriodsPerDay);

  EXPECT_EQ(at(st, 0), (Result{5, 1, 0, 0, 616, 173, 128}));
  EXPECT_EQ(at(st, 1), (Result{3, 1, 0, 0, 600, 180, 0}));
  EXPECT_EQ(at(st, 2), (Result{5, 1, 0, 0, 616, 173, 128}));
  EXPECT_EQ(at(st, 3), (Result{0, 0, 0, 0, 0, 0, 128}));
  EXPECT_EQ(at(st, 4), (Result{0, 0, 0, 0, 0, 0, 0}));
  // (650 x 2 + 700) / 3 = 666, (160 x 2 + 200) / 3 = 173.
  EXPECT_EQ(at(st, 5), (Result{3, 0, 0, 0, 666, 173, 128}));
  // The lanes are only read.
  EXPECT_EQ(l1.SpdTenths[0], 600);
  EXPECT_EQ(l3.SpdFlag[0], 0x80);
}

TEST(DeriveStations, SpeedWindow) {
  auto table = makeTable({{StationName, KindStation}, {laneName(1), KindLane}});
  DeviceRecord& st = (*table)[0];
  DeviceRecord& lane = (*table)[1];
  setLanes(st, 1);
  const uint16_t speeds[] = {99, 100, 1109, 1110, 1023, 0, 65535};
  const bool valid[] = {false, true, true, false, true, false, false};
  for (int p = 0; p < 7; p++) setValid(lane, p, speeds[p], 150, 2, 0, 0, 0);

  aggregateStations(table.get(), 7);

  for (int p = 0; p < 7; p++) {
    SCOPED_TRACE(speeds[p]);
    if (valid[p]) {
      EXPECT_EQ(at(st, p), (Result{2, 0, 0, 0, speeds[p], 150, 128}));
    } else {
      EXPECT_EQ(at(st, p), (Result{0, 0, 0, 0, 0, 0, 0}));
    }
  }
}

TEST(DeriveStations, LanesFoundOnlyInAscendingOrder) {
  // Lane 2 lies before lane 1: the scan has passed it when it looks for it.
  {
    auto table =
        makeTable({{StationName, KindStation}, {laneName(2), KindLane}, {laneName(1), KindLane}});
    DeviceRecord& st = (*table)[0];
    setLanes(st, 2);
    setValid((*table)[1], 0, 900, 100, 4, 0, 0, 0);
    setValid((*table)[2], 0, 500, 200, 1, 1, 0, 0);
    aggregateStations(table.get(), 1);
    // Finished over lane 1 alone: 1 of 2 lanes is below the share.
    EXPECT_EQ(at(st, 0), (Result{1, 1, 0, 0, 500, 200, 0}));
  }
  // N of 1: lane 2 is not looked for; a second lane 1 is not used.
  {
    auto table = makeTable({{laneName(1), KindLane},
                            {laneName(1), KindLane},
                            {StationName, KindStation},
                            {laneName(2), KindLane}});
    DeviceRecord& st = (*table)[2];
    setLanes(st, 1);
    setValid((*table)[0], 0, 500, 200, 1, 0, 0, 0);
    setValid((*table)[1], 0, 900, 100, 4, 0, 0, 0);
    setValid((*table)[3], 0, 900, 100, 4, 0, 0, 0);
    aggregateStations(table.get(), 1);
    EXPECT_EQ(at(st, 0), (Result{1, 0, 0, 0, 500, 200, 128}));
  }
  // A missing lane 2 stops the search: lane 3 is never matched.
  {
    auto table =
        makeTable({{StationName, KindStation}, {laneName(1), KindLane}, {laneName(3), KindLane}});
    DeviceRecord& st = (*table)[0];
    setLanes(st, 3);
    setValid((*table)[1], 0, 500, 200, 1, 0, 0, 0);
    setValid((*table)[2], 0, 900, 100, 4, 0, 0, 0);
    aggregateStations(table.get(), 1);
    EXPECT_EQ(at(st, 0), (Result{1, 0, 0, 0, 500, 200, 0}));
  }
}

TEST(DeriveStations, LaneCountZeroOrAboveEight) {
  std::vector<Device> devices = {{StationName, KindStation}};
  for (int k = 1; k <= 9; k++) devices.push_back({laneName(k), KindLane});
  for (uint16_t lanes : {0, 9, 65535}) {
    SCOPED_TRACE(lanes);
    auto table = makeTable(devices);
    DeviceRecord& st = (*table)[0];
    st.NumLanes[0] = lanes;
    st.NumLanes[1] = 8;
    // Lane 9 does not exist as a lane number; lanes 1 to 8 each add 1 vehicle.
    for (int k = 1; k <= 9; k++) {
      setValid((*table)[k], 0, static_cast<uint16_t>(100 * k), 10, 1, 0, 0, 0);
      setValid((*table)[k], 1, static_cast<uint16_t>(100 * k), 10, 1, 0, 0, 0);
    }
    aggregateStations(table.get(), 2);
    // The flag of period 0 shares 8 reporting lanes out of its own count;
    // without a lane count there is no share, and the flag is 0.
    uint16_t flag = lanes == 9 ? 128 : 0;
    EXPECT_EQ(at(st, 0), (Result{8, 0, 0, 0, 450, 10, flag}));
    EXPECT_EQ(at(st, 1), (Result{8, 0, 0, 0, 450, 10, 128}));
  }
}

TEST(DeriveStations, WideSumsFromZero) {
  auto table =
      makeTable({{StationName, KindStation}, {laneName(1), KindLane}, {laneName(2), KindLane}});
  DeviceRecord& st = (*table)[0];
  setLanes(st, 2);
  // 1000 x 68 + 500 x 68 = 102000 would wrap in 16 bits.
  setValid((*table)[1], 0, 1000, 1023, 31, 15, 15, 7);
  setValid((*table)[2], 0, 500, 1001, 31, 15, 15, 7);
  // Values no decoding gives still add without wrapping, and bins saturate.
  for (int k = 1; k <= 2; k++) {
    setValid((*table)[k], 1, 1109, 65535, 65535, 65535, 65535, 65535);
  }
  // Whatever the station's planes held (a trap's planes copied in by name)
  // is not part of the sums; periods past the count are left alone.
  for (int p = 0; p < 4; p++) {
    st.Bin1[p] = 40;
    st.SpdTenths[p] = 999;
    st.LenTenths[p] = 77;
    st.SpdFlag[p] = 3;
  }

  aggregateStations(table.get(), 3);

  EXPECT_EQ(at(st, 0), (Result{62, 30, 30, 14, 750, 1012, 128}));
  EXPECT_EQ(at(st, 1), (Result{65535, 65535, 65535, 65535, 1109, 65535, 128}));
  EXPECT_EQ(at(st, 2), (Result{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(at(st, 3), (Result{40, 0, 0, 0, 999, 77, 3}));
}

TEST(DeriveStations, NamesAreTheirStoredBytes) {
  using namespace std::string_literals;
  // A 16-character station name: bytes 15 to 17 are replaced, and the lane
  // name ends at byte 18's NUL even though the station's ended at 16.
  {
    auto table =
        makeTable({{"0123456789:ABCDE\0Z"s, KindStation}, {"0123456789:ABCD__1"s, KindLane}});
    setLanes((*table)[0], 1);
    setValid((*table)[1], 0, 500, 200, 1, 0, 0, 0);
    aggregateStations(table.get(), 1);
    EXPECT_EQ(at((*table)[0], 0), (Result{1, 0, 0, 0, 500, 200, 128}));
  }
  // A short name ends before the lane digit, so every lane name is the same
  // text; bytes after a terminator are not compared. The station matches its
  // own lane name and is lane 1 (adding nothing), the next device is lane 2.
  {
    auto table = makeTable({{"ABC\0xyz"s, KindStation},
                            {"ABC\0qq"s, KindLane},
                            {"ABC"s, KindLane},
                            {"ABCD"s, KindLane}});
    DeviceRecord& st = (*table)[0];
    setLanes(st, 2);
    setValid((*table)[1], 0, 500, 200, 1, 0, 0, 0);
    setValid((*table)[2], 0, 900, 100, 4, 0, 0, 0);
    setValid((*table)[3], 0, 900, 100, 4, 0, 0, 0);
    aggregateStations(table.get(), 1);
    EXPECT_EQ(at(st, 0), (Result{1, 0, 0, 0, 500, 200, 0}));
  }
  // A lane name has 18 characters: byte 18 of a station name that ended
  // early is stored but is no part of its lane names. Names differing in
  // case do not match.
  {
    auto table = makeTable({{"0123456789:ABCDE\0ZQ"s, KindStation},
                            {"0123456789:abcd__1"s, KindLane},
                            {"0123456789:ABCD__1"s, KindLane}});
    setLanes((*table)[0], 1);
    for (int i = 1; i <= 2; i++) {
      setValid((*table)[i], 0, static_cast<uint16_t>(100 * i), 10, 1, 0, 0, 0);
    }
    aggregateStations(table.get(), 1);
    EXPECT_EQ(at((*table)[0], 0), (Result{1, 0, 0, 0, 200, 10, 128}));
  }
}

TEST(DeriveStations, StationsAreIndependent) {
  // Two stations of one cabinet share their lane names; the second starts
  // from zero.
  auto table = makeTable({{"005es17329:_MN_ST1", KindStation},
                          {laneName(1), KindLane},
                          {"005es17329:_MN_ST2", KindStation},
                          {"00xxxxxxxx:_MN_STN", KindStation},
                          {"005es17329:_MN___1", KindLane}});
  setLanes((*table)[0], 1);
  setLanes((*table)[2], 1);
  setValid((*table)[1], 0, 500, 200, 3, 0, 0, 0);
  setValid((*table)[4], 0, 900, 100, 4, 0, 0, 0);
  aggregateStations(table.get(), 1);
  EXPECT_EQ(at((*table)[0], 0), (Result{3, 0, 0, 0, 500, 200, 128}));
  EXPECT_EQ(at((*table)[2], 0), (Result{3, 0, 0, 0, 500, 200, 128}));
  // No lanes found and no lane count: zeros, not leftovers.
  EXPECT_EQ(at((*table)[3], 0), (Result{0, 0, 0, 0, 0, 0, 0}));
}

// Station aggregation as a plain reading of its definition, with wide sums
// that start at zero and every station finished over the lanes found.
void referenceStations(DeviceTable& t, int periods) {
  for (DeviceRecord& st : t) {
    if (st.Kind != KindStation) continue;
    std::vector<uint64_t> b1(periods), b2(periods), b3(periods), b4(periods);
    std::vector<uint64_t> speed(periods), length(periods), count(periods);
    int n = st.NumLanes[0];
    int k = 1;
    for (const DeviceRecord& d : t) {
      char name[NameBytes];
      memcpy(name, st.Name, NameBytes);
      name[15] = name[16] = '_';
      name[17] = static_cast<char>('0' + k);
      name[18] = '\0';
      if (strcmp(d.Name, name) != 0) continue;
      for (int p = 0; p < periods; p++) {
        uint64_t w = uint64_t{d.Bin1[p]} + d.Bin2[p] + d.Bin3[p] + d.Bin4[p];
        bool valid =
            (d.SpdFlag2[p] & 128) && d.SpdTenths[p] / 10 >= 10 && d.SpdTenths[p] / 10 <= 110;
        if (valid) {
          b1[p] += d.Bin1[p];
          b2[p] += d.Bin2[p];
          b3[p] += d.Bin3[p];
          b4[p] += d.Bin4[p];
          speed[p] += d.SpdTenths[p] * w;
          length[p] += d.LenTenths[p] * w;
          count[p]++;
        } else if ((d.SpdFlag[p] & 128) && d.SpdTenths[p] == 0 && w == 0) {
          count[p]++;
        }
      }
      if (k == n || k == 8) break;
      k++;
    }
    for (int p = 0; p < periods; p++) {
      uint64_t total = b1[p] + b2[p] + b3[p] + b4[p];
      st.Bin1[p] = static_cast<uint16_t>(std::min<uint64_t>(b1[p], 65535));
      st.Bin2[p] = static_cast<uint16_t>(std::min<uint64_t>(b2[p], 65535));
      st.Bin3[p] = static_cast<uint16_t>(std::min<uint64_t>(b3[p], 65535));
      st.Bin4[p] = static_cast<uint16_t>(std::min<uint64_t>(b4[p], 65535));
      st.SpdTenths[p] = static_cast<uint16_t>(total ? speed[p] / total : 0);
      st.LenTenths[p] = static_cast<uint16_t>(total ? length[p] / total : 0);
      int lanes = st.NumLanes[p];
      st.SpdFlag[p] = lanes != 0 && static_cast<double>(count[p]) / lanes >= 0.65 ? 128 : 0;
    }
  }
}

TEST(DeriveStations, MatchesReferenceOnRandomCabinets) {
  // Three cabinets of stations and lanes in a shuffled order, some lanes
  // twice, one station named like a lane of another; random values over a
  // whole day, so every block of periods and its remainder is exercised.
  std::vector<Device> devices;
  for (char c : {'A', 'B', 'C'}) {
    std::string cabinet = std::string("005es1732") + c + ":_MN";
    devices.push_back({cabinet + "_S00", KindStation});
    for (int k = 1; k <= 8; k++) devices.push_back({cabinet + "___" + char('0' + k), KindLane});
    devices.push_back({cabinet + "___" + char('1' + c % 3), KindTrap});
  }
  devices.push_back({"005es1732B:_MN___3", KindStation});
  uint64_t state = 12345;
  auto next = [&state]() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  };
  for (size_t i = devices.size() - 1; i > 0; i--) {
    std::swap(devices[i], devices[next() % (i + 1)]);
  }
  auto table = makeTable(devices);
  for (DeviceRecord& d : *table) {
    for (int p = 0; p < PeriodsPerDay; p++) {
      d.NumLanes[p] = static_cast<uint16_t>(next() % 8);
      d.SpdFlag2[p] = static_cast<uint16_t>(next() % 2 ? 0x80 : 0x10);
      d.SpdFlag[p] = static_cast<uint16_t>(next() % 2 ? 0x80 : 0);
      uint32_t pick = next() % 4;
      d.SpdTenths[p] = static_cast<uint16_t>(pick == 0   ? 0
                                             : pick == 1 ? next() % 120
                                                         : next() % 1200);
      d.LenTenths[p] = static_cast<uint16_t>(next() % 1024);
      bool none = next() % 3 == 0;
      d.Bin1[p] = static_cast<uint16_t>(none ? 0 : next() % 32);
      d.Bin2[p] = static_cast<uint16_t>(none ? 0 : next() % 16);
      d.Bin3[p] = static_cast<uint16_t>(none ? 0 : next() % 16);
      d.Bin4[p] = static_cast<uint16_t>(none ? 0 : next() % 8);
    }
  }
  auto expected = makeTable(devices);
  for (int32_t i = 0; i < table->size(); i++) {
    memcpy(&(*expected)[i], &(*table)[i], sizeof(DeviceRecord));
  }
  const int periods = PeriodsPerDay - 3;
  aggregateStations(table.get(), periods);
  referenceStations(*expected, periods);

  int mismatches = 0;
  for (int32_t i = 0; i < table->size(); i++) {
    for (int p = 0; p < PeriodsPerDay; p++) {
      Result got = at((*table)[i], p), want = at((*expected)[i], p);
      if (!(got == want) && ++mismatches <= 5) {
        ADD_FAILURE() << (*table)[i].Name << " period " << p << ": " << got << ", want " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The stations did find lanes.
  int64_t vehicles = 0;
  for (const DeviceRecord& d : *table) {
    if (d.Kind != KindStation) continue;
    for (int p = 0; p < periods; p++) vehicles += d.Bin1[p];
  }
  EXPECT_GT(vehicles, 10000);
}

TEST(DeriveStations, PeriodCountAndAbsentTable) {
  aggregateStations(nullptr, PeriodsPerDay);  // does nothing

  auto table = makeTable({{StationName, KindStation}, {laneName(1), KindLane}});
  DeviceRecord& st = (*table)[0];
  setLanes(st, 1);
  setValid((*table)[1], 0, 500, 200, 1, 0, 0, 0);
  setValid((*table)[1], PeriodsPerDay - 1, 600, 200, 1, 0, 0, 0);

  aggregateStations(table.get(), -7);
  aggregateStations(table.get(), 0);
  EXPECT_EQ(at(st, 0), (Result{0, 0, 0, 0, 0, 0, 0}));

  aggregateStations(table.get(), 1 << 30);  // clamped to a whole day
  EXPECT_EQ(at(st, 0), (Result{1, 0, 0, 0, 500, 200, 128}));
  EXPECT_EQ(at(st, PeriodsPerDay - 1), (Result{1, 0, 0, 0, 600, 200, 128}));

  auto empty = DeviceTable::create(0);
  aggregateStations(empty.get(), PeriodsPerDay);
}

}  // namespace
}  // namespace loopconv
