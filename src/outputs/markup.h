// Text from input data written into XML (SVG pictures) and HTML pages.
#ifndef LOOPCONV_OUTPUTS_MARKUP_H_
#define LOOPCONV_OUTPUTS_MARKUP_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace loopconv {

// Appends bytes that come from a file as markup text, fit for element content
// and for attribute values in double quotes, in XML and in HTML alike. Markup
// characters become references, printable ASCII stays, a byte from 0xA0 up
// is read as Latin-1 (every byte is then a character and the document stays
// well-formed whatever the bytes), and control bytes, which XML 1.0 forbids
// or which would not show, become U+FFFD.
void appendEscaped(std::string* out, const char* text, size_t length);
inline void appendEscaped(std::string* out, const std::string& text) {
  appendEscaped(out, text.data(), text.size());
}

// The same reading of bytes from a file, as UTF-8 text (for a JSON block):
// printable ASCII stays, bytes from 0xA0 up are Latin-1, the rest U+FFFD.
void appendLatin1AsUtf8(std::string* out, const char* text, size_t length);

// Appends valid UTF-8 text (as a JSON parser hands it over) as markup text:
// markup characters become references and control characters, C0 and C1,
// U+FFFD; every other character stays as it is.
void appendEscapedUtf8(std::string* out, const std::string& text);

// Whole numbers and tenths ("52.3" from 523) into markup.
void appendInt(std::string* out, int64_t value);
void appendTenths(std::string* out, int32_t tenths);

// Two digits of `value` (0 .. 99), "07".
void appendTwoDigits(std::string* out, int32_t value);

// The time of day at the start of 20-second `period` as HH:MM, or HH:MM:SS
// when it falls inside a minute (the end of a file that stops between
// minutes). Period 4320 is 24:00.
void appendClock(std::string* out, int32_t period);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_MARKUP_H_
