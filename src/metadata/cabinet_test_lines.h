// Builds fixed-column cabinet lines for the metadata tests.
#ifndef LOOPCONV_METADATA_CABINET_TEST_LINES_H_
#define LOOPCONV_METADATA_CABINET_TEST_LINES_H_

#include <string>

namespace loopconv {

// A line of blanks with fields put at their columns.
struct Line {
  std::string text;
  Line& put(size_t column, const std::string& field) {
    if (text.size() < column + field.size()) text.resize(column + field.size(), ' ');
    text.replace(column, field.size(), field);
    return *this;
  }
};

}  // namespace loopconv

#endif  // LOOPCONV_METADATA_CABINET_TEST_LINES_H_
