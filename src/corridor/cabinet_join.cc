#include "corridor/cabinet_join.h"

#include <algorithm>
#include <cstring>

#include "metadata/cabinet_list.h"

namespace loopconv {

namespace {

constexpr size_t CabinetNameLength = 10;

bool isSide(const char* side) {
  return side[0] != '\0' && side[1] == '\0' && strchr("NSEW", side[0]) != nullptr;
}

struct ListedPlace {
  CabinetPlace place;
  bool usable;
};

}  // namespace

bool parseMilepost(std::string_view text, int32_t* hundredths) {
  size_t i = 0;
  int64_t whole = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    whole = whole * 10 + (text[i] - '0');
    if (whole > 1000000) return false;  // far beyond any road, and no overflow
    ++i;
  }
  if (i == 0) return false;
  int64_t fraction = 0;
  if (i < text.size()) {
    if (text[i] != '.') return false;
    ++i;
    int decimals = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && decimals < 2) {
      fraction = fraction * 10 + (text[i] - '0');
      ++decimals;
      ++i;
    }
    if (i != text.size()) return false;
    if (decimals == 1) fraction *= 10;
  }
  *hundredths = static_cast<int32_t>(whole * 100 + fraction);
  return true;
}

CabinetPlaces CabinetPlaces::fromListBytes(const char* bytes, size_t size) {
  std::vector<ListedPlace> listed;
  ListLineReader reader(bytes, size);
  const char* line;
  size_t length;
  while (reader.next(&line, &length)) {
    if (!isCabinetLine(line, length)) continue;
    CabinetPlaceText text;
    fillCabinetPlaceText(line, length, &text);
    ListedPlace entry;
    entry.place.cabinet = text.Device;
    entry.place.roadway = text.Roadway;
    entry.place.side = text.Side[0];
    entry.place.location = text.Location;
    entry.place.status = text.Status;
    entry.usable = !entry.place.roadway.empty() && isSide(text.Side) &&
                   parseMilepost(text.Milepost, &entry.place.milepostHundredths);
    listed.push_back(std::move(entry));
  }
  // The first line of each name decides.
  std::stable_sort(listed.begin(), listed.end(), [](const ListedPlace& a, const ListedPlace& b) {
    return a.place.cabinet < b.place.cabinet;
  });
  CabinetPlaces places;
  std::string previous;  // the name before, kept apart: the places are moved out
  for (size_t i = 0; i < listed.size(); ++i) {
    if (i > 0 && listed[i].place.cabinet == previous) continue;
    previous = listed[i].place.cabinet;
    if (listed[i].usable) {
      places.places_.push_back(std::move(listed[i].place));
    } else {
      ++places.leftOut_;
    }
  }
  return places;
}

const CabinetPlace* CabinetPlaces::find(std::string_view cabinet) const {
  auto at = std::lower_bound(
      places_.begin(), places_.end(), cabinet,
      [](const CabinetPlace& place, std::string_view name) { return place.cabinet < name; });
  if (at == places_.end() || at->cabinet != cabinet) return nullptr;
  return &*at;
}

std::string cabinetOfStation(const DeviceRecord& station) {
  return std::string(station.Name, strnlen(station.Name, CabinetNameLength));
}

StationJoin joinStations(const DeviceTable& table, const CabinetPlaces& places) {
  StationJoin join;
  for (int32_t i = 0; i < table.size(); ++i) {
    const DeviceRecord& record = table[i];
    if (record.Kind != KindStation) continue;
    std::string cabinet = cabinetOfStation(record);
    const CabinetPlace* place = places.find(cabinet);
    if (place == nullptr) {
      ++join.unplaced;
      auto& first = join.firstUnplaced;
      if (first.size() < 3 && std::find(first.begin(), first.end(), cabinet) == first.end()) {
        first.push_back(cabinet);
      }
      continue;
    }
    JoinedStation station;
    station.tableIndex = i;
    station.device.assign(record.Name, strnlen(record.Name, NameBytes - 1));
    station.place = place;
    join.stations.push_back(std::move(station));
  }
  return join;
}

}  // namespace loopconv
