#include "outputs/tidy_csv.h"

#include <charconv>
#include <cstring>

namespace loopconv {
namespace {

bool needsQuotes(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == ',' || c == '"' || c == '\n' || c == '\r') return true;
  }
  return false;
}

constexpr uint64_t Powers[] = {1, 10, 100, 1000};

}  // namespace

char* putCsvText(char* out, const char* text, size_t length) {
  if (!needsQuotes(text, length)) {
    memcpy(out, text, length);
    return out + length;
  }
  *out++ = '"';
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == '"') *out++ = '"';
    if (c == '\n') *out++ = '\r';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

char* putCsvName(char* out, const DeviceRecord& record) {
  return putCsvText(out, record.Name, strnlen(record.Name, NameBytes - 1));
}

char* putUnsigned(char* out, uint64_t value) {
  return std::to_chars(out, out + CsvNumberRoom, value).ptr;
}

char* putSigned(char* out, int64_t value) {
  return std::to_chars(out, out + CsvNumberRoom, value).ptr;
}

char* putFixed(char* out, uint64_t scaled, int decimals) {
  const uint64_t unit = Powers[decimals];
  out = putUnsigned(out, scaled / unit);
  *out++ = '.';
  uint64_t fraction = scaled % unit;
  for (uint64_t digit = unit / 10; digit > 0; digit /= 10) {
    *out++ = static_cast<char>('0' + fraction / digit % 10);
  }
  return out;
}

char* putSignedFixed(char* out, int64_t scaled, int decimals) {
  if (scaled < 0) {
    *out++ = '-';
    return putFixed(out, static_cast<uint64_t>(0) - static_cast<uint64_t>(scaled), decimals);
  }
  return putFixed(out, static_cast<uint64_t>(scaled), decimals);
}

std::string csvTextField(const std::string& text) {
  std::string field(csvTextRoom(text.size()), '\0');
  char* end = putCsvText(field.data(), text);
  field.resize(static_cast<size_t>(end - field.data()));
  return field;
}

}  // namespace loopconv
