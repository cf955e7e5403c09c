// libFuzzer harness: any bytes as a data file, through the whole pipeline.
// A file that is converted logs its Processing and Completed lines; a file
// that is refused logs why (an E line). Every output written must be whole:
// no temporary file left, each CSV with its header line and CR LF only, each
// compressed file decompressing (zlib, libzstd), the picture well-formed XML
// (libxml2).
//
// scripts/fuzz.sh builds and runs it (clang, ASan + UBSan) on its seed corpus
// fuzz/corpus/data_file_fuzzer; by hand, from the repository root:
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
//     -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_SANITIZE=ON -DLOOPCONV_FUZZ=ON
//   cmake --build build/fuzz --target data_file_fuzzer
//   cp -r fuzz/corpus/data_file_fuzzer /tmp/corpus
//   build/fuzz/data_file_fuzzer -dict=fuzz/data_file.dict -max_len=4096 /tmp/corpus
//
// The last two bytes of the input pick the options. The last: row-first
// order (R, 1), speed loops (S, 2), ramp meters (C, 4), a single period
// (P, 8), a single device (D, 16), which period (32) and which device (64).
// The one before: roll-ups (bits 1 and 2: none, 5, 15 or 60 minutes),
// health (4), the station picture (8), the corridor outputs (16, with the
// fixed cabinet list of placedCabinets()), compression (32: gzip, 64: zstd).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/run_context.h"
#include "convert/data_file_conversion.h"
#include "corridor/cabinet_join.h"
#include "datafile/data_header.h"
#include "fuzz/fuzz_support.h"
#include "sample/cabinet_list_writer.h"

namespace {

using loopconv::fuzz::check;

// Above this many rows (devices times periods) only the Contents report is
// written: the rows themselves are covered by the tests and benchmarks, and
// a day of rows per input would starve the fuzzer.
constexpr int64_t MaxRows = 20000;

// A small fixed cabinet list for the corridor outputs: the cabinets of the
// seed corpus's stations on two roads (with a gap too wide for a travel
// time), a cabinet named twice and one at the last milepost a list holds.
const loopconv::CabinetPlaces& placedCabinets() {
  static const loopconv::CabinetPlaces places = [] {
    std::vector<loopconv::CabinetLine> lines = {
        {"005es01076", "I-5", 'S', 1076, "Main St", 6, 2, 0, 0},
        {"005es01090", "I-5", 'S', 1150, "Oak Ave", 6, 2, 0, 0},
        {"005es01076", "I-5", 'N', 1076, "Main St again", 6, 2, 0, 0},
        {"005es01200", "I-5", 'S', 1600, "Far away", 6, 2, 0, 0},
        {"405es00767", "I-405", 'N', 767, "Pine St", 6, 2, 1, 0},
        {"520es01160", "I-405", 'N', 810, "Elm St", 6, 2, 1, 0},
        {"405es00800", "I-405", 'N', 99999, "Edge", 6, 2, 1, 0},
    };
    std::string text = loopconv::buildCabinetList(lines, "08/18/2021", 1);
    return loopconv::CabinetPlaces::fromListBytes(text.data(), text.size());
  }();
  return places;
}

int64_t rowsOf(const uint8_t* data, size_t size) {
  std::vector<char> copy(data, data + size);
  loopconv::DataHeader header;
  loopconv::Log quiet(nullptr);
  loopconv::parseDataHeader(copy.data(), copy.size(), &header, quiet);
  size_t start = static_cast<size_t>(header.headerSize);
  int64_t fit = start < size ? static_cast<int64_t>((size - start) / loopconv::NameEntryBytes) : 0;
  int64_t names = header.numberOfNames < fit ? header.numberOfNames : fit;
  return names * header.numberOfColumns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static loopconv::fuzz::Scratch scratch("data");
  static loopconv::FakePlatform platform;
  const std::string name = "fuzz.DAT";
  loopconv::fuzz::writeWhole(scratch.input + name, data, size);

  loopconv::RunOptions options;
  options.inputFolder = scratch.input;
  options.outputFolder = scratch.output;
  options.logFolder = scratch.input;
  unsigned pick = size > 0 ? data[size - 1] : 0;
  unsigned outputs = size > 1 ? data[size - 2] : 0;
  const bool rows = rowsOf(data, size) <= MaxRows;
  options.contentsReport = true;
  options.elementReport = options.laneReport = options.trapReport = rows;
  options.rowFirst = pick & 1;
  options.includeSpeedLoops = pick & 2;
  options.includeRampMeters = pick & 4;
  options.singlePeriod = pick & 8;
  options.periodText = (pick & 32) ? "23:59:40" : "00:01:20";
  options.singleDevice = pick & 16;
  options.deviceName = (pick & 64) ? "518ee02163:_MN___1" : "518ee02163:_MN__T2";
  static const int RollupMinutes[4] = {0, 5, 15, 60};
  options.rollupMinutes = rows ? RollupMinutes[outputs & 3] : 0;
  options.healthReport = rows && (outputs & 4);
  options.picture = rows && (outputs & 8);
  options.corridors = rows && (outputs & 16);
  options.compression = (outputs & 32)   ? loopconv::Compression::Gzip
                        : (outputs & 64) ? loopconv::Compression::Zstd
                                         : loopconv::Compression::None;

  scratch.startLog();
  loopconv::RunContext run{options, scratch.log, platform};
  bool result = loopconv::processDataFile(name, run, nullptr,
                                          options.corridors ? &placedCabinets() : nullptr);
  std::string log = scratch.logText();
  check(log.find("] - Processing data file [fuzz.DAT]") != std::string::npos, "no Processing line",
        log);
  bool completed =
      log.find("] - Completed processing of data file [fuzz.DAT]") != std::string::npos;
  check(completed == result, "Completed line and result disagree", log);
  check(result || log.find("] E ") != std::string::npos, "file refused without a reason", log);

  static const char* const firstLines[] = {
      "Name,",    "name,", "Input element count = ", "device,lane_type,", "date,device,lane_type,",
      "corridor,"};
  scratch.checkAndClearOutput(firstLines);
  return 0;
}
