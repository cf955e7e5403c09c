#include "metadata/cabinet_line.h"

#include <charconv>
#include <cstring>

#include "base/text.h"

namespace loopconv {

namespace {

// Copies columns first..last of the line into `field` (last - first + 2
// bytes), cut at the line's end, and terminates it.
template <size_t N>
void copyColumns(const char* line, size_t length, size_t first, char (&field)[N]) {
  constexpr size_t width = N - 1;
  size_t n = 0;
  if (first < length) n = length - first < width ? length - first : width;
  memcpy(field, line + first, n);
  field[n] = '\0';
}

template <size_t N>
char* appendText(char* out, const char (&field)[N]) {
  size_t n = strnlen(field, N);
  memcpy(out, field, n);
  return out + n;
}

char* appendNumber(char* out, int32_t value) {
  return std::to_chars(out, out + 12, value).ptr;
}

// Trims white space from both ends of the C string `field`, in place.
void trimBlanks(char* field) {
  size_t length = strlen(field);
  size_t first = 0;
  while (first < length && isBlank(field[first])) ++first;
  while (length > first && isBlank(field[length - 1])) --length;
  memmove(field, field + first, length - first);
  field[length - first] = '\0';
}

// The first column of each field (a field runs to the width of its array).
constexpr size_t DeviceColumn = 0;
constexpr size_t RoadwayColumn = 32;
constexpr size_t SideColumn = 44;
constexpr size_t MilepostColumn = 46;
constexpr size_t LocationColumn = 54;
constexpr size_t StatusColumn = 88;

}  // namespace

bool isCabinetLine(const char* line, size_t length) {
  return length >= 5 && line[3] == 'e' && line[4] == 's';
}

bool scanDateLine(const char* line, size_t length, std::string* metadataDate) {
  for (size_t i = 0; i < length; ++i) {
    if (line[i] != '-') continue;
    size_t start = i + 2;
    size_t n = 0;
    if (start < length) n = length - start < 10 ? length - start : 10;
    metadataDate->assign(line + (n > 0 ? start : 0), n);
    std::string& date = *metadataDate;
    if (date.size() < 6 || date[2] != '/' || date[5] != '/') return false;
    date[2] = '_';
    date[5] = '_';
  }
  return true;
}

void fillCabinetRecord(const char* line, size_t length, CabinetRecord* r) {
  copyColumns(line, length, DeviceColumn, r->Device);
  copyColumns(line, length, 11, r->Alias);
  trimField(r->Alias);
  copyColumns(line, length, 19, r->PortText);
  r->Port = convertNumber(r->PortText);
  copyColumns(line, length, 27, r->Address);
  trimField(r->Address);
  copyColumns(line, length, RoadwayColumn, r->Roadway);
  trimField(r->Roadway);
  copyColumns(line, length, SideColumn, r->Side);
  copyColumns(line, length, MilepostColumn, r->Milepost);
  trimField(r->Milepost);
  copyColumns(line, length, LocationColumn, r->Location);
  trimField(r->Location);
  copyColumns(line, length, 71, r->VersionText);
  r->Version = convertNumber(r->VersionText);
  copyColumns(line, length, 75, r->LoopsText);
  r->Loops = convertNumber(r->LoopsText);
  copyColumns(line, length, 79, r->StationsText);
  r->Stations = convertNumber(r->StationsText);
  copyColumns(line, length, 82, r->SpeedtrapsText);
  r->Speedtraps = convertNumber(r->SpeedtrapsText);
  copyColumns(line, length, 85, r->MeteredlanesText);
  r->Meteredlanes = convertNumber(r->MeteredlanesText);
  copyColumns(line, length, StatusColumn, r->Status);
  trimField(r->Status);
}

void fillCabinetPlaceText(const char* line, size_t length, CabinetPlaceText* place) {
  copyColumns(line, length, DeviceColumn, place->Device);
  copyColumns(line, length, RoadwayColumn, place->Roadway);
  trimBlanks(place->Roadway);
  copyColumns(line, length, SideColumn, place->Side);
  trimBlanks(place->Side);
  copyColumns(line, length, MilepostColumn, place->Milepost);
  trimBlanks(place->Milepost);
  copyColumns(line, length, LocationColumn, place->Location);
  trimBlanks(place->Location);
  copyColumns(line, length, StatusColumn, place->Status);
  trimBlanks(place->Status);
}

void trimField(char* field) {
  size_t length = strlen(field);
  size_t first = 0;
  while (first < length && isBlank(field[first])) ++first;
  while (length > first && isBlank(field[length - 1])) --length;
  size_t n = length - first;
  for (size_t i = 0; i < n; ++i) {
    char c = field[first + i];
    field[i] = c == ',' ? '-' : c;
  }
  field[n] = '\0';
}

int32_t convertNumber(const char* text) {
  return parseLeadingInt(text);
}

size_t formatCabinetRow(const CabinetRecord& r, char* out) {
  char* p = out;
  p = appendText(p, r.Device);
  *p++ = ',';
  p = appendText(p, r.Alias);
  *p++ = ',';
  p = appendNumber(p, r.Port);
  *p++ = ',';
  p = appendText(p, r.Address);
  *p++ = ',';
  p = appendText(p, r.Roadway);
  *p++ = ',';
  p = appendText(p, r.Side);
  *p++ = ',';
  p = appendText(p, r.Milepost);
  *p++ = ',';
  p = appendText(p, r.Location);
  *p++ = ',';
  p = appendNumber(p, r.Version);
  *p++ = ',';
  p = appendNumber(p, r.Loops);
  *p++ = ',';
  p = appendNumber(p, r.Stations);
  *p++ = ',';
  p = appendNumber(p, r.Speedtraps);
  *p++ = ',';
  p = appendNumber(p, r.Meteredlanes);
  *p++ = ',';
  p = appendText(p, r.Status);
  *p++ = '\n';
  return static_cast<size_t>(p - out);
}

}  // namespace loopconv
