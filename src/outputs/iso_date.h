// The day of a data file as an ISO 8601 date, and the names of the analysis
// files of that day ("Health_2021-08-18.csv").
#ifndef LOOPCONV_OUTPUTS_ISO_DATE_H_
#define LOOPCONV_OUTPUTS_ISO_DATE_H_

#include <string>

#include "base/log.h"
#include "datafile/data_header.h"

namespace loopconv {

struct IsoDate {
  char text[10];  // "YYYY-MM-DD", no terminator

  std::string str() const { return std::string(text, sizeof text); }
};

// The MM/DD/YYYY at the start of "Data Start" as YYYY-MM-DD. False when
// "Data Start" holds no such date (hasDataStartDate): every data file that
// reaches its outputs has passed that check.
[[nodiscard]] bool isoDateOf(const DataHeader& header, IsoDate* date);

// isoDateOf() for the outputs named `outputs` (plural, "Interval roll-ups"):
// without a date they are not written, and the E line
// "<outputs> need a Data Start date (MM/DD/YYYY), not [<Data Start>]!" says so.
[[nodiscard]] bool requireIsoDate(Log& log, const DataHeader& header, const char* outputs,
                                  IsoDate* date);

// "YYYY-MM-DDTHH:MM:SS", the start of 20-second `period` (0 .. 4319) of the
// day: IsoDateTimeLength bytes at `out`, no terminator; returns the end.
constexpr size_t IsoDateTimeLength = 19;
char* putIsoDateTime(char* out, const IsoDate& date, int32_t period);

// "<folder><prefix>YYYY-MM-DD<suffix>".
std::string dayFilePath(const std::string& folder, const char* prefix, const IsoDate& date,
                        const char* suffix);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_ISO_DATE_H_
