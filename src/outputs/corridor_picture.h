// The corridor picture: per corridor a time-space diagram, time across in
// five-minute cells, distance up the page in the direction of travel, each
// station's speed band drawn over its segment to scale.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_

#include <string>

#include "base/run_context.h"
#include "corridor/corridor_day.h"
#include "outputs/iso_date.h"

namespace loopconv {

// "<folder>Corridors_YYYY-MM-DD.svg" (never compressed).
std::string corridorPicturePath(const std::string& folder, const IsoDate& date);

[[nodiscard]] bool writeCorridorPicture(const RunContext& run, const IsoDate& date,
                                        const CorridorDay& day,
                                        const std::string& dataFileName);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_
