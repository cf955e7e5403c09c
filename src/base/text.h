// Small text helpers that several file formats share.
#ifndef LOOPCONV_BASE_TEXT_H_
#define LOOPCONV_BASE_TEXT_H_

#include <cstdint>
#include <string_view>

namespace loopconv {

// The C locale's isspace (blank, tab, LF, VT, FF, CR), without its undefined
// behaviour for negative chars.
inline bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer as atoi reads it: leading white space, an optional sign,
// then digits up to the first other character; 0 without digits. Values
// beyond 32 bits are clamped instead of overflowing.
int32_t parseLeadingInt(std::string_view text);

}  // namespace loopconv

#endif  // LOOPCONV_BASE_TEXT_H_
