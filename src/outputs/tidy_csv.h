// Fields of the tidy CSV outputs (roll-ups, health and the files to come):
// text quoted as RFC 4180 asks, whole numbers and fixed decimals written
// without printf. Every function appends at `out` and returns the new end.
#ifndef LOOPCONV_OUTPUTS_TIDY_CSV_H_
#define LOOPCONV_OUTPUTS_TIDY_CSV_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "datafile/device_table.h"

namespace loopconv {

// Room a text field of `length` bytes may take: every byte doubled (a quote,
// or an LF written CR LF) and the two enclosing quotes.
constexpr size_t csvTextRoom(size_t length) {
  return 2 * length + 2;
}

// Room of a device name field (18 characters at most).
constexpr size_t CsvNameRoom = csvTextRoom(NameBytes - 1);

// Room of a number (20 digits, sign, point).
constexpr size_t CsvNumberRoom = 24;

// A text field: as it is, or enclosed in quotes with every quote doubled when
// it holds a comma, a quote or a line end. An LF is written CR LF, as every
// line end of the file is.
char* putCsvText(char* out, const char* text, size_t length);
inline char* putCsvText(char* out, const std::string& text) {
  return putCsvText(out, text.data(), text.size());
}

// The name of `record` (up to its terminator, at most 18 characters).
char* putCsvName(char* out, const DeviceRecord& record);

char* putUnsigned(char* out, uint64_t value);
char* putSigned(char* out, int64_t value);

// `scaled` / 10^decimals with `decimals` (1 to 3) places: 1234 with 2 -> "12.34".
char* putFixed(char* out, uint64_t scaled, int decimals);

// A signed value in the same form ("-0.05" for -5 with 2).
char* putSignedFixed(char* out, int64_t scaled, int decimals);

// A text field as a string (for rows built in strings).
std::string csvTextField(const std::string& text);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_TIDY_CSV_H_
