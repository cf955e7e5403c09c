// Rows written a block of periods at a time.
//
// In period-first order each row comes from another record, and every record
// is a run of planes of its own: reading them row by row would touch a new
// page for nearly every value. So the values of a block of periods are first
// copied out of every entry's planes (reading each plane in order) into one
// period-major array, and the rows are then formatted from that array in
// order.
#ifndef LOOPCONV_REPORTS_ROW_BLOCKS_H_
#define LOOPCONV_REPORTS_ROW_BLOCKS_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/output_file.h"
#include "datafile/device_table.h"
#include "reports/number_text.h"
#include "reports/report_framing.h"

namespace loopconv {

constexpr int BlockPeriods = 32;

// A device's name column ready to copy, copied as a whole.
struct RowName {
  char text[MaxNameText];
  uint8_t length;
};

inline RowName rowName(const DeviceRecord& record) {
  RowName name = {};
  name.length = static_cast<uint8_t>(putName(name.text, record) - name.text);
  return name;
}

// Copies the whole text (the row room covers the longest name), advances by
// the name's length.
inline char* putRowName(char* out, const RowName& name) {
  memcpy(out, name.text, sizeof name.text);
  return out + name.length;
}

// Appends "name,label," (the first two columns of the Lane and Trap rows).
inline char* putNameAndLabel(char* out, const RowName& name, const char* label) {
  out = putRowName(out, name);
  *out++ = ',';
  memcpy(out, label, TimeLabelLength);
  out += TimeLabelLength;
  *out++ = ',';
  return out;
}

// Writes one row for every entry and period, period-first (each period, then
// the entries in table order) or, with `entryFirst`, entry by entry.
// `Columns` gives the report's row:
//   static constexpr int Count;       values per row
//   static constexpr size_t RowRoom;  longest row, slack included
//   static void gather(const DeviceRecord&, int first, int count,
//                      uint16_t* values, size_t stride);
//     copies the row values of periods first .. first + count - 1 to
//     values[b * stride + column], period by period (so that only one page
//     of the block is written at a time);
//   static char* format(char* out, const NumberTexts&, const RowName&,
//                       const uint16_t* values, const char* label);
template <typename Columns>
void writeRowBlocks(OutputFile* csv, const DeviceTable& table, const std::vector<int32_t>& entries,
                    IndexRange periods, const LabelDate& date, bool entryFirst) {
  if (entries.empty() || periods.empty()) return;
  const NumberTexts& texts = numberTexts();
  std::vector<RowName> names;
  names.reserve(entries.size());
  for (int32_t i : entries) names.push_back(rowName(table[i]));
  char label[TimeLabelLength];

  if (entryFirst) {
    std::vector<uint16_t> values(static_cast<size_t>(BlockPeriods) * Columns::Count);
    for (size_t e = 0; e < entries.size(); ++e) {
      const DeviceRecord& record = table[entries[e]];
      for (int first = periods.first; first < periods.end; first += BlockPeriods) {
        int count = std::min(BlockPeriods, periods.end - first);
        Columns::gather(record, first, count, values.data(), Columns::Count);
        for (int b = 0; b < count; ++b) {
          putTimeLabel(label, date, first + b);
          const uint16_t* row = values.data() + static_cast<size_t>(b) * Columns::Count;
          csv->commit(Columns::format(csv->reserve(Columns::RowRoom), texts, names[e], row, label));
        }
      }
    }
    return;
  }

  size_t stride = entries.size() * Columns::Count;
  std::vector<uint16_t> values(static_cast<size_t>(BlockPeriods) * stride);
  for (int first = periods.first; first < periods.end; first += BlockPeriods) {
    int count = std::min(BlockPeriods, periods.end - first);
    for (size_t e = 0; e < entries.size(); ++e) {
      Columns::gather(table[entries[e]], first, count, values.data() + e * Columns::Count, stride);
    }
    for (int b = 0; b < count; ++b) {
      putTimeLabel(label, date, first + b);
      const uint16_t* row = values.data() + static_cast<size_t>(b) * stride;
      for (size_t e = 0; e < entries.size(); ++e, row += Columns::Count) {
        csv->commit(Columns::format(csv->reserve(Columns::RowRoom), texts, names[e], row, label));
      }
    }
  }
}

// One row of `record` at `period`, through the same gather and format.
template <typename Columns>
char* formatSingleRow(char* out, const NumberTexts& texts, const DeviceRecord& record, int period,
                      const char* label) {
  uint16_t values[Columns::Count];
  Columns::gather(record, period, 1, values, Columns::Count);
  return Columns::format(out, texts, rowName(record), values, label);
}

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_ROW_BLOCKS_H_
