#include "outputs/html_page.h"

#include <cstdio>
#include <iterator>

#include "outputs/markup.h"

namespace loopconv {
namespace {

// One style sheet for every page. Tables and pictures scroll sideways in a
// narrow window rather than shrink past reading; print drops the links bar,
// fits the pictures to the paper and keeps headings with what follows.
constexpr const char* StyleSheet =
    "<style>\n"
    ":root{color-scheme:light}\n"
    "body{margin:0 auto;max-width:1360px;padding:12px 20px 32px;"
    "font:15px/1.45 system-ui,-apple-system,\"Segoe UI\",sans-serif;color:#222;background:#fff}\n"
    "nav{font-size:.9em;margin-bottom:.3em}\n"
    "h1{font-size:1.7em;margin:.1em 0 .2em}\n"
    "h2{font-size:1.3em;margin:1.5em 0 .5em;padding-bottom:.15em;border-bottom:2px solid #ccc}\n"
    "h3{font-size:1.08em;margin:1.1em 0 .35em}\n"
    "p{margin:.35em 0}\n"
    "code{font-family:ui-monospace,monospace;font-size:.93em}\n"
    ".facts{display:flex;flex-wrap:wrap;gap:.35em 2em;margin:.7em 0;padding:0;list-style:none}\n"
    ".facts b{font-size:1.3em;font-variant-numeric:tabular-nums}\n"
    ".scroll{overflow-x:auto;max-width:100%}\n"
    "table{border-collapse:collapse;font-size:.92em;margin:.3em 0}\n"
    "th,td{padding:.28em .65em;border-bottom:1px solid #e0e0e0;text-align:left;"
    "vertical-align:top}\n"
    "th{background:#f2f2f2;font-weight:600}\n"
    ".nw,#health-detectors td,table.figures td{white-space:nowrap}\n"
    "table.figures th{max-width:7em}\n"
    ".n{text-align:right;font-variant-numeric:tabular-nums}\n"
    "td.n{white-space:nowrap}\n"
    "table.sortable th{cursor:pointer}\n"
    ".log{margin:.4em 0;padding:.4em .7em;list-style:none;font:13px/1.4 ui-monospace,monospace;"
    "background:#fff7e0;border-left:4px solid #f5a83a;overflow-wrap:anywhere}\n"
    ".log .e{color:#6b0010;font-weight:600}\n"
    ".ok{color:#2d6a2d}\n"
    ".st{display:inline-block;padding:0 .45em;border-radius:3px;background:#eee;"
    "white-space:nowrap}\n"
    ".st-no_data,.st-card_off{background:#6b0010;color:#fff}\n"
    ".st-insufficient_data,.st-high_values{background:#d95f0e;color:#fff}\n"
    ".st-intermittent,.st-constant{background:#f5a83a}\n"
    ".st-good{background:#bcdcf0}\n"
    "figure{margin:.5em 0;overflow-x:auto}\n"
    "figure svg{display:block;max-width:100%;height:auto}\n"
    "figcaption{font-size:.88em;color:#555}\n"
    ".key{font-weight:bold;letter-spacing:-1px}\n"
    "footer{margin-top:2.5em;font-size:.85em;color:#666}\n"
    "td.c,th.c{white-space:nowrap;font-size:.85em}\n"
    "td.c svg{display:block;width:96px;height:20px;background:linear-gradient("
    "transparent 7px,#bbb 7px,#bbb 8px,transparent 8px)}\n"
    "td.c path{fill:none;stroke:#333;stroke-width:1.3}\n"
    "#days td:first-child,#days th:first-child{position:sticky;left:0;background:#fff}\n"
    "#days th:first-child{background:#f2f2f2}\n"
    "@media (max-width:700px){\n"
    "body{padding:8px 10px 24px;font-size:14px}\n"
    "h1{font-size:1.4em}\n"
    ".facts{gap:.25em 1.2em}\n"
    "figure.wide svg{max-width:none}\n"
    ".opt{display:none}\n"
    "th,td{padding:.25em .4em}\n"
    "}\n"
    "@media print{\n"
    "nav{display:none}\n"
    "body{max-width:none;padding:0;font-size:10pt}\n"
    "a{color:inherit;text-decoration:none}\n"
    "figure,.scroll{overflow:visible}\n"
    "figure svg,figure.wide svg{max-width:100%}\n"
    "h2,h3{break-after:avoid}\n"
    "tr,figure{break-inside:avoid}\n"
    "}\n"
    "</style>\n";

// Sorts a table by the column whose heading is clicked (again: the other
// way), numbers as numbers; the page reads the same without it.
constexpr const char* SortScript =
    "<script>\n"
    "document.querySelectorAll(\"table.sortable\").forEach(function(t){\n"
    "t.querySelectorAll(\"thead th\").forEach(function(h,i){\n"
    "h.title=\"Sort by this column\";\n"
    "h.addEventListener(\"click\",function(){\n"
    "var b=t.tBodies[0],up=h.dataset.dir!==\"up\";h.dataset.dir=up?\"up\":\"down\";\n"
    "function key(r){var c=r.cells[i];return c?(c.dataset.sort||c.textContent):\"\";}\n"
    "Array.from(b.rows).sort(function(r,s){\n"
    "var x=key(r),y=key(s),p=parseFloat(x),q=parseFloat(y);\n"
    "var d=isNaN(p)||isNaN(q)?x.localeCompare(y):p-q;return up?d:-d;\n"
    "}).forEach(function(r){b.appendChild(r);});\n"
    "});});});\n"
    "</script>\n";

}  // namespace

void appendPageStart(std::string* out, const std::string& titleXml, const std::string& headExtra) {
  out->append(
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"generator\" content=\"loopconv\">\n<title>");
  out->append(titleXml);
  out->append("</title>\n");
  out->append(headExtra);
  out->append(StyleSheet);
  out->append("</head>\n<body>\n");
}

void appendPageEnd(std::string* out) {
  out->append(SortScript);
  out->append("</body>\n</html>\n");
}

void appendPercentTenths(std::string* out, int64_t part, int64_t whole) {
  if (whole <= 0 || part < 0) {
    out->append("n/a");
    return;
  }
  // round(part x 1000 / whole) tenths of a percent, half up.
  int64_t tenths = (part * 2000 + whole) / (whole * 2);
  appendInt(out, tenths / 10);
  out->push_back('.');
  out->push_back(static_cast<char>('0' + tenths % 10));
}

void appendGrouped(std::string* out, int64_t value) {
  if (value < 0) {
    out->push_back('-');
    value = -value;
  }
  std::string digits;
  appendInt(&digits, value);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out->push_back(',');
    out->push_back(digits[i]);
  }
}

void appendByteSize(std::string* out, int64_t bytes) {
  if (bytes < 1000) {
    appendInt(out, bytes);
    out->append(" B");
    return;
  }
  static const char* const Units[] = {" kB", " MB", " GB", " TB"};
  int64_t scale = 1000;
  size_t unit = 0;
  // Tenths of the unit, rounded half up; 999.95 kB rounds up into MB.
  while (unit + 1 < std::size(Units) && (bytes * 20 + scale) / (scale * 2) >= 10000) {
    scale *= 1000;
    ++unit;
  }
  int64_t tenths = (bytes * 20 + scale) / (scale * 2);
  appendInt(out, tenths / 10);
  out->push_back('.');
  out->push_back(static_cast<char>('0' + tenths % 10));
  out->append(Units[unit]);
}

void appendHref(std::string* out, const std::string& fileName) {
  static const char Hex[] = "0123456789ABCDEF";
  for (unsigned char c : fileName) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out->push_back(static_cast<char>(c));
    } else {
      out->push_back('%');
      out->push_back(Hex[c >> 4]);
      out->push_back(Hex[c & 15]);
    }
  }
}

const char* weekdayName(const std::string& isoDate) {
  static const char* const Names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  int fields[3] = {0, 0, 0};
  static const int Starts[] = {0, 5, 8};
  static const int Lengths[] = {4, 2, 2};
  if (isoDate.size() != 10 || isoDate[4] != '-' || isoDate[7] != '-') return "";
  for (int f = 0; f < 3; ++f) {
    for (int k = 0; k < Lengths[f]; ++k) {
      char c = isoDate[static_cast<size_t>(Starts[f] + k)];
      if (c < '0' || c > '9') return "";
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  int year = fields[0];
  int month = fields[1];
  int day = fields[2];
  if (month < 1 || month > 12 || day < 1 || day > 31) return "";
  // Sakamoto's method (Gregorian calendar).
  static const int Offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  int weekday = (year + year / 4 - year / 100 + year / 400 + Offsets[month - 1] + day) % 7;
  return Names[weekday];
}

}  // namespace loopconv
