// libFuzzer harness: any bytes as a cabinet list file, through the metadata
// conversion. Checks that the log holds the Processing line (and the
// Completed line when the conversion ran to its end) and that a metadata CSV
// written is whole: its header line, CR LF only, no temporary file left.
//
// Build with clang, the sanitizers and the fuzz option, make a seed list and
// run, from the repository root:
//   cmake -S . -B build-libfuzzer -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
//     -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_SANITIZE=ON -DLOOPCONV_FUZZ=ON
//   cmake --build build-libfuzzer --target cabinet_list_fuzzer loopconv-gen
//   mkdir -p fuzz-corpus/list
//   build-libfuzzer/loopconv-gen --devices 30 --columns 1 --lst fuzz-corpus/list
//   rm fuzz-corpus/list/*.DAT
//   build-libfuzzer/cabinet_list_fuzzer -max_len=8192 -max_total_time=300 fuzz-corpus/list

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/fake_platform.h"
#include "base/run_context.h"
#include "convert/list_file_conversion.h"
#include "fuzz/fuzz_support.h"

using loopconv::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static loopconv::fuzz::Scratch scratch("list");
  static loopconv::FakePlatform platform;
  const std::string name = "fuzz.LST";
  loopconv::fuzz::writeWhole(scratch.input + name, data, size);

  loopconv::RunOptions options;
  options.inputFolder = scratch.input;
  options.outputFolder = scratch.output;
  options.logFolder = scratch.input;
  options.metadataMode = true;

  scratch.startLog();
  loopconv::RunContext run{options, scratch.log, platform};
  // Each input starts a run of its own: no date carried over.
  std::string metadataDate;
  bool result = loopconv::convertCabinetList(name, run, &metadataDate);
  std::string log = scratch.logText();
  check(log.find("] - Processing metadata file [fuzz.LST]") != std::string::npos,
        "no Processing line", log);
  bool completed =
      log.find("] - Completed processing of List File [fuzz.LST]") != std::string::npos;
  bool noDate = log.find("] W No date [") != std::string::npos;
  check(completed != noDate, "Completed line and date warning disagree", log);
  check(result || noDate || log.find("] E Could not write") != std::string::npos,
        "list stopped without a reason", log);

  static const char* const firstLines[] = {
      "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,Stations,"
      "Speedtraps,Meteredlanes,Status\r\n"};
  scratch.checkAndClearOutput(firstLines);
  return 0;
}
