// The speed picture: one SVG image of a data file's day, a row per station
// and a cell per five minutes, coloured by the station's speed band, so that
// congestion shows at a glance in any browser.
#ifndef LOOPCONV_OUTPUTS_PICTURE_H_
#define LOOPCONV_OUTPUTS_PICTURE_H_

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/speed_bands.h"
#include "base/run_context.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
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

// Receives the picture's text piece by piece (a station's row at a time), so
// that a large day never has to sit whole in memory.
using PictureSink = std::function<void(const std::string& text)>;

// The text writePicture() writes for the day `date` of `header`, handed to
// `sink`. `standalone`: begun with the XML declaration, as the file is;
// without it, the <svg> element alone, for a page to embed.
void producePicture(const DataHeader& header, const DeviceTable* table, const IsoDate& date,
                    const std::string& dataFileName, bool standalone, const PictureSink& sink);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_PICTURE_H_
