// The cabinet list joined to a data file: where each station (kind 84)
// stands, from the cabinet named by the first ten characters of its name.
#ifndef LOOPCONV_CORRIDOR_CABINET_JOIN_H_
#define LOOPCONV_CORRIDOR_CABINET_JOIN_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/device_table.h"

namespace loopconv {

// A cabinet of the list that places stations on a road.
struct CabinetPlace {
  std::string cabinet;  // its Device column
  std::string roadway;  // outer blanks removed, never empty
  char side = 'N';      // N, S, E or W
  int32_t milepostHundredths = 0;
  std::string location;
  std::string status;  // carried, not used
};

// "12", "12.3", "12.34" and "12." are plain decimal numbers; a sign, a
// leading point, a third decimal or any other character is not. False when
// `text` is not one; else *hundredths holds its value in hundredths.
[[nodiscard]] bool parseMilepost(std::string_view text, int32_t* hundredths);

// The usable cabinets of one list, read once per run and then only read.
class CabinetPlaces {
 public:
  // Reads the cabinet lines of a list file's bytes (the lines metadata mode
  // reads). A cabinet named on several lines is taken from its first line;
  // one with an empty roadway, a side other than N, S, E or W, or a milepost
  // that is no plain decimal number is left out.
  static CabinetPlaces fromListBytes(const char* bytes, size_t size);

  // The place of a cabinet; nullptr when the list has no usable line for it.
  const CabinetPlace* find(std::string_view cabinet) const;

  size_t size() const { return places_.size(); }
  int64_t leftOut() const { return leftOut_; }

 private:
  std::vector<CabinetPlace> places_;  // ascending by cabinet
  int64_t leftOut_ = 0;               // cabinet lines left out
};

// A station of the data file with its cabinet's place.
struct JoinedStation {
  int32_t tableIndex = 0;
  std::string device;  // the station's name
  const CabinetPlace* place = nullptr;
};

struct StationJoin {
  std::vector<JoinedStation> stations;     // placed stations, table order
  int32_t unplaced = 0;                    // stations whose cabinet is missing or left out
  std::vector<std::string> firstUnplaced;  // their first three cabinets, table order
};

// The cabinet a station belongs to: the first ten characters of its name.
std::string cabinetOfStation(const DeviceRecord& station);

StationJoin joinStations(const DeviceTable& table, const CabinetPlaces& places);

}  // namespace loopconv

#endif  // LOOPCONV_CORRIDOR_CABINET_JOIN_H_
