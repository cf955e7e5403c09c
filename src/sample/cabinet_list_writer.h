// Builds plausible cabinet list files, for the generator and for tests.
#ifndef LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_
#define LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace loopconv {

// What the list says of one cabinet. The alias, port, address and version
// columns are drawn from the list's seed.
struct CabinetLine {
  std::string name;      // cut or blank-padded to 10 characters
  std::string roadway;   // "I-5" (at most 11 characters)
  char side = 'N';       // direction of travel of its stations: N, S, E or W
  int milepost = 0;      // hundredths of a mile, 0 to 999.99
  std::string location;  // at most 16 characters
  int loops = 0;
  int stations = 0;
  int speedtraps = 0;
  int meteredLanes = 0;
  std::string status = "ACTIVE";
};

// Returns the text of a cabinet list: the date line ("Cabinet list - " and
// `date`, MM/DD/YYYY), two column heading lines, then one fixed-column line
// per cabinet in the given order, every line ending in CR LF. A name is only
// read back as a cabinet when it has "es" at positions 3 and 4 (e.g.
// "005es17329"). The same arguments give the same text; another date changes
// only the date line.
std::string buildCabinetList(const std::vector<CabinetLine>& cabinets, const std::string& date,
                             uint64_t seed);

// A list of the named cabinets whose other columns (roadway, side, milepost,
// location, counts, status) are drawn from `seed` too: for tests of the list
// conversion that want varied lines.
std::string buildCabinetList(const std::vector<std::string>& cabinets, const std::string& date,
                             uint64_t seed);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_CABINET_LIST_WRITER_H_
