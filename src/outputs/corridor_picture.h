// The corridor picture: per corridor a time-space diagram, time across in
// five-minute cells, distance up the page in the direction of travel, each
// station's speed band drawn over its segment to scale.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_

#include <string>

#include "base/run_context.h"
#include "corridor/corridor_day.h"
#include "outputs/iso_date.h"
#include "outputs/picture.h"

namespace loopconv {

// "<folder>Corridors_YYYY-MM-DD.svg" (never compressed).
std::string corridorPicturePath(const std::string& folder, const IsoDate& date);

[[nodiscard]] bool writeCorridorPicture(const RunContext& run, const IsoDate& date,
                                        const CorridorDay& day, const std::string& dataFileName);

// Writes the picture from its embedded text (produceCorridorPicture() with
// `standalone` false): the same bytes as writeCorridorPicture().
[[nodiscard]] bool writeCorridorPictureText(const RunContext& run, const IsoDate& date,
                                            const std::string& embedded);

// The picture's text, handed to `sink` a corridor at a time; `standalone`
// as for producePicture().
void produceCorridorPicture(const IsoDate& date, const CorridorDay& day,
                            const std::string& dataFileName, bool standalone,
                            const PictureSink& sink);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_PICTURE_H_
