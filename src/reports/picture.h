// The speed picture: one SVG image of a data file's day, a row per station
// and a cell per five minutes, coloured by the station's speed band, so that
// congestion shows at a glance in any browser.
#ifndef LOOPCONV_REPORTS_PICTURE_H_
#define LOOPCONV_REPORTS_PICTURE_H_

#include <cstdint>
#include <string>

#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "reports/rollup.h"
#include "base/run_context.h"

namespace loopconv {

constexpr int PictureMinutes = 5;

// The Element report's speed bands, fastest first.
enum class SpeedBand : uint8_t { Free, Slowing, Slow, Stopped, NoData };

// The speed of a five-minute cell in tenths of mph, rounded half up as the
// roll-up report prints it with one decimal: the measured speed when the
// interval has one, else the speed estimated from occupancy. False when it
// has neither.
bool cellSpeedTenths(const RollupInterval& interval, int32_t* tenths);

// Above 50.0 mph free, above 40.0 slowing, above 30.0 slow, else stopped.
SpeedBand speedBand(int32_t tenths);

// Fill colour of a band ("#rrggbb"; "url(#nodata)" for NoData). The four
// speed colours run from light blue through orange to dark red, darker for
// slower, and tell apart without red-green vision.
const char* speedBandFill(SpeedBand band);

// Writes "Picture_YYYY-MM-DD.svg" (the date from "Data Start") into the output
// folder: every station (kind 84) of `table` in table order, for the data
// file `dataFileName`. A table that is absent or holds no station gives an
// image that says so. False when the file could not be opened or written
// (the E line is logged).
[[nodiscard]] bool writePicture(const RunContext& run, const DataHeader& header,
                                const DeviceTable* table, const std::string& dataFileName);

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_PICTURE_H_
