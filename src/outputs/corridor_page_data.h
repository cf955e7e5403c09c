// What a day page shows of the corridors, taken from the corridor day the
// run computed for the corridor files, in the texts those files print.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_PAGE_DATA_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_PAGE_DATA_H_

#include <string>

#include "corridor/corridor_day.h"
#include "outputs/corridor_section.h"
#include "outputs/iso_date.h"

namespace loopconv {

CorridorPageData corridorPageData(const CorridorDay& day, const IsoDate& date,
                                  const std::string& dataFileName);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_PAGE_DATA_H_
