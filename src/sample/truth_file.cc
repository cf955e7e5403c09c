#include "sample/truth_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace loopconv {

std::vector<StationTruth> stationTruth(const std::string& device, int lanes,
                                       const StationFlow& flow, int32_t periods) {
  std::vector<StationTruth> rows;
  int32_t available = static_cast<int32_t>(std::min(flow.vehicles.size(), flow.density.size()));
  periods = std::min(periods, available);
  lanes = std::max(lanes, 1);
  for (int32_t first = 0; first < periods; first += TruthPeriods) {
    int32_t end = std::min(first + TruthPeriods, periods);
    double vehicles = 0, density = 0;
    for (int32_t p = first; p < end; ++p) {
      vehicles += flow.vehicles[static_cast<size_t>(p)];
      density += flow.density[static_cast<size_t>(p)];
    }
    double hours = (end - first) * PeriodHours;
    StationTruth row;
    row.device = device;
    row.firstPeriod = first;
    row.flowVph = vehicles / hours;
    row.densityPerLane = density / (end - first) / lanes;
    // Vehicle-miles over vehicle-hours: the sum of flows over the sum of
    // densities, each over the same periods.
    row.hasSpeed = density > 0;
    if (row.hasSpeed) row.speedMph = vehicles / (PeriodHours * density);
    rows.push_back(row);
  }
  return rows;
}

std::string formatTruthCsv(const std::vector<StationTruth>& rows, const std::string& date) {
  std::string iso = date.size() >= 10
                        ? date.substr(6, 4) + "-" + date.substr(0, 2) + "-" + date.substr(3, 2)
                        : date;
  std::string text = std::string(TruthHeader) + "\r\n";
  text.reserve(rows.size() * 64 + text.size());
  char line[160];
  for (const StationTruth& r : rows) {
    int hh = r.firstPeriod / 180, mm = r.firstPeriod % 180 / 3;
    int n = snprintf(line, sizeof line, "%s,%sT%02d:%02d:00,%.1f,%.2f,", r.device.c_str(),
                     iso.c_str(), hh, mm, r.flowVph, r.densityPerLane);
    text.append(line, static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof line) - 1)));
    if (r.hasSpeed) {
      n = snprintf(line, sizeof line, "%.1f", r.speedMph);
      text.append(line, static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof line) - 1)));
    }
    text += "\r\n";
  }
  return text;
}

namespace {

bool parseNumber(const std::string& field, double* value) {
  if (field.empty()) return false;
  char* end = nullptr;
  *value = strtod(field.c_str(), &end);
  return end == field.c_str() + field.size();
}

// "YYYY-MM-DDTHH:MM:00" to a period index.
bool parseIntervalStart(const std::string& field, int32_t* period) {
  if (field.size() != 19 || field[10] != 'T' || field[13] != ':' || field[16] != ':') {
    return false;
  }
  for (int i : {11, 12, 14, 15, 17, 18}) {
    if (field[i] < '0' || field[i] > '9') return false;
  }
  int hh = (field[11] - '0') * 10 + (field[12] - '0');
  int mm = (field[14] - '0') * 10 + (field[15] - '0');
  if (hh > 23 || mm > 59 || field[17] != '0' || field[18] != '0') return false;
  *period = hh * 180 + mm * 3;
  return true;
}

}  // namespace

bool parseTruthCsv(const std::string& text, std::vector<StationTruth>* rows, std::string* error) {
  rows->clear();
  size_t at = 0;
  int lineNumber = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNumber == 1) {
      if (line != TruthHeader) {
        *error = "truth file: line 1 is not the header [" + std::string(TruthHeader) + "]";
        return false;
      }
      continue;
    }
    std::vector<std::string> fields(1);
    for (char c : line) {
      if (c == ',') {
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    StationTruth row;
    bool ok = fields.size() == 5 && !fields[0].empty() &&
              parseIntervalStart(fields[1], &row.firstPeriod) &&
              parseNumber(fields[2], &row.flowVph) && parseNumber(fields[3], &row.densityPerLane);
    row.hasSpeed = ok && !fields[4].empty();
    if (row.hasSpeed) ok = parseNumber(fields[4], &row.speedMph);
    if (!ok) {
      *error = "truth file: line " + std::to_string(lineNumber) + " is malformed [" + line + "]";
      return false;
    }
    row.device = fields[0];
    rows->push_back(row);
  }
  if (lineNumber == 0) {
    *error = "truth file: empty";
    return false;
  }
  return true;
}

}  // namespace loopconv
