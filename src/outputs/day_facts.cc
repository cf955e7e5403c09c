#include "outputs/day_facts.h"

#include <algorithm>
#include <cstring>

#include "datafile/data_file.h"

namespace loopconv {
namespace {

void countDevice(const DeviceRecord& record, DeviceCounts* counts) {
  DetectorType type;
  if (detectorType(record, &type)) {
    switch (type) {
      case DetectorType::Lane: ++counts->lanes; return;
      case DetectorType::SpeedLoop: ++counts->speedLoops; return;
      case DetectorType::RampMeter: ++counts->rampMeters; return;
      case DetectorType::Station: ++counts->stations; return;
    }
  }
  if (record.Kind == KindTrap) {
    ++counts->traps;
  } else if (record.Kind == KindMeteredLane) {
    ++counts->meteredLanes;
  } else {
    ++counts->other;
  }
}

}  // namespace

DayFacts gatherDayFacts(const DataHeader& header, const DeviceTable* table,
                        const std::vector<HealthVerdict>* verdicts) {
  DayFacts facts;
  if (table == nullptr) return facts;
  const int32_t periods = std::clamp<int32_t>(periodCount(header), 0, PeriodsPerDay);
  int32_t detectors = 0;
  for (const DeviceRecord& record : *table) {
    DetectorType type;
    detectors += detectorType(record, &type);
  }
  if (verdicts != nullptr && verdicts->size() != static_cast<size_t>(detectors)) {
    verdicts = nullptr;  // not the health table of this table: judge here
  }
  size_t detector = 0;
  for (const DeviceRecord& record : *table) {
    countDevice(record, &facts.devices);
    DetectorType type;
    if (!detectorType(record, &type)) continue;
    facts.detectorPeriods += periods;
    for (int32_t p = 0; p < periods; ++p) facts.observedPeriods += record.NumLanes[p] > 0;
    HealthVerdict verdict =
        verdicts != nullptr ? (*verdicts)[detector] : judgeHealth(record, periods);
    ++detector;
    ++facts.byStatus[static_cast<size_t>(verdict.status)];
    if (verdict.status == HealthStatus::Good) continue;
    HealthEntry entry;
    entry.name.assign(record.Name, strnlen(record.Name, NameBytes - 1));
    entry.type = type;
    entry.verdict = verdict;
    facts.notGood.push_back(std::move(entry));
  }
  std::stable_sort(facts.notGood.begin(), facts.notGood.end(),
                   [](const HealthEntry& a, const HealthEntry& b) {
                     if (a.verdict.status != b.verdict.status) {
                       return a.verdict.status < b.verdict.status;
                     }
                     return a.name < b.name;
                   });
  return facts;
}

const char* healthStatusMeaning(HealthStatus status) {
  switch (status) {
    case HealthStatus::NoData:
      return "Sent nothing in the judged hours (05:00 to 22:00): check the cabinet's "
             "communication and the detector card.";
    case HealthStatus::InsufficientData:
      return "Samples for under 60% of the judged periods: check communication with the "
             "cabinet before the detector.";
    case HealthStatus::CardOff:
      return "Reports but never sees a vehicle: card off or failed, broken loop or lead-in "
             "cable.";
    case HealthStatus::HighValues:
      return "High occupancy or volume in 20% of samples or more: stuck on, crosstalk or "
             "sensitivity too high.";
    case HealthStatus::Intermittent:
      return "Occupancy without volume, or volume without occupancy, too often: chattering "
             "or a loose connection.";
    case HealthStatus::Constant:
      return "The same occupancy for 50 samples or more in a row: frozen card or stale value; "
             "reset and watch.";
    case HealthStatus::Good: return "Nothing to do.";
  }
  return "";
}

const char* healthStatusBrief(HealthStatus status) {
  switch (status) {
    case HealthStatus::NoData: return "sends nothing: check communication";
    case HealthStatus::InsufficientData: return "drops out: check communication";
    case HealthStatus::CardOff: return "sees no vehicle: card, loop or lead-in";
    case HealthStatus::HighValues: return "stuck on or oversensitive";
    case HealthStatus::Intermittent: return "chatters: loose connection?";
    case HealthStatus::Constant: return "frozen value: reset and watch";
    case HealthStatus::Good: return "nothing to do";
  }
  return "";
}

}  // namespace loopconv
