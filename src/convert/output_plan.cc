#include "convert/output_plan.h"

#include "outputs/corridor_files.h"
#include "outputs/health_report.h"
#include "outputs/iso_date.h"
#include "outputs/picture.h"
#include "outputs/rollup_report.h"
#include "reports/contents_report.h"
#include "reports/element_report.h"
#include "reports/lane_report.h"
#include "reports/trap_report.h"

namespace loopconv {

std::vector<PlannedOutput> planOutputs(const RunOptions& options, const DataHeader& header,
                                       const DeviceTable* table, const std::string& dataFileName,
                                       const CabinetPlaces* cabinets,
                                       std::promise<std::vector<HealthVerdict>>* verdicts) {
  const std::string suffix = compressionSuffix(options.compression);
  std::vector<PlannedOutput> plan;
  auto add = [&](std::vector<std::string> paths, std::function<bool(const RunContext&)> write) {
    plan.push_back({std::move(paths), std::move(write)});
  };
  if (options.elementReport) {
    add({elementReportPath(options, header) + suffix},
        [&header, table](const RunContext& r) { return writeElementReport(r, header, table); });
  }
  if (options.laneReport) {
    add({laneReportPath(options, header) + suffix},
        [&header, table](const RunContext& r) { return writeLaneReport(r, header, table); });
  }
  if (options.trapReport) {
    add({trapReportPath(options, header) + suffix},
        [&header, table](const RunContext& r) { return writeTrapReport(r, header, table); });
  }
  if (options.contentsReport) {
    add({contentsReportPath(options, header) + suffix},
        [&header, table](const RunContext& r) { return writeContentsReport(r, header, table); });
  }
  // The analysis outputs are named after the ISO date; a header without
  // one gets no path, and its writer logs why it writes nothing.
  IsoDate date;
  const bool dated = isoDateOf(header, &date);
  const std::string& folder = options.outputFolder;
  if (options.rollupMinutes > 0) {
    std::vector<std::string> paths;
    if (dated) {
      RollupPaths rollup = rollupReportPaths(folder, date, options.rollupMinutes);
      paths = {rollup.lanes + suffix, rollup.stations + suffix};
    }
    const int minutes = options.rollupMinutes;
    add(paths, [&header, table, minutes](const RunContext& r) {
      return writeRollupReports(r, header, table, minutes);
    });
  }
  if (options.healthReport) {
    add(dated ? std::vector<std::string>{healthReportPath(folder, date) + suffix}
              : std::vector<std::string>{},
        [&header, table, &dataFileName, verdicts](const RunContext& r) {
          if (verdicts == nullptr) return writeHealthReport(r, header, table, dataFileName).written;
          std::vector<HealthVerdict> judged;
          bool written = writeHealthReport(r, header, table, dataFileName, &judged).written;
          verdicts->set_value(std::move(judged));
          return written;
        });
  }
  if (options.picture) {
    // Never compressed.
    add(dated ? std::vector<std::string>{picturePath(folder, date)} : std::vector<std::string>{},
        [&header, table, &dataFileName](const RunContext& r) {
          return writePicture(r, header, table, dataFileName);
        });
  }
  if (options.corridors) {
    std::vector<std::string> paths;
    if (dated) {
      paths = corridorOutputPaths(folder, date);
      for (size_t i = 0; i + 1 < paths.size(); ++i) paths[i] += suffix;  // the CSVs
    }
    add(paths, [&header, table, &dataFileName, cabinets](const RunContext& r) {
      return cabinets != nullptr && writeCorridorOutputs(r, header, table, *cabinets, dataFileName);
    });
  }
  return plan;
}

}  // namespace loopconv
