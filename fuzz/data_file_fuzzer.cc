// libFuzzer harness: any bytes as a data file, through the whole pipeline with
// all four reports. Checks that the file completes, that its log holds the
// Processing and Completed lines, and that every report written is a whole
// CSV (header line, CR LF only, no temporary file left).
//
// Build with clang, the sanitizers and the fuzz option, make a few seed files
// and run, from the repository root:
//   cmake -S . -B build-libfuzzer -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
//     -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_SANITIZE=ON -DLOOPCONV_FUZZ=ON
//   cmake --build build-libfuzzer --target data_file_fuzzer loopconv-gen
//   mkdir -p fuzz-corpus/data
//   for s in 1 2 3; do build-libfuzzer/loopconv-gen --devices 12 --columns $((4 * s)) \
//     --seed $s fuzz-corpus/data; done
//   build-libfuzzer/data_file_fuzzer -dict=fuzz/data_file.dict -max_len=4096 \
//     -max_total_time=300 fuzz-corpus/data
//
// The last byte of the input picks the options: row-first order (R), speed
// loops (S), ramp meters (C), a single period (P) and a single device (D).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datafile/data_header.h"
#include "convert/data_file_conversion.h"
#include "fuzz/fuzz_support.h"
#include "base/fake_platform.h"
#include "base/run_context.h"

namespace {

using loopconv::fuzz::check;

// Above this many rows (devices times periods) only the Contents report is
// written: the rows themselves are covered by the tests and benchmarks, and
// a day of rows per input would starve the fuzzer.
constexpr int64_t MaxRows = 20000;

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
  options.contentsReport = true;
  options.elementReport = options.laneReport = options.trapReport = rowsOf(data, size) <= MaxRows;
  options.rowFirst = pick & 1;
  options.includeSpeedLoops = pick & 2;
  options.includeRampMeters = pick & 4;
  options.singlePeriod = pick & 8;
  options.periodText = (pick & 32) ? "23:59:40" : "00:01:20";
  options.singleDevice = pick & 16;
  options.deviceName = (pick & 64) ? "518ee02163:_MN___1" : "518ee02163:_MN__T2";

  scratch.startLog();
  loopconv::RunContext run{options, scratch.log, platform};
  bool result = loopconv::processDataFile(name, run);
  std::string log = scratch.logText();
  check(result, "file not processed", log);
  check(log.find("] - Processing data file [fuzz.DAT]") != std::string::npos,
        "no Processing line", log);
  check(log.find("] - Completed processing of data file [fuzz.DAT]") != std::string::npos,
        "no Completed line", log);

  static const char* const firstLines[] = {"Name,", "name,", "Input element count = "};
  scratch.checkAndClearOutput(firstLines);
  return 0;
}
