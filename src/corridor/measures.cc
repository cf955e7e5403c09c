#include "corridor/measures.h"

namespace loopconv {

namespace {

// VMT / S - VMT / T hours in fixed point, 0 when S >= T:
// (V L / 1000) (10 / S - 10 / T) = V L (T - S) / (100 T S).
Wide delayAt(uint64_t vmtThousandths, int32_t speedTenths, int32_t thresholdTenths) {
  if (speedTenths >= thresholdTenths) return 0;
  Wide numerator =
      Wide{vmtThousandths} * static_cast<uint32_t>(thresholdTenths - speedTenths) * FixedScale;
  Wide denominator =
      Wide{100} * static_cast<uint32_t>(thresholdTenths) * static_cast<uint32_t>(speedTenths);
  return roundedWide(numerator, denominator);
}

constexpr int32_t PeriodsPerMinute = 3;

}  // namespace

StationMeasures measureInterval(const RollupInterval& in, int32_t segmentThousandths,
                                const StationSpeed& speed) {
  StationMeasures m;
  if (in.observed == 0) return m;
  m.hasVmt = true;
  m.vmtThousandths = uint64_t{in.volume} * static_cast<uint32_t>(segmentThousandths);
  if (in.volume == 0) {
    m.hasTimes = true;  // all 0
    return m;
  }
  if (speed.source == SpeedSource::None || speed.tenths <= 0) return m;
  m.hasTimes = true;
  // (V L / 1000) / (S / 10) = V L / 100 S hours.
  const uint32_t s = static_cast<uint32_t>(speed.tenths);
  m.vht = roundedWide(Wide{m.vmtThousandths} * FixedScale, Wide{100} * s);
  m.delay35 = delayAt(m.vmtThousandths, speed.tenths, Delay35Tenths);
  m.delay60 = delayAt(m.vmtThousandths, speed.tenths, Delay60Tenths);
  return m;
}

void MeasureSums::add(const StationMeasures& m, const StationSpeed& speed) {
  vmtThousandths += m.vmtThousandths;
  if (speed.source == SpeedSource::None) return;
  vmtWithSpeedThousandths += m.vmtThousandths;
  vht += m.vht;
  delay35 += m.delay35;
  delay60 += m.delay60;
  if (speed.tenths < CongestedBelowTenths) ++congestedIntervals;
}

bool MeasureSums::speedTenths(uint64_t* tenths) const {
  if (vht == 0) return false;
  // (vmt / 1000) / (vht / 10^15) mph, times 10 for tenths.
  *tenths =
      static_cast<uint64_t>(roundedWide(Wide{vmtWithSpeedThousandths} * (FixedScale / 100), vht));
  return true;
}

uint64_t MeasureSums::congestedHoursThousandths() const {
  return roundedQuotient(uint64_t{congestedIntervals} * 5 * 1000, 60);
}

const char* summaryWindowText(SummaryWindow window) {
  switch (window) {
    case SummaryWindow::Day: return "day";
    case SummaryWindow::Am: return "am";
    case SummaryWindow::Pm: return "pm";
  }
  return "";
}

bool inSummaryWindow(SummaryWindow window, int32_t firstPeriod) {
  const int32_t minute = firstPeriod / PeriodsPerMinute;
  switch (window) {
    case SummaryWindow::Day: return true;
    case SummaryWindow::Am: return minute >= 6 * 60 && minute < 10 * 60;
    case SummaryWindow::Pm: return minute >= 15 * 60 && minute < 19 * 60;
  }
  return false;
}

}  // namespace loopconv
