#include "convert/run_summary.h"

#include <cstdio>
#include <map>

#include "base/output_file.h"
#include "outputs/tidy_csv.h"

namespace loopconv {
namespace {

constexpr char HeaderLine[] =
    "file,kind,date,status,devices,periods,errors,warnings,seconds,outputs\n";

std::string folderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string countField(int64_t value) {
  return value < 0 ? "" : std::to_string(value);
}

std::string rowText(const SummaryRow& row, SummaryStatus status) {
  const FileOutcome& o = row.outcome;
  std::string outputs;
  for (const std::string& output : o.outputs) {
    if (!outputs.empty()) outputs += ';';
    outputs += output;
  }
  std::string seconds;
  if (o.seconds >= 0) {
    char text[32];
    snprintf(text, sizeof text, "%.1f", o.seconds);
    seconds = text;
  }
  return csvTextField(row.file) + (row.list ? ",list," : ",data,") + o.date + ',' +
         summaryStatusText(status) + ',' + countField(o.devices) + ',' + countField(o.periods) +
         ',' + std::to_string(o.errors) + ',' + std::to_string(o.warnings) + ',' + seconds + ',' +
         csvTextField(outputs) + '\n';
}

}  // namespace

const char* summaryStatusText(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Converted: return "converted";
    case SummaryStatus::Skipped: return "skipped";
    case SummaryStatus::Failed: return "failed";
    case SummaryStatus::Refused: return "refused";
    case SummaryStatus::Replaced: return "replaced";
  }
  return "";
}

std::vector<SummaryStatus> summaryStatuses(const std::vector<SummaryRow>& rows) {
  std::vector<SummaryStatus> statuses;
  std::map<std::string, int> completedOfGroup;  // kind, folder, date -> count
  auto groupOf = [](const SummaryRow& row) {
    return std::string(row.list ? "L" : "D") + folderOf(row.file) + '\n' + row.outcome.date;
  };
  for (const SummaryRow& row : rows) {
    const FileOutcome& o = row.outcome;
    if (row.skipped) {
      statuses.push_back(SummaryStatus::Skipped);
    } else if (o.stage == FileOutcome::Stage::Unread) {
      statuses.push_back(SummaryStatus::Failed);
    } else if (o.stage == FileOutcome::Stage::Refused) {
      statuses.push_back(SummaryStatus::Refused);
    } else {
      statuses.push_back(o.outputsWritten ? SummaryStatus::Converted : SummaryStatus::Failed);
      if (!o.date.empty()) ++completedOfGroup[groupOf(row)];
    }
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (statuses[i] == SummaryStatus::Converted && !rows[i].outcome.date.empty() &&
        completedOfGroup[groupOf(rows[i])] > 1) {
      statuses[i] = SummaryStatus::Replaced;
    }
  }
  return statuses;
}

bool writeRunSummary(const std::string& path, const std::vector<SummaryRow>& rows, Log& log) {
  OutputFile csv;
  // The whole path is the user's: no part of it comes from input data.
  OutputTarget target{path, path.size(), Compression::None};
  if (!openOutputFile(log, target, "Writing the run summary to CSV file", "summary file", &csv)) {
    return false;
  }
  csv.writeText(HeaderLine, sizeof HeaderLine - 1);
  std::vector<SummaryStatus> statuses = summaryStatuses(rows);
  for (size_t i = 0; i < rows.size(); ++i) csv.writeText(rowText(rows[i], statuses[i]));
  return csv.close(log);
}

}  // namespace loopconv
