#include "corridor/travel_times.h"

#include <algorithm>
#include <cmath>

namespace loopconv {

namespace {

// The stations with a speed in one interval: the cells a vehicle drives
// through.
struct SpeedField {
  std::vector<int32_t> positions;  // hundredths, ascending
  std::vector<int32_t> tenths;
  bool complete = false;  // an instant travel time exists
};

SpeedField fieldOf(const CorridorSpeeds& c, int32_t k) {
  SpeedField field;
  const size_t n = c.distances.size();
  for (size_t s = 0; s < n; ++s) {
    const StationSpeed& speed = c.speeds[s * static_cast<size_t>(c.intervalCount) + k];
    if (speed.source == SpeedSource::None || speed.tenths <= 0) continue;
    if (!field.positions.empty() && c.distances[s] - field.positions.back() > MaxGapHundredths) {
      return field;  // incomplete
    }
    field.positions.push_back(c.distances[s]);
    field.tenths.push_back(speed.tenths);
  }
  const StationSpeed& first = c.speeds[k];
  const StationSpeed& last = c.speeds[(n - 1) * static_cast<size_t>(c.intervalCount) + k];
  field.complete = first.source != SpeedSource::None && last.source != SpeedSource::None;
  return field;
}

Wide instantMinutes(const SpeedField& field) {
  Wide sum = 0;
  for (size_t j = 0; j + 1 < field.positions.size(); ++j) {
    sum += gapMinutes(field.positions[j + 1] - field.positions[j], field.tenths[j],
                      field.tenths[j + 1]);
  }
  return sum;
}

// Drives from distance 0 at minute 5 x `departure` through the fields, in
// hundredths of a mile and minutes (v tenths of mph is v / 6 hundredths a
// minute). False when the trip meets an incomplete field or outlasts the
// file.
bool driveThrough(const std::vector<SpeedField>& fields, int32_t departure, double lengthHundredths,
                  double fileEndMinutes, double* minutes) {
  const int32_t count = static_cast<int32_t>(fields.size());
  double t = 5.0 * departure;
  double x = 0;
  int32_t k = departure;
  while (x < lengthHundredths) {
    if (k >= count || !fields[k].complete) return false;
    const SpeedField& f = fields[k];
    const double end = std::min(5.0 * (k + 1), fileEndMinutes);
    // The gap holding x, then its third.
    size_t j = 0;
    while (j + 2 < f.positions.size() && x >= f.positions[j + 1]) ++j;
    const double a = f.positions[j];
    const double d = f.positions[j + 1] - a;
    const double first = a + d / 3;
    const double second = a + 2 * d / 3;
    double boundary;
    double tenths;
    if (x < first) {
      boundary = first;
      tenths = f.tenths[j];
    } else if (x < second) {
      boundary = second;
      tenths = (f.tenths[j] + f.tenths[j + 1]) / 2.0;
    } else {
      boundary = f.positions[j + 1];
      tenths = f.tenths[j + 1];
    }
    const double v = tenths / 6.0;
    const double toBoundary = (boundary - x) / v;
    if (t + toBoundary <= end) {
      t += toBoundary;
      x = boundary;
      if (t >= end) ++k;
    } else {
      x += v * (end - t);
      t = end;
      ++k;
    }
  }
  *minutes = t - 5.0 * departure;
  return true;
}

}  // namespace

Wide gapMinutes(int32_t gapHundredths, int32_t aTenths, int32_t bTenths) {
  const Wide a = static_cast<uint32_t>(aTenths);
  const Wide b = static_cast<uint32_t>(bTenths);
  const Wide d = static_cast<uint32_t>(gapHundredths);
  return roundedWide(2 * d * ((a + b) * (a + b) + 2 * a * b) * FixedScale, a * b * (a + b));
}

std::vector<TravelTime> corridorTravelTimes(const CorridorSpeeds& c) {
  std::vector<TravelTime> times;
  if (c.distances.size() < 2 || c.intervalCount <= 0) return times;
  std::vector<SpeedField> fields;
  fields.reserve(static_cast<size_t>(c.intervalCount));
  for (int32_t k = 0; k < c.intervalCount; ++k) fields.push_back(fieldOf(c, k));
  const double length = c.distances.back();
  const double fileEnd = c.periodCount / 3.0;
  times.resize(static_cast<size_t>(c.intervalCount));
  for (int32_t k = 0; k < c.intervalCount; ++k) {
    TravelTime& time = times[k];
    if (!fields[k].complete) continue;
    time.hasInstant = true;
    time.instant = instantMinutes(fields[k]);
    double minutes = 0;
    if (driveThrough(fields, k, length, fileEnd, &minutes)) {
      time.hasExperienced = true;
      time.experiencedHundredths = static_cast<uint64_t>(std::floor(minutes * 100 + 0.5));
    }
  }
  return times;
}

}  // namespace loopconv
