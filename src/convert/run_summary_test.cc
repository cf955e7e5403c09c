#include "convert/run_summary.h"

#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

SummaryRow row(const std::string& file, FileOutcome::Stage stage, const std::string& date,
               bool list = false) {
  SummaryRow r;
  r.file = file;
  r.list = list;
  r.outcome.stage = stage;
  r.outcome.date = date;
  return r;
}

TEST(RunSummaryTest, StatusesAndTheSameDateRule) {
  using Stage = FileOutcome::Stage;
  std::vector<SummaryRow> rows = {
      row("a_DAT", Stage::Completed, "2021-08-18"),
      row("b_DAT", Stage::Completed, "2021-08-19"),
      row("c_DAT", Stage::Completed, "2021-08-18"),  // replaces a_DAT's outputs
      row("d_DAT", Stage::Refused, ""),
      row("e_DAT", Stage::Unread, ""),
      row("f_DAT", Stage::Refused, "2021-08-19"),        // refused: does not count
      row("sub/g_DAT", Stage::Completed, "2021-08-19"),  // another output folder
      row("h_DAT", Stage::Completed, "2021-08-20"),      // an output failed
      row("i_DAT", Stage::Completed, "2021-08-20"),
      row("x.LST", Stage::Completed, "2021-08-19", true),  // a list: other names
  };
  rows[7].outcome.outputsWritten = false;
  SummaryRow skipped = row("j_DAT", Stage::Unread, "2021-08-21");
  skipped.skipped = true;
  rows.push_back(skipped);
  const std::vector<SummaryStatus> want = {
      SummaryStatus::Replaced,  SummaryStatus::Converted, SummaryStatus::Replaced,
      SummaryStatus::Refused,   SummaryStatus::Failed,    SummaryStatus::Refused,
      SummaryStatus::Converted, SummaryStatus::Failed,    SummaryStatus::Replaced,
      SummaryStatus::Converted, SummaryStatus::Skipped};
  EXPECT_EQ(summaryStatuses(rows), want);
}

TEST(RunSummaryTest, WritesOneQuotedRowPerFileWithEmptyUnknownFields) {
  TempDir dir;
  SummaryRow converted = row("2021-08/a,b_DAT", FileOutcome::Stage::Completed, "2021-08-18");
  converted.outcome.devices = 3000;
  converted.outcome.periods = 4320;
  converted.outcome.errors = 1;
  converted.outcome.warnings = 2;
  converted.outcome.seconds = 3.25;
  converted.outcome.outputs = {"2021-08/E.csv", "2021-08/H.csv"};
  SummaryRow unread = row("b_DAT", FileOutcome::Stage::Unread, "");
  unread.outcome.errors = 1;
  CapturedConsole console;
  Log log(console.stream());
  ASSERT_TRUE(writeRunSummary(dir.file("s.csv"), {converted, unread}, log));
  EXPECT_EQ(readFile(dir.file("s.csv")),
            "file,kind,date,status,devices,periods,errors,warnings,seconds,outputs\r\n"
            "\"2021-08/a,b_DAT\",data,2021-08-18,converted,3000,4320,1,2,3.2,"
            "2021-08/E.csv;2021-08/H.csv\r\n"
            "b_DAT,data,,failed,,,1,0,,\r\n");
  EXPECT_FALSE(log.errorLogged());
}

}  // namespace
}  // namespace loopconv
