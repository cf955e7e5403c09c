// The truth of a sample day: what the simulation knows at each station and
// the detectors only measure, per five minutes. loopconv-gen writes it with
// --truth FILE; tests measure the converter's estimates against it.
//
//   device,interval_start,flow_vph,density_vpmpl,speed_mph
//   005es01076:_MN_S00,2021-08-18T07:05:00,5821.4,31.27,62.1
//
// flow_vph: vehicles per hour over all the station's lanes; density_vpmpl:
// vehicles per mile per lane, the mean over the interval; speed_mph: the
// space-mean speed of the station's cell (vehicle-miles over vehicle-hours),
// empty when the density is 0. Lines end in CR LF, as every CSV of the project.
#ifndef LOOPCONV_SAMPLE_TRUTH_FILE_H_
#define LOOPCONV_SAMPLE_TRUTH_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sample/cell_transmission.h"

namespace loopconv {

constexpr int TruthMinutes = 5;
constexpr int32_t TruthPeriods = TruthMinutes * 3;

inline constexpr char TruthHeader[] = "device,interval_start,flow_vph,density_vpmpl,speed_mph";

struct StationTruth {
  std::string device;       // the station's name ("_S00")
  int32_t firstPeriod = 0;  // the interval's first 20-second period
  double flowVph = 0;
  double densityPerLane = 0;
  bool hasSpeed = false;  // false when the density is 0
  double speedMph = 0;
};

// The five-minute rows of one station over the first `periods` periods (the
// last interval may be short).
std::vector<StationTruth> stationTruth(const std::string& device, int lanes,
                                       const StationFlow& flow, int32_t periods);

// The CSV text of `rows` (in their order); `date` is MM/DD/YYYY.
std::string formatTruthCsv(const std::vector<StationTruth>& rows, const std::string& date);

// Reads a truth CSV back: rows with their values as written (rounded). False
// with a message naming the line on anything malformed.
[[nodiscard]] bool parseTruthCsv(const std::string& text, std::vector<StationTruth>* rows,
                                 std::string* error);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_TRUTH_FILE_H_
