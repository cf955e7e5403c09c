// The speed picture: one SVG image of a data file's day, a row per station
// and a cell per five minutes, coloured by the station's speed band, so that
// congestion shows at a glance in any browser.
#ifndef LOOPCONV_OUTPUTS_PICTURE_H_
#define LOOPCONV_OUTPUTS_PICTURE_H_

#include <cstdint>
#include <string>

#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "analysis/speed_bands.h"
#include "base/run_context.h"
#include "outputs/iso_date.h"

namespace loopconv {

constexpr int PictureMinutes = 5;

// "<folder>Picture_YYYY-MM-DD.svg".
std::string picturePath(const std::string& folder, const IsoDate& date);

// Writes "Picture_YYYY-MM-DD.svg" (the date from "Data Start") into the output
// folder, never compressed (it is small, and a browser must open it): every
// station (kind 84) of `table` in table order, for the data file
// `dataFileName`. A table that is absent or holds no station gives an
// image that says so. False when the file could not be opened or written
// (the E line is logged).
[[nodiscard]] bool writePicture(const RunContext& run, const DataHeader& header,
                                const DeviceTable* table, const std::string& dataFileName);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_PICTURE_H_
