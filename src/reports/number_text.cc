#include "reports/number_text.h"

#include <cstdio>
#include <cstdlib>

namespace loopconv {
namespace {

void fill(NumberSlot* slot, const char* format, double value) {
  char text[32];
  int n = snprintf(text, sizeof text, format, value);
  // Every 16-bit value fits 7 characters ("65535.0" is the longest form).
  if (n < 0 || n > static_cast<int>(sizeof slot->text)) abort();
  memset(slot, 0, sizeof *slot);
  memcpy(slot->text, text, static_cast<size_t>(n));
  slot->length = static_cast<uint8_t>(n);
}

}  // namespace

void NumberTexts::build() {
  for (size_t v = 0; v < Values; ++v) {
    char text[16];
    int n = snprintf(text, sizeof text, "%u", static_cast<unsigned>(v));
    memset(&unsigned_[v], 0, sizeof unsigned_[v]);
    memcpy(unsigned_[v].text, text, static_cast<size_t>(n));
    unsigned_[v].length = static_cast<uint8_t>(n);
    // The division is single precision; only the quotient is widened.
    float value = static_cast<float>(v);
    fill(&tenths_[v], "%2.1f", static_cast<double>(value / 10.0f));
    fill(&twelfths_[v], "%2.1f", static_cast<double>(value / 12.0f));
  }
}

const NumberTexts& numberTexts() {
  // 1.5 MiB: kept in static storage rather than on any stack.
  static NumberTexts storage;
  static const bool built = (storage.build(), true);
  (void)built;
  return storage;
}

// Rare: products of values beyond the decoded widths.
char* NumberTexts::putLargeSigned(char* out, int32_t v) {
  uint32_t magnitude = static_cast<uint32_t>(v);
  if (v < 0) {
    *out++ = '-';
    magnitude = 0u - magnitude;
  }
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

LabelDate labelDate(const char* dataStart, size_t capacity) {
  LabelDate date;
  size_t length = 0;
  while (length < 10 && length < capacity && dataStart[length] != '\0') ++length;
  size_t pad = 10 - length;
  memset(date.text, ' ', pad);
  memcpy(date.text + pad, dataStart, length);
  return date;
}

}  // namespace loopconv
