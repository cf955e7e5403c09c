// What the day pages and the index share: the frame of an HTML5 page with
// its inline style sheet (screen, narrow screen and print), the few lines of
// script that sort a table by a click on a heading, and number texts.
#ifndef LOOPCONV_OUTPUTS_HTML_PAGE_H_
#define LOOPCONV_OUTPUTS_HTML_PAGE_H_

#include <cstdint>
#include <string>

namespace loopconv {

// "<!DOCTYPE html>" up to and including "<body>". `titleXml` is markup text
// (escaped); `headExtra` goes into the head before the style sheet.
void appendPageStart(std::string* out, const std::string& titleXml, const std::string& headExtra);
// The sorting script, "</body></html>".
void appendPageEnd(std::string* out);

// A table that the script sorts carries this class; a cell's data-sort
// attribute, when it has one, is the key its column sorts by.
constexpr const char* SortableClass = "sortable";

// part / whole in percent with one decimal, rounded half up in integers
// ("97.3"); "n/a" when `whole` is 0.
void appendPercentTenths(std::string* out, int64_t part, int64_t whole);

// 1234567 as "1,234,567".
void appendGrouped(std::string* out, int64_t value);

// A file size for people: "812 B", "12.3 kB", "4.1 MB" (powers of 1000,
// rounded half up).
void appendByteSize(std::string* out, int64_t bytes);

// A relative link to a file name: bytes outside A-Z a-z 0-9 - . _ ~ are
// percent-encoded, so no name can leave the attribute or the folder's sense.
void appendHref(std::string* out, const std::string& fileName);

// "Wednesday" for a YYYY-MM-DD text; "" for anything else.
const char* weekdayName(const std::string& isoDate);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_HTML_PAGE_H_
