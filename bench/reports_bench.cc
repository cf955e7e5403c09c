// Writes the four reports of a synthetic full day of 3000 devices and reports
// bytes per second. The files go to a fresh temporary folder, removed at the
// end, or to $LOOPCONV_BENCH_DIR (kept) so that they can be compared with
// copying them (bench/reports_vs_cat.sh).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "base/log.h"
#include "base/platform.h"
#include "base/run_context.h"
#include "base/run_options.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "reports/lane_report.h"
#include "reports/number_text.h"
#include "reports/trap_report.h"

namespace loopconv {
namespace {

constexpr int Devices = 3000;

// A small, fast generator: the values only need to look like decoded data.
struct XorShift {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t next(uint32_t bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>((state >> 11) % bound);
  }
};

// 2000 lanes (one in ten a speed loop), 500 stations, 400 traps and 100
// metered lanes, every period of the day filled within the decoded widths.
DeviceTable& syntheticDay() {
  static std::unique_ptr<DeviceTable> table = [] {
    std::unique_ptr<DeviceTable> t = DeviceTable::create(Devices);
    if (!t) abort();
    XorShift random;
    for (int i = 0; i < Devices; ++i) {
      DeviceRecord& r = (*t)[i];
      uint16_t kind = i < 2000   ? KindLane
                      : i < 2500 ? KindStation
                      : i < 2900 ? KindTrap
                                 : KindMeteredLane;
      char type = kind == KindTrap ? 'T' : kind == KindLane && i % 10 == 9 ? 'S' : '_';
      snprintf(r.Name, sizeof r.Name, "%03des%05d:_MN__%c%d", i % 1000, i, type, i % 8 + 1);
      r.Kind = kind;
      for (int p = 0; p < PeriodsPerDay; ++p) {
        if (kind == KindLane || kind == KindStation) {
          r.NumLanes[p] = static_cast<uint16_t>(kind == KindLane ? 1 : 1 + random.next(7));
          r.Volume[p] = static_cast<uint16_t>(random.next(kind == KindLane ? 32 : 128));
          r.ScanCnt[p] = static_cast<uint16_t>(random.next(2048));
          r.Flag[p] = static_cast<uint16_t>(random.next(8));
          r.Incident[p] = static_cast<uint16_t>(random.next(4));
          r.NPds[p] = static_cast<uint8_t>(r.NumLanes[p]);
          r.EstLength[p] = static_cast<uint16_t>(random.next(400));
          r.CalcSpdTenths[p] = static_cast<uint16_t>(random.next(1000));
        }
        if (kind != KindMeteredLane) {
          r.SpdTenths[p] = static_cast<uint16_t>(random.next(1024));
          r.LenTenths[p] = static_cast<uint16_t>(random.next(1024));
          r.Bin1[p] = static_cast<uint16_t>(random.next(32));
          r.Bin2[p] = static_cast<uint16_t>(random.next(16));
          r.Bin3[p] = static_cast<uint16_t>(random.next(16));
          r.Bin4[p] = static_cast<uint16_t>(random.next(8));
          r.SpdFlag[p] = static_cast<uint16_t>(random.next(256));
          r.SpdFlag2[p] = static_cast<uint16_t>(random.next(16) << 4);
          r.SpdNPds[p] = static_cast<uint8_t>(r.SpdFlag2[p] >> 7);
        }
      }
    }
    return t;
  }();
  return *table;
}

class BenchFolder {
 public:
  BenchFolder() {
    const char* kept = getenv("LOOPCONV_BENCH_DIR");
    if (kept != nullptr && *kept != '\0') {
      path_ = kept;
      keep_ = true;
      mkdir(path_.c_str(), 0755);
    } else {
      std::string pattern =
          std::filesystem::temp_directory_path().string() + "/loopconv_bench_XXXXXX";
      if (mkdtemp(pattern.data()) == nullptr) abort();
      path_ = pattern;
    }
    if (path_.back() != '/') path_ += '/';
  }
  ~BenchFolder() {
    if (!keep_) std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool keep_ = false;
};

using Writer = bool (*)(const RunContext&, const DataHeader&, const DeviceTable*);

void runWriter(benchmark::State& state, Writer writer, const char* fileName) {
  DeviceTable& table = syntheticDay();
  numberTexts();  // built once per process, outside the timing
  BenchFolder folder;
  RunOptions options;
  options.outputFolder = folder.path();
  Log log(stdout);
  log.setTimeStamp("00:00:00");
  RunContext run{options, log, systemPlatform()};
  DataHeader header;
  strcpy(header.dataStart, "08/18/2021 00:00:00");
  header.numberOfNames = Devices;
  header.numberOfColumns = PeriodsPerDay;
  int64_t bytes = 0;
  for (auto _ : state) {
    if (!writer(run, header, &table)) state.SkipWithError("report not written");
    bytes += static_cast<int64_t>(std::filesystem::file_size(folder.path() + fileName));
  }
  state.SetBytesProcessed(bytes);
  state.counters["file_MB"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations()) / 1e6;
}

void BM_ElementReport(benchmark::State& state) {
  runWriter(state, writeElementReport, "PELMA20Sec_Element_08182021.csv");
}
void BM_LaneReport(benchmark::State& state) {
  runWriter(state, writeLaneReport, "PELMA20Sec_Lane_08182021.csv");
}
void BM_TrapReport(benchmark::State& state) {
  runWriter(state, writeTrapReport, "PELMA20Sec_Trap_08182021.csv");
}
void BM_ContentsReport(benchmark::State& state) {
  runWriter(state, writeContentsReport, "PELMA20Sec_Content_08182021.csv");
}

BENCHMARK(BM_ElementReport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LaneReport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrapReport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ContentsReport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace loopconv

BENCHMARK_MAIN();
