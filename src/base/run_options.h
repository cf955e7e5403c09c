// The run's options: plain data, parsed once from the command line
// (convert/command_line.h) and only read after.
#ifndef LOOPCONV_BASE_RUN_OPTIONS_H_
#define LOOPCONV_BASE_RUN_OPTIONS_H_

#include <string>

#include "base/output_encoder.h"

namespace loopconv {

// Longest path the program forms (folder text plus file name).
constexpr size_t MaxPathLength = 259;

// The version the banner, the log and --version print.
constexpr const char* VersionText = "1.23+";

// Bounds of --jobs.
constexpr int MaxJobs = 64;

// Longest --wait: a day.
constexpr int MaxWaitSeconds = 86400;

struct RunOptions {
  std::string logFolder;           // F; ends in '/' after parsing
  std::string inputFolder;         // I; ends in '/' after parsing
  std::string outputFolder;        // O; ends in '/' after parsing
  std::string periodText;          // P, "HH:MM:SS"
  std::string deviceName;          // D, 18 characters with ':' at position 10
  std::string commandLetters;      // flag letters in order, each followed by a blank
  bool contentsReport = false;     // A
  bool includeRampMeters = false;  // C
  bool elementReport = false;      // E
  bool laneReport = false;         // L
  bool metadataMode = false;       // M
  bool rowFirst = false;           // R
  bool includeSpeedLoops = false;  // S
  bool trapReport = false;         // T
  bool singlePeriod = false;       // P passed validation
  bool singleDevice = false;       // D passed validation
  // Long options.
  int jobs = 1;                                 // --jobs=N: files converted N at a time
  int rollupMinutes = 0;                        // --rollup=MIN; 0: no roll-ups
  Compression compression = Compression::None;  // --compress=gzip|zstd
  bool healthReport = false;                    // --health
  bool picture = false;                         // --picture
  bool recursive = false;                       // --recursive: sub-folders too, outputs mirrored
  bool skipDone = false;                        // --skip-done: data files whose outputs are newer
  std::string summaryPath;                      // --summary=FILE; empty: no run summary
  bool pages = false;                           // --pages: a page per day and Index.html
  std::string cabinetsFile;                     // --cabinets=FILE: the cabinet list for --corridors
  bool corridors = false;                       // --corridors
  int waitSeconds = 0;                          // --wait=SECONDS: for another run's output folder
};

}  // namespace loopconv

#endif  // LOOPCONV_BASE_RUN_OPTIONS_H_
