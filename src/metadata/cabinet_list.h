// One cabinet list file's bytes: its lines as the format reads them, the
// cabinets counted and filled in, the date of its first line, and the
// metadata CSV they become.
#ifndef LOOPCONV_METADATA_CABINET_LIST_H_
#define LOOPCONV_METADATA_CABINET_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "metadata/cabinet_line.h"

namespace loopconv {

class OutputFile;

// Reads a list file's bytes in lines the way fgets reads a file into a
// ListLineBytes buffer: at most ListLineBytes - 1 bytes, through the '\n'.
// A line's text is the C string fgets leaves, so a NUL byte ends it there
// (the bytes after it up to the line end are consumed and not seen).
class ListLineReader {
 public:
  ListLineReader(const char* bytes, size_t size) : bytes_(bytes), size_(size) {}

  // The next line; false at the end of the bytes.
  [[nodiscard]] bool next(const char** line, size_t* length);

 private:
  const char* bytes_;
  size_t size_;
  size_t at_ = 0;
};

// How many lines of the list are cabinet lines.
int64_t countCabinetLines(const char* bytes, size_t size);

// Reads the date of the list's first line into *metadataDate (see
// scanDateLine). An empty list leaves it as it was. False when a date was not
// accepted.
[[nodiscard]] bool scanListDate(const char* bytes, size_t size, std::string* metadataDate);

// Fills `count` records from the first `count` cabinet lines, in file order.
void fillCabinetRecords(const char* bytes, size_t size, CabinetRecord* records, int64_t count);

// The metadata CSV's path: "LUMO_" and the date right-aligned in ten
// characters, as "%10s" gives it, then ".CSV".
std::string metadataCsvPath(const std::string& outputFolder, const std::string& date);

// Where the file name begins in a metadata CSV path (after "LUMO_").
inline size_t metadataNameStart(const std::string& outputFolder) {
  return outputFolder.size() + 5;
}

// Writes the CSV's header line and one row per record.
void writeCabinetCsv(const CabinetRecord* records, int64_t count, OutputFile* csv);

}  // namespace loopconv

#endif  // LOOPCONV_METADATA_CABINET_LIST_H_
