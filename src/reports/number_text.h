// Exact number and time-label texts for the report rows, without printf.
//
// Every plane value is 16 bits wide, so the texts of every possible value are
// made once with snprintf and then copied: the output is byte-identical to
// the printf formats by construction. The tables are built lazily, once per
// process.
#ifndef LOOPCONV_REPORTS_NUMBER_TEXT_H_
#define LOOPCONV_REPORTS_NUMBER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace loopconv {

// One text of at most 7 characters and its length, padded to 8 bytes so that
// a copy is a single 8-byte store.
struct NumberSlot {
  char text[7];
  uint8_t length;
};
static_assert(sizeof(NumberSlot) == 8, "a slot is copied as 8 bytes");

// Room that the put functions may write past the text they append: callers
// reserve this much beyond the longest row.
constexpr size_t NumberSlack = sizeof(NumberSlot);

class NumberTexts {
 public:
  static constexpr size_t Values = 65536;

  // "%u" of v.
  char* putUnsigned(char* out, uint16_t v) const { return put(out, unsigned_[v]); }
  // "%2.1f" of v / 10 divided in single precision (speeds, lengths).
  char* putTenths(char* out, uint16_t v) const { return put(out, tenths_[v]); }
  // "%2.1f" of v / 12 divided in single precision (occupancy from ScanCnt).
  char* putTwelfths(char* out, uint16_t v) const { return put(out, twelfths_[v]); }
  // "%2.1f" of v itself, converted to double without division.
  char* putWhole(char* out, uint16_t v) const {
    out = putUnsigned(out, v);
    memcpy(out, ".0", 2);
    return out + 2;
  }
  // "%d" of v.
  char* putSigned(char* out, int32_t v) const {
    if (v >= 0 && v < static_cast<int32_t>(Values)) {
      return putUnsigned(out, static_cast<uint16_t>(v));
    }
    return putLargeSigned(out, v);
  }

 private:
  friend const NumberTexts& numberTexts();
  NumberTexts() = default;
  void build();
  static char* putLargeSigned(char* out, int32_t v);

  static char* put(char* out, const NumberSlot& slot) {
    memcpy(out, &slot, sizeof slot);
    return out + slot.length;
  }

  NumberSlot unsigned_[Values];
  NumberSlot tenths_[Values];
  NumberSlot twelfths_[Values];
};

// The process's tables, built on first use.
const NumberTexts& numberTexts();

// The ScanCntSum column: NumLanes x ScanCnt as a signed 32-bit value. The
// product is taken in 64 bits and wrapped to 32, so no plane value overflows.
inline int32_t scanCntSum(uint16_t numLanes, uint16_t scanCnt) {
  int64_t product = static_cast<int64_t>(numLanes) * scanCnt;
  return static_cast<int32_t>(static_cast<uint32_t>(product));
}

// The date part of a time label: the first 10 characters of "Data Start",
// right-aligned in 10 columns, as "%10.10s" prints them.
struct LabelDate {
  char text[10];
};

// `dataStart` holds at most `capacity` bytes; a missing terminator within
// them ends the text there.
LabelDate labelDate(const char* dataStart, size_t capacity);

constexpr size_t TimeLabelLength = 19;

// Appends "%10.10s %2.2u:%2.2u:%2.2u" for period 0 .. PeriodsPerDay - 1
// (exactly TimeLabelLength characters); returns the end.
inline char* putTimeLabel(char* out, const LabelDate& date, int period) {
  unsigned hh = static_cast<unsigned>(period) / 180;
  unsigned mm = (static_cast<unsigned>(period) % 180) / 3;
  unsigned ss = (static_cast<unsigned>(period) % 3) * 20;
  memcpy(out, date.text, sizeof date.text);
  out[10] = ' ';
  out[11] = static_cast<char>('0' + hh / 10);
  out[12] = static_cast<char>('0' + hh % 10);
  out[13] = ':';
  out[14] = static_cast<char>('0' + mm / 10);
  out[15] = static_cast<char>('0' + mm % 10);
  out[16] = ':';
  out[17] = static_cast<char>('0' + ss / 10);
  out[18] = static_cast<char>('0' + ss % 10);
  return out + TimeLabelLength;
}

}  // namespace loopconv

#endif  // LOOPCONV_REPORTS_NUMBER_TEXT_H_
