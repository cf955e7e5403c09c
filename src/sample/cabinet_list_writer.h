// Builds plausible cabinet list files, for the generator and for tests.
#ifndef LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_
#define LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace loopconv {

// Returns the text of a cabinet list: the date line ("Cabinet list - " and
// `date`, MM/DD/YYYY), two column heading lines, then one fixed-column line
// per cabinet in the given order, every line ending in CR LF. Cabinet names
// are cut or blank-padded to 10 characters; a name is only read back as a
// cabinet when it has "es" at positions 3 and 4 (e.g. "005es17329"). The
// other columns (alias, port, address, roadway, side, milepost, location,
// version, the loop, station, trap and metered-lane counts, status) are drawn
// from `seed`: the same arguments give the same text.
std::string buildCabinetList(const std::vector<std::string>& cabinets,
                             const std::string& date, uint64_t seed);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_
