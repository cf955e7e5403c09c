// Speed of the derived values on a synthetic 3000-device day: 400 cabinets,
// each with a station, four lanes carrying trap values, two traps and half a
// metered lane, over all 4320 periods.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "datafile/device_table.h"
#include "derive/estimates.h"
#include "derive/stations.h"

namespace {

using loopconv::DeviceRecord;
using loopconv::DeviceTable;
using loopconv::PeriodsPerDay;

constexpr int Cabinets = 400;
constexpr int LanesPerStation = 4;
constexpr int Devices = 3000;

void setName(DeviceRecord& d, int cabinet, const char* tail) {
  char name[32];
  snprintf(name, sizeof name, "005es%05d:_MN%s", 10000 + cabinet, tail);
  memcpy(d.Name, name, loopconv::NameBytes - 1);
}

// Lanes and stations get detector values within their decoded widths; lanes
// also get trap values as the trap transfer leaves them. With `lanesLast`
// every lane lies after every station, so each lane search runs over nearly
// the whole table; otherwise a cabinet's devices lie together.
std::unique_ptr<DeviceTable> makeDay(bool lanesLast) {
  auto table = DeviceTable::create(Devices);
  std::mt19937 rng(20210818);
  auto fillDetector = [&](DeviceRecord& d, uint16_t lanes) {
    for (int p = 0; p < PeriodsPerDay; p++) {
      d.NumLanes[p] = lanes;
      d.Volume[p] = static_cast<uint16_t>(rng() % 32);
      d.ScanCnt[p] = static_cast<uint16_t>(rng() % 2048);
    }
  };
  auto fillTrap = [&](DeviceRecord& d) {
    for (int p = 0; p < PeriodsPerDay; p++) {
      uint32_t r = rng();
      d.SpdFlag[p] = static_cast<uint16_t>(r & 0xFF);
      d.SpdFlag2[p] = static_cast<uint16_t>((r >> 4) & 0xF0);
      d.SpdTenths[p] = static_cast<uint16_t>(rng() % 1024);
      d.LenTenths[p] = static_cast<uint16_t>(rng() % 1024);
      d.Bin1[p] = static_cast<uint16_t>(r >> 8 & 31);
      d.Bin2[p] = static_cast<uint16_t>(r >> 13 & 15);
      d.Bin3[p] = static_cast<uint16_t>(r >> 17 & 15);
      d.Bin4[p] = static_cast<uint16_t>(r >> 21 & 7);
    }
  };

  int next = 0;
  int lane = lanesLast ? Cabinets * 3 + Cabinets / 2 : 0;
  for (int c = 0; c < Cabinets; c++) {
    int* at = lanesLast ? &lane : &next;
    for (int k = 1; k <= LanesPerStation; k++) {
      DeviceRecord& d = (*table)[(*at)++];
      char tail[8];
      snprintf(tail, sizeof tail, "___%d", k);
      setName(d, c, tail);
      d.Kind = loopconv::KindLane;
      fillDetector(d, 1);
      fillTrap(d);
    }
    DeviceRecord& station = (*table)[next++];
    setName(station, c, "_SUM");
    station.Kind = loopconv::KindStation;
    fillDetector(station, LanesPerStation);
    for (int t = 1; t <= 2; t++) {
      DeviceRecord& trap = (*table)[next++];
      setName(trap, c, t == 1 ? "__T1" : "__T2");
      trap.Kind = loopconv::KindTrap;
    }
    if (c % 2 == 0) {
      DeviceRecord& meter = (*table)[next++];
      setName(meter, c, "__R1");
      meter.Kind = loopconv::KindMeteredLane;
    }
  }
  return table;
}

void BM_AggregateStations(benchmark::State& state) {
  auto table = makeDay(state.range(0) != 0);
  for (auto _ : state) {
    loopconv::aggregateStations(table.get(), PeriodsPerDay);
    benchmark::ClobberMemory();
  }
  state.counters["stations"] = Cabinets;
}
BENCHMARK(BM_AggregateStations)
    ->ArgName("lanesLast")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// A hostile file: many stations whose lanes do not exist, on a short day.
// Each station's lane search must not scan the whole table.
void BM_AggregateManyStationsWithoutLanes(benchmark::State& state) {
  int stations = static_cast<int>(state.range(0));
  auto table = DeviceTable::create(stations);
  for (int s = 0; s < stations; s++) {
    DeviceRecord& d = (*table)[s];
    setName(d, s, "_SUM");
    d.Kind = loopconv::KindStation;
    d.NumLanes[0] = 4;
  }
  for (auto _ : state) {
    loopconv::aggregateStations(table.get(), 10);
    benchmark::ClobberMemory();
  }
  state.counters["stations"] = stations;
}
BENCHMARK(BM_AggregateManyStationsWithoutLanes)
    ->Arg(10000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

void BM_ComputeEstimates(benchmark::State& state) {
  auto table = makeDay(false);
  for (auto _ : state) {
    loopconv::computeEstimates(table.get(), PeriodsPerDay);
    benchmark::ClobberMemory();
  }
  // Lanes and stations: the devices with inputs.
  state.SetItemsProcessed(state.iterations() * Cabinets * (LanesPerStation + 1) * PeriodsPerDay);
}
BENCHMARK(BM_ComputeEstimates)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
