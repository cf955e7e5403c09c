// Every figure is printed rounded half up from its exact or fixed-point
// value (corridor/measures.h, corridor/travel_times.h), with the decimals of
// its column: miles 2 (segments 3), speeds 1, hours 3, minutes 2.
#include "outputs/corridor_files.h"

#include <cstring>

#include "base/output_file.h"
#include "corridor/exact.h"
#include "datafile/data_file.h"
#include "outputs/corridor_picture.h"
#include "outputs/tidy_csv.h"

namespace loopconv {

namespace {

const char StationsHeader[] =
    "corridor,seq,device,cabinet,roadway,side,milepost,distance_mi,segment_mi,segment_rule,"
    "location,g_ft,g_rule\n";
const char MeasuresHeader[] =
    "corridor,seq,device,interval_start,observed,volume,occupancy_pct,speed_mph,speed_source,"
    "vmt,vht,delay35_vh,delay60_vh\n";
const char SummaryHeader[] =
    "corridor,window,stations,length_mi,vmt,vmt_with_speed,vht,delay35_vh,delay60_vh,"
    "speed_mph,congested_station_hours,worst_travel_min,worst_departure\n";
const char TravelHeader[] =
    "corridor,departure,length_mi,freeflow_min,instant_min,experienced_min\n";

// Room of any row: texts of at most 18 bytes each (six of them), a time
// label, and at most fourteen numbers.
constexpr size_t RowRoom = 6 * csvTextRoom(NameBytes) + IsoDateTimeLength + 14 * CsvNumberRoom + 2;

char* putText(char* out, const std::string& text) {
  out = putCsvText(out, text);
  *out++ = ',';
  return out;
}

char* putNumber(char* out, uint64_t value) {
  out = putUnsigned(out, value);
  *out++ = ',';
  return out;
}

char* putDecimal(char* out, uint64_t scaled, int decimals) {
  out = putFixed(out, scaled, decimals);
  *out++ = ',';
  return out;
}

char* endRow(char* out) {
  out[-1] = '\r';  // over the last comma
  *out++ = '\n';
  return out;
}

// "corridor,seq,device," of a station.
char* putStationPrefix(char* out, const Corridor& corridor, size_t index) {
  out = putText(out, corridor.name);
  out = putNumber(out, index + 1);
  return putText(out, corridor.stations[index].station.device);
}

char* putClock(char* out, int32_t period) {
  const int32_t minutes = period / 3;
  *out++ = static_cast<char>('0' + minutes / 600);
  *out++ = static_cast<char>('0' + minutes / 60 % 10);
  *out++ = ':';
  *out++ = static_cast<char>('0' + minutes % 60 / 10);
  *out++ = static_cast<char>('0' + minutes % 10);
  return out;
}

template <typename Rows>
bool writeCsv(const RunContext& run, const std::string& path, const char* announcement,
              const char* header, Rows rows) {
  OutputFile csv;
  if (!openRunOutput(run, path, announcement, &csv)) return false;
  csv.writeText(header, strlen(header));
  rows(&csv);
  return csv.close(run.log);
}

// "[a], [b], [c]".
std::string bracketedList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    if (!list.empty()) list += ", ";
    list += "[" + name + "]";
  }
  return list;
}

void logUnplaced(const RunContext& run, const CorridorDay& day, const std::string& name) {
  if (day.unplaced == 0) return;
  const std::string cabinets = bracketedList(day.firstUnplaced);
  // In the log and, as the other W lines about a data file, on the console.
  const char* format =
      "%d station(s) of data file [%s] have no usable cabinet in the cabinet list and are left "
      "out of the corridors (first: %s)!\n";
  run.log.warn(format, day.unplaced, name.c_str(), cabinets.c_str());
  run.log.consoleWarning(format, day.unplaced, name.c_str(), cabinets.c_str());
}

void logFaulty(const RunContext& run, const CorridorDay& day, const std::string& name) {
  if (day.faulty == 0) return;
  const std::string stations = bracketedList(day.firstFaulty);
  const char* format =
      "%d corridor station(s) of data file [%s] have a faulty lane (see the health table); their "
      "speeds are not estimated (first: %s)!\n";
  run.log.warn(format, day.faulty, name.c_str(), stations.c_str());
  run.log.consoleWarning(format, day.faulty, name.c_str(), stations.c_str());
}

}  // namespace

std::vector<std::string> corridorOutputPaths(const std::string& folder, const IsoDate& date) {
  return {dayFilePath(folder, "Corridors_", date, ".csv"),
          dayFilePath(folder, "Corridor_Measures_5min_", date, ".csv"),
          dayFilePath(folder, "Corridor_Summary_", date, ".csv"),
          dayFilePath(folder, "TravelTimes_", date, ".csv"), corridorPicturePath(folder, date)};
}

bool writeCorridorStations(const RunContext& run, const IsoDate& date, const CorridorDay& day) {
  const std::string path = corridorOutputPaths(run.options.outputFolder, date)[0];
  return writeCsv(run, path, "Writing corridor stations to CSV file", StationsHeader,
                  [&](OutputFile* csv) {
                    for (const CorridorOfDay& c : day.corridors) {
                      for (size_t s = 0; s < c.corridor.stations.size(); ++s) {
                        const CorridorStation& station = c.corridor.stations[s];
                        const CabinetPlace& place = *station.station.place;
                        const VehicleLength& length = c.stations[s].length;
                        char* out = csv->reserve(RowRoom);
                        char* p = putStationPrefix(out, c.corridor, s);
                        p = putText(p, place.cabinet);
                        p = putText(p, place.roadway);
                        *p++ = place.side;
                        *p++ = ',';
                        p = putDecimal(p, static_cast<uint32_t>(place.milepostHundredths), 2);
                        p = putDecimal(p, static_cast<uint32_t>(station.distanceHundredths), 2);
                        p = putDecimal(p, static_cast<uint32_t>(station.segmentThousandths()), 3);
                        p = putText(p, segmentRuleText(station.rule));
                        p = putText(p, place.location);
                        p = putDecimal(p, static_cast<uint32_t>(length.tenths), 1);
                        p = putText(p, length.calibrated ? "calibrated" : "default");
                        csv->commit(endRow(p));
                      }
                    }
                  });
}

bool writeCorridorMeasures(const RunContext& run, const IsoDate& date, const CorridorDay& day) {
  const std::string path = corridorOutputPaths(run.options.outputFolder, date)[1];
  return writeCsv(run, path, "Writing corridor measures to CSV file", MeasuresHeader,
                  [&](OutputFile* csv) {
                    for (const CorridorOfDay& c : day.corridors) {
                      for (size_t s = 0; s < c.stations.size(); ++s) {
                        char prefix[RowRoom];
                        const size_t prefixLength =
                            static_cast<size_t>(putStationPrefix(prefix, c.corridor, s) - prefix);
                        const StationDay& station = c.stations[s];
                        for (int32_t i = 0; i < day.intervalCount; ++i) {
                          const RollupInterval& in = station.intervals[i];
                          const StationSpeed& speed = station.speeds[i];
                          const StationMeasures& m = station.measures[i];
                          char* out = csv->reserve(RowRoom);
                          memcpy(out, prefix, prefixLength);
                          char* p = putIsoDateTime(out + prefixLength, date, in.firstPeriod);
                          *p++ = ',';
                          p = putNumber(p, static_cast<uint32_t>(in.observed));
                          if (in.observed > 0) {
                            const uint64_t observed = static_cast<uint32_t>(in.observed);
                            p = putNumber(p, in.volume);
                            p = putDecimal(p, roundedQuotient(in.scanSum * 100, 12 * observed), 2);
                          } else {
                            *p++ = ',';
                            *p++ = ',';
                          }
                          if (speed.source != SpeedSource::None) {
                            p = putDecimal(p, static_cast<uint32_t>(speed.tenths), 1);
                          } else {
                            *p++ = ',';
                          }
                          p = putText(p, speedSourceText(speed.source));
                          if (m.hasVmt) {
                            p = putDecimal(p, roundedQuotient(m.vmtThousandths, 10), 2);
                          } else {
                            *p++ = ',';
                          }
                          for (Wide value : {m.vht, m.delay35, m.delay60}) {
                            if (m.hasTimes) {
                              p = putDecimal(p, fixedToPlaces(value, 3), 3);
                            } else {
                              *p++ = ',';
                            }
                          }
                          csv->commit(endRow(p));
                        }
                      }
                    }
                  });
}

CorridorSummaryTexts corridorSummaryTexts(const CorridorOfDay& c, const WindowSummary& summary) {
  const MeasureSums& sums = summary.sums;
  CorridorSummaryTexts texts;
  char room[CsvNumberRoom + 8];
  auto number = [&room](uint64_t value) { return std::string(room, putUnsigned(room, value)); };
  auto decimal = [&room](uint64_t scaled, int decimals) {
    return std::string(room, putFixed(room, scaled, decimals));
  };
  texts.window = summaryWindowText(summary.window);
  texts.stations = number(c.corridor.stations.size());
  texts.lengthMi = decimal(static_cast<uint32_t>(c.corridor.lengthHundredths()), 2);
  texts.vmt = decimal(roundedQuotient(sums.vmtThousandths, 10), 2);
  texts.vmtWithSpeed = decimal(roundedQuotient(sums.vmtWithSpeedThousandths, 10), 2);
  texts.vht = decimal(fixedToPlaces(sums.vht, 3), 3);
  texts.delay35 = decimal(fixedToPlaces(sums.delay35, 3), 3);
  texts.delay60 = decimal(fixedToPlaces(sums.delay60, 3), 3);
  uint64_t speed = 0;
  if (sums.speedTenths(&speed)) texts.speedMph = decimal(speed, 1);
  texts.congestedHours = decimal(sums.congestedHoursThousandths(), 3);
  if (summary.hasWorst) {
    texts.worstTravelMin = decimal(summary.worstHundredths, 2);
    texts.worstDeparture =
        std::string(room, putClock(room, summary.worstInterval * CorridorMinutes * 3));
  }
  return texts;
}

bool writeCorridorSummary(const RunContext& run, const IsoDate& date, const CorridorDay& day) {
  const std::string path = corridorOutputPaths(run.options.outputFolder, date)[2];
  return writeCsv(
      run, path, "Writing corridor summary to CSV file", SummaryHeader, [&](OutputFile* csv) {
        for (const CorridorOfDay& c : day.corridors) {
          for (const WindowSummary& summary : c.summaries) {
            const CorridorSummaryTexts texts = corridorSummaryTexts(c, summary);
            char* out = csv->reserve(RowRoom);
            char* p = putText(out, c.corridor.name);
            p = putText(p, summaryWindowText(summary.window));
            for (const std::string* text :
                 {&texts.stations, &texts.lengthMi, &texts.vmt, &texts.vmtWithSpeed, &texts.vht,
                  &texts.delay35, &texts.delay60, &texts.speedMph, &texts.congestedHours,
                  &texts.worstTravelMin, &texts.worstDeparture}) {
              memcpy(p, text->data(), text->size());
              p += text->size();
              *p++ = ',';
            }
            csv->commit(endRow(p));
          }
        }
      });
}

bool writeTravelTimes(const RunContext& run, const IsoDate& date, const CorridorDay& day) {
  const std::string path = corridorOutputPaths(run.options.outputFolder, date)[3];
  return writeCsv(run, path, "Writing travel times to CSV file", TravelHeader,
                  [&](OutputFile* csv) {
                    for (const CorridorOfDay& c : day.corridors) {
                      const uint32_t length = static_cast<uint32_t>(c.corridor.lengthHundredths());
                      for (size_t i = 0; i < c.travel.size(); ++i) {
                        const TravelTime& time = c.travel[i];
                        char* out = csv->reserve(RowRoom);
                        char* p = putText(out, c.corridor.name);
                        p = putIsoDateTime(p, date, static_cast<int32_t>(i) * CorridorMinutes * 3);
                        *p++ = ',';
                        p = putDecimal(p, length, 2);
                        p = putDecimal(p, length, 2);  // minutes at 60 mph: one per mile
                        if (time.hasInstant) {
                          p = putDecimal(p, fixedToPlaces(time.instant, 2), 2);
                        } else {
                          *p++ = ',';
                        }
                        if (time.hasExperienced) {
                          p = putDecimal(p, time.experiencedHundredths, 2);
                        } else {
                          *p++ = ',';
                        }
                        csv->commit(endRow(p));
                      }
                    }
                  });
}

bool writeCorridorOutputs(const RunContext& run, const DataHeader& header, const DeviceTable* table,
                          const CabinetPlaces& places, const std::string& dataFileName) {
  IsoDate date;
  if (!requireIsoDate(run.log, header, "Corridors", &date)) return false;
  CorridorDay day;
  if (table != nullptr) {
    day = computeCorridorDay(*table, periodCount(header), places);
  }
  return writeCorridorFiles(run, date, day, dataFileName);
}

bool writeCorridorFiles(const RunContext& run, const IsoDate& date, const CorridorDay& day,
                        const std::string& dataFileName, const std::string* embeddedPicture) {
  logUnplaced(run, day, dataFileName);
  logFaulty(run, day, dataFileName);
  bool stations = writeCorridorStations(run, date, day);
  bool measures = writeCorridorMeasures(run, date, day);
  bool summary = writeCorridorSummary(run, date, day);
  bool travel = writeTravelTimes(run, date, day);
  bool picture = embeddedPicture != nullptr ? writeCorridorPictureText(run, date, *embeddedPicture)
                                            : writeCorridorPicture(run, date, day, dataFileName);
  return stations && measures && summary && travel && picture;
}

}  // namespace loopconv
