// The corridor outputs of one data file (--cabinets=FILE --corridors):
// Corridors_, Corridor_Measures_5min_, Corridor_Summary_ and TravelTimes_
// YYYY-MM-DD.csv, and the time-space picture Corridors_YYYY-MM-DD.svg.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_FILES_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_FILES_H_

#include <string>
#include <vector>

#include "base/run_context.h"
#include "corridor/cabinet_join.h"
#include "corridor/corridor_day.h"
#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "outputs/corridor_summary_texts.h"
#include "outputs/iso_date.h"

namespace loopconv {

// Computes the corridors of `table` once, logs the W line of stations
// without a usable cabinet, and writes the four CSVs and the picture, in
// that order. A null `table` gives files with their header lines alone.
// False when a file could not be written or "Data Start" holds no date
// (each with an E line).
[[nodiscard]] bool writeCorridorOutputs(const RunContext& run, const DataHeader& header,
                                        const DeviceTable* table, const CabinetPlaces& places,
                                        const std::string& dataFileName);

// The paths of the five files in the order written: the four CSVs (their
// compression suffix not included) and the picture.
std::vector<std::string> corridorOutputPaths(const std::string& folder, const IsoDate& date);
// The same for a corridor day computed by the caller, for the day `date`;
// `embeddedPicture`, when given, is the picture's text made for a page, and
// the picture file is written from it rather than drawn again.
[[nodiscard]] bool writeCorridorFiles(const RunContext& run, const IsoDate& date,
                                      const CorridorDay& day, const std::string& dataFileName,
                                      const std::string* embeddedPicture = nullptr);

// The texts of one row of the corridor summary.
CorridorSummaryTexts corridorSummaryTexts(const CorridorOfDay& corridor,
                                          const WindowSummary& summary);

// The CSV files, one each (the tests call them on a CorridorDay of their own).
[[nodiscard]] bool writeCorridorStations(const RunContext& run, const IsoDate& date,
                                         const CorridorDay& day);
[[nodiscard]] bool writeCorridorMeasures(const RunContext& run, const IsoDate& date,
                                         const CorridorDay& day);
[[nodiscard]] bool writeCorridorSummary(const RunContext& run, const IsoDate& date,
                                        const CorridorDay& day);
[[nodiscard]] bool writeTravelTimes(const RunContext& run, const IsoDate& date,
                                    const CorridorDay& day);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_FILES_H_
