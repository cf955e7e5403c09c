#include "sample/detector_measurement.h"

#include <cmath>
#include <memory>

#include "base/log.h"
#include "datafile/data_header.h"
#include "datafile/decode.h"
#include "gtest/gtest.h"
#include "sample/demand_profile.h"

namespace loopconv {
namespace {

// Decodes the blocks of `devices` (all of `periods` periods) into a table.
std::unique_ptr<DeviceTable> decodeDevices(const std::vector<DeviceDescription>& devices,
                                           int32_t periods) {
  DataFileDescription description;
  description.numberOfColumns = periods;
  description.devices = devices;
  std::string bytes = buildDataFile(description);
  FILE* sink = tmpfile();
  Log log(sink);
  DataHeader header;
  parseDataHeader(bytes.data(), bytes.size(), &header, log);
  std::unique_ptr<DeviceTable> table;
  EXPECT_TRUE(parseNameTable(bytes.data(), bytes.size(), &header, log, &table));
  decodeDataBlocks(bytes.data(), bytes.size(), header, table.get(), log);
  fclose(sink);
  return table;
}

RoadCorridor corridorHeadingWest() {
  RoadCorridor c;
  c.side = 'W';
  c.freeFlowMph = 64;
  return c;
}

StationSite trapStation(int lanes) {
  StationSite s;
  s.cabinet = "090es01234";
  s.lanes = lanes;
  s.trap = true;
  s.faults.assign(static_cast<size_t>(lanes), LaneFault::None);
  return s;
}

// Steady flow: `vph` at `mph` over all lanes for `periods` periods.
StationFlow steadyFlow(double vph, double mph, int32_t periods) {
  StationFlow f;
  f.vehicles.assign(static_cast<size_t>(periods), static_cast<float>(vph * PeriodHours));
  f.density.assign(static_cast<size_t>(periods), static_cast<float>(vph / mph));
  return f;
}

TEST(DetectorMeasurementTest, VehiclesComeInTheMixTheirBinsSay) {
  for (double share : {0.05, 0.25}) {
    int trucks = 0, bins[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < 10000; ++i) {
      Vehicle v = vehicleFor(i / 10000.0, share);
      if (v.bin == 1) {
        EXPECT_GE(v.feet, 14.0);
        EXPECT_LE(v.feet, 16.0);
      } else {
        ++trucks;
        EXPECT_GE(v.feet, 40.0);
        EXPECT_LE(v.feet, 75.0);
        EXPECT_EQ(v.bin, v.feet < 55 ? 2 : v.feet < 65 ? 3 : 4);
      }
      ++bins[v.bin];
    }
    EXPECT_NEAR(trucks, share * 10000, 2);
    EXPECT_GT(bins[4], 0);
  }
}

// A trap station under steady traffic: devices in cabinet order with the
// side in their names; lane volumes add up to the whole vehicles that
// crossed; ScanCnt is the time the vehicles covered the loop; the traps
// report the speed and lengths of the mix.
TEST(DetectorMeasurementTest, TrapStationMeasuresSteadyTraffic) {
  const int32_t periods = 900;
  RoadCorridor corridor = corridorHeadingWest();
  StationSite station = trapStation(3);
  StationFlow flow = steadyFlow(4500.0, 50.0, periods);
  SampleRandom random(3);
  std::vector<DeviceDescription> devices;
  measureStation(corridor, station, flow, {}, periods, random, &devices);
  const char* names[] = {"090es01234:_MW___1", "090es01234:_MW___2", "090es01234:_MW___3",
                         "090es01234:_MW__S1", "090es01234:_MW__S2", "090es01234:_MW__S3",
                         "090es01234:_MW__T1", "090es01234:_MW__T2", "090es01234:_MW__T3",
                         "090es01234:_MW_S00"};
  ASSERT_EQ(devices.size(), 10u);
  for (size_t i = 0; i < devices.size(); ++i) EXPECT_EQ(devices[i].name, names[i]);
  auto table = decodeDevices(devices, periods);
  const DeviceRecord& stationRecord = (*table)[9];
  uint64_t total = 0, scans = 0, speedLoopTotal = 0;
  double speedSum = 0, lengthWeighted = 0, lengthVehicles = 0, shares = 0;
  int speeds = 0;
  for (int32_t p = 0; p < periods; ++p) {
    uint32_t lanes = 0;
    for (int k = 0; k < 3; ++k) {
      lanes += (*table)[k].Volume[p];
      scans += (*table)[k].ScanCnt[p];
      speedLoopTotal += (*table)[3 + k].Volume[p];
      const DeviceRecord& trap = (*table)[6 + k];
      uint32_t binned = trap.Bin1[p] + trap.Bin2[p] + trap.Bin3[p] + trap.Bin4[p];
      EXPECT_EQ(binned, (*table)[k].Volume[p]);
      if (trap.SpdFlag2[p] & 0x80) {
        speedSum += trap.SpdTenths[p] / 10.0;
        lengthWeighted += trap.LenTenths[p] / 10.0 * binned;
        lengthVehicles += binned;
        ++speeds;
      }
    }
    EXPECT_EQ(stationRecord.Volume[p], lanes);
    EXPECT_EQ(stationRecord.NumLanes[p], 3);
    total += lanes;
    shares += truckShare((p + 0.5) / 180.0);
  }
  double expected = 4500.0 * PeriodHours * periods;
  EXPECT_LE(std::abs(total - expected), 1.0);
  EXPECT_EQ(speedLoopTotal, total);
  EXPECT_NEAR(speedSum / speeds, 50.0, 0.1);
  // From midnight to 05:00 about a fifth are trucks of 40 to 75 ft (57.5 on
  // average), the others cars of 14 to 16 ft.
  double meanLength = lengthWeighted / lengthVehicles;
  EXPECT_NEAR(meanLength, 15.0 + 42.5 * shares / periods, 0.5);
  // Occupancy: vehicles per mile x (length + loop).
  double occupancy = scans / (3.0 * 1200 * periods);
  double vehiclesPerMile = 4500.0 / 50.0 / 3;
  EXPECT_NEAR(occupancy, vehiclesPerMile * (meanLength + LoopFeet) / 5280.0, 0.003);
}

// Faulty lanes misreport all day, a lane that is down reports nothing; the
// station sums what its lanes reported.
TEST(DetectorMeasurementTest, FaultsAndDowntimeShowInTheRecords) {
  const int32_t periods = 600;
  RoadCorridor corridor = corridorHeadingWest();
  StationSite station = trapStation(4);
  station.trap = false;
  station.markedLanes = true;
  station.faults = {LaneFault::CardOff, LaneFault::Stuck, LaneFault::Occupied, LaneFault::Chatter};
  SampleRandom random(8);
  std::vector<DeviceDescription> devices;
  measureStation(corridor, station, steadyFlow(6000.0, 60.0, periods), {{1, 100, 280}}, periods,
                 random, &devices);
  ASSERT_EQ(devices.size(), 5u);
  EXPECT_EQ(devices[0].name, "090es01234:MMW___1");
  EXPECT_EQ(devices[4].name, "090es01234:MMW_S00");
  auto table = decodeDevices(devices, periods);
  int chatterZero = 0;
  for (int32_t p = 0; p < periods; ++p) {
    EXPECT_EQ((*table)[0].Volume[p], 0);
    EXPECT_EQ((*table)[0].ScanCnt[p], 0);
    bool down = p >= 100 && p < 280;
    EXPECT_EQ((*table)[1].NumLanes[p], down ? 0 : 1);
    if (!down) {
      EXPECT_EQ((*table)[1].ScanCnt[p], (*table)[1].Volume[p] ? 333 : 0);
    }
    EXPECT_GE((*table)[2].ScanCnt[p], 1000);
    chatterZero += (*table)[3].ScanCnt[p] == 0 && (*table)[3].Volume[p] > 0;
    uint32_t sum = 0;
    for (int k = 0; k < 4; ++k) sum += (*table)[k].NumLanes[p] ? (*table)[k].Volume[p] : 0;
    EXPECT_EQ((*table)[4].Volume[p], sum);
  }
  EXPECT_GT(chatterZero, periods / 2);
}

// A metered ramp: per lane a meter loop and a metered lane, then the queue
// loop; the meter loops count what merged, the queue loop what arrived.
TEST(DetectorMeasurementTest, RampCountsWhatMergedAndWhatArrived) {
  const int32_t periods = 300;
  RoadCorridor corridor = corridorHeadingWest();
  RampSite ramp;
  ramp.cabinet = "090es01300";
  ramp.lanes = 2;
  RampFlow flow;
  flow.arrivals.assign(periods, static_cast<float>(1500 * PeriodHours));
  flow.merged.assign(periods, static_cast<float>(1200 * PeriodHours));
  flow.queue.assign(periods, 50.0f);
  flow.busy.assign(periods, 1);
  SampleRandom random(2);
  std::vector<DeviceDescription> devices;
  measureRamp(corridor, ramp, flow, periods, random, &devices);
  ASSERT_EQ(devices.size(), 5u);
  EXPECT_EQ(devices[0].name, "090es01300:_RW__R1");
  EXPECT_EQ(devices[1].name, "090es01300:_RW___1");
  EXPECT_EQ(devices[1].kind, KindMeteredLane);
  EXPECT_EQ(devices[4].name, "090es01300:_QW___1");
  auto table = decodeDevices(devices, periods);
  uint64_t merged = 0, arrived = 0;
  for (int32_t p = 0; p < periods; ++p) {
    merged += (*table)[0].Volume[p] + (*table)[2].Volume[p];
    arrived += (*table)[4].Volume[p];
    EXPECT_EQ((*table)[1].MeterLow[p], 1);  // metering
    EXPECT_GT((*table)[1].MeterByte[p], 0);
    EXPECT_GE((*table)[4].ScanCnt[p], 380);  // the queue stands over its loop
  }
  EXPECT_NEAR(merged, 1200 * PeriodHours * periods, 1.0);
  EXPECT_NEAR(arrived, 1500 * PeriodHours * periods, 1.0);
}

}  // namespace
}  // namespace loopconv
