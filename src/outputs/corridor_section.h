// The corridors of a day page: per corridor its time-space picture, its day
// and peak figures, and a small chart of travel times over the day.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_SECTION_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_SECTION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "outputs/corridor_summary_texts.h"

namespace loopconv {

// One five-minute departure of the travel-time table, in minutes.
struct TravelTimePoint {
  int32_t departureMinute = 0;  // minutes after midnight
  std::optional<double> instant;
  std::optional<double> experienced;
};

struct CorridorPageEntry {
  std::string name;  // bytes as the cabinet list has them
  std::string stations;
  std::string lengthMi;
  std::string freeflowMin;
  std::vector<CorridorSummaryTexts> windows;  // day, am, pm
  std::vector<TravelTimePoint> travel;
  // Speed per hour of the day (mph; VMT with a speed over VHT), for the
  // index's sparkline.
  std::vector<std::optional<double>> hourlySpeed;
};

struct CorridorPageData {
  // Empty when the corridors could be worked out; else why not, in one line
  // (the page then shows the station picture).
  std::string failure;
  // The time-space picture of every corridor, an <svg> element to embed.
  std::string pictureSvg;
  std::vector<CorridorPageEntry> corridors;
};

// The section, from its <section> to its end.
void appendCorridorSection(std::string* out, const CorridorPageData& data);

// The chart of one corridor's travel times: instant and experienced against
// free flow, an <svg> element.
void appendTravelTimeChart(std::string* out, const CorridorPageEntry& corridor);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_SECTION_H_
