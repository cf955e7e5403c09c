#include "outputs/corridor_page_data.h"

#include <algorithm>

#include "corridor/exact.h"
#include "corridor/measures.h"
#include "outputs/corridor_files.h"
#include "outputs/corridor_picture.h"

namespace loopconv {
namespace {

constexpr int32_t IntervalsPerHour = 60 / CorridorMinutes;

// The corridor's speed in each hour: its vehicle-miles with a speed over
// its vehicle-hours, summed as the summary sums a window.
std::vector<std::optional<double>> hourlySpeeds(const CorridorOfDay& c, int32_t intervals) {
  std::vector<std::optional<double>> speeds;
  for (int32_t hour = 0; hour < 24; ++hour) {
    MeasureSums sums;
    const int32_t first = hour * IntervalsPerHour;
    const int32_t end = std::min(first + IntervalsPerHour, intervals);
    for (const StationDay& station : c.stations) {
      for (int32_t k = first; k < end; ++k) {
        const size_t i = static_cast<size_t>(k);
        if (i < station.measures.size() && i < station.speeds.size()) {
          sums.add(station.measures[i], station.speeds[i]);
        }
      }
    }
    uint64_t tenths = 0;
    if (sums.speedTenths(&tenths)) {
      speeds.emplace_back(static_cast<double>(tenths) / 10);
    } else {
      speeds.emplace_back();
    }
  }
  return speeds;
}

}  // namespace

CorridorPageData corridorPageData(const CorridorDay& day, const IsoDate& date,
                                  const std::string& dataFileName) {
  CorridorPageData data;
  produceCorridorPicture(date, day, dataFileName, false,
                         [&data](const std::string& text) { data.pictureSvg += text; });
  for (const CorridorOfDay& c : day.corridors) {
    CorridorPageEntry entry;
    entry.name = c.corridor.name;
    for (const WindowSummary& summary : c.summaries) {
      CorridorSummaryTexts texts = corridorSummaryTexts(c, summary);
      entry.stations = texts.stations;
      entry.lengthMi = texts.lengthMi;
      entry.windows.push_back(std::move(texts));
    }
    // At 60 mph a mile takes a minute: free flow is the length, as the
    // travel-time file prints it.
    entry.freeflowMin = entry.lengthMi;
    for (size_t i = 0; i < c.travel.size(); ++i) {
      const TravelTime& time = c.travel[i];
      TravelTimePoint point;
      point.departureMinute = static_cast<int32_t>(i) * CorridorMinutes;
      if (time.hasInstant) point.instant = fixedToPlaces(time.instant, 2) / 100.0;
      if (time.hasExperienced) point.experienced = time.experiencedHundredths / 100.0;
      entry.travel.push_back(point);
    }
    entry.hourlySpeed = hourlySpeeds(c, day.intervalCount);
    data.corridors.push_back(std::move(entry));
  }
  return data;
}

}  // namespace loopconv
