// loopconv-gen: writes a simulated day of twenty-second data for N devices.
//
//   loopconv-gen [--devices N] [--date MM/DD/YYYY] [--seed S] [--columns C] [--lst]
//                [--truth FILE] OUTDIR
//
// With --lst it also writes the cabinet list of the same cabinets; with
// --truth the simulation's five-minute station truth.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample/data_file_writer.h"
#include "sample/sample_day.h"
#include "sample/truth_file.h"

namespace {

void usage() {
  fprintf(stderr,
          "usage: loopconv-gen [--devices N] [--date MM/DD/YYYY] [--seed S] [--columns C] "
          "[--lst] [--truth FILE] OUTDIR\n"
          "  --devices N   number of devices, 1 to 100000 (default 100)\n"
          "  --date D      the day, MM/DD/YYYY (default 08/18/2021)\n"
          "  --seed S      random seed (default 1)\n"
          "  --columns C   periods per device, 1 to 4320 (default 4320)\n"
          "  --lst         also write the cabinet list of the day's cabinets\n"
          "  --truth FILE  also write the simulation's five-minute truth per station to FILE\n");
}

bool parseNumber(const char* text, long long low, long long high, long long* value) {
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

// Writes `bytes` to `path`; prints the path, or a message and removes a
// partial file.
bool writeWholeFile(const std::string& path, const std::string& bytes) {
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) {
    fprintf(stderr, "loopconv-gen: cannot create [%s]: %s\n", path.c_str(), strerror(errno));
    return false;
  }
  size_t written = fwrite(bytes.data(), 1, bytes.size(), out);
  bool failed = written != bytes.size();
  if (fclose(out) != 0) failed = true;
  if (failed) {
    fprintf(stderr, "loopconv-gen: cannot write [%s]: %s\n", path.c_str(), strerror(errno));
    remove(path.c_str());
    return false;
  }
  printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long long devices = 100, seed = 1, columns = loopconv::PeriodsPerDay;
  std::string date = "08/18/2021";
  std::string outDir;
  bool withList = false;
  std::string truthPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    bool ok = true;
    if (arg == "--devices" && hasValue) {
      ok = parseNumber(argv[++i], 1, 100000, &devices);
    } else if (arg == "--seed" && hasValue) {
      ok = parseNumber(argv[++i], 0, INT64_MAX, &seed);
    } else if (arg == "--columns" && hasValue) {
      ok = parseNumber(argv[++i], 1, loopconv::PeriodsPerDay, &columns);
    } else if (arg == "--date" && hasValue) {
      date = argv[++i];
      ok = loopconv::isSampleDate(date);
    } else if (arg == "--truth" && hasValue) {
      truthPath = argv[++i];
      ok = !truthPath.empty();
    } else if (arg == "--lst") {
      withList = true;
    } else if (arg == "-h" || arg == "--help") {
      usage();
      return 0;
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      ok = false;
    }
    if (!ok) {
      fprintf(stderr, "loopconv-gen: bad argument [%s]\n", argv[i]);
      usage();
      return 2;
    }
  }
  if (outDir.empty()) {
    usage();
    return 2;
  }

  loopconv::SampleDay day = loopconv::generateSampleDay(
      static_cast<int>(devices), date, static_cast<uint64_t>(seed), static_cast<int32_t>(columns));
  if (outDir.back() != '/') outDir += '/';
  if (!writeWholeFile(outDir + day.fileName, day.bytes)) {
    return 1;
  }
  if (withList) {
    // Named after the day, e.g. Cabinets_08182021.LST.
    std::string listName =
        "Cabinets_" + date.substr(0, 2) + date.substr(3, 2) + date.substr(6, 4) + ".LST";
    if (!writeWholeFile(outDir + listName,
                        loopconv::sampleCabinetList(day, date, static_cast<uint64_t>(seed)))) {
      return 1;
    }
  }
  if (!truthPath.empty() && !writeWholeFile(truthPath, loopconv::formatTruthCsv(day.truth, date))) {
    return 1;
  }
  return 0;
}
