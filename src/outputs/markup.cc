#include "outputs/markup.h"

#include <charconv>
#include <cstdio>

namespace loopconv {

void appendEscaped(std::string* out, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&': out->append("&amp;"); continue;
      case '<': out->append("&lt;"); continue;
      case '>': out->append("&gt;"); continue;
      case '"': out->append("&quot;"); continue;
      case '\'': out->append("&#39;"); continue;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out->push_back(static_cast<char>(c));
    } else if (c >= 0xA0) {
      char reference[8];
      snprintf(reference, sizeof reference, "&#x%02X;", c);
      out->append(reference);
    } else {
      out->append("&#xFFFD;");
    }
  }
}

void appendLatin1AsUtf8(std::string* out, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out->push_back(static_cast<char>(c));
    } else if (c >= 0xA0) {
      out->push_back(static_cast<char>(0xC0 | c >> 6));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out->append("\xEF\xBF\xBD");
    }
  }
}

void appendEscapedUtf8(std::string* out, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0;
    if (c < 0x20 || c == 0x7F || c1) {
      out->append("&#xFFFD;");
      i += c1;  // both bytes of the C1 character
    } else if (c < 0x80) {
      appendEscaped(out, text.data() + i, 1);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
}

void appendInt(std::string* out, int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out->append(text, result.ptr);
}

void appendTenths(std::string* out, int32_t tenths) {
  appendInt(out, tenths / 10);
  out->push_back('.');
  out->push_back(static_cast<char>('0' + tenths % 10));
}

void appendTwoDigits(std::string* out, int32_t value) {
  out->push_back(static_cast<char>('0' + value / 10 % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

void appendClock(std::string* out, int32_t period) {
  appendTwoDigits(out, period / 180);
  out->push_back(':');
  appendTwoDigits(out, period % 180 / 3);
  if (period % 3 != 0) {
    out->push_back(':');
    appendTwoDigits(out, period % 3 * 20);
  }
}

}  // namespace loopconv
