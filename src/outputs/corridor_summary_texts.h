// One row of the corridor summary as its CSV prints it: the texts the CSV
// file and the day page share, so that both show the same figures.
#ifndef LOOPCONV_OUTPUTS_CORRIDOR_SUMMARY_TEXTS_H_
#define LOOPCONV_OUTPUTS_CORRIDOR_SUMMARY_TEXTS_H_

#include <string>

namespace loopconv {

// Empty where the CSV's field is.
struct CorridorSummaryTexts {
  std::string window;  // "day", "am", "pm"
  std::string stations;
  std::string lengthMi;
  std::string vmt;
  std::string vmtWithSpeed;
  std::string vht;
  std::string delay35;
  std::string delay60;
  std::string speedMph;
  std::string congestedHours;
  std::string worstTravelMin;
  std::string worstDeparture;  // HH:MM
};

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_CORRIDOR_SUMMARY_TEXTS_H_
