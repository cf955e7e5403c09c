#include "datafile/data_header.h"

#include <sys/types.h>

#include <cstring>
#include <string_view>

#include "base/log.h"
#include "base/text.h"

namespace loopconv {
namespace {

// One header line: [begin, end) of the image, holding no LF and no NUL.
struct Line {
  size_t begin;
  size_t end;
};

bool contains(const char* image, Line line, std::string_view text) {
  std::string_view view(image + line.begin, line.end - line.begin);
  return view.find(text) != std::string_view::npos;
}

// Finds the value of a key line: after the first '=' (which becomes a NUL),
// CRs passed over, up to the next CR (which becomes a NUL too). Returns false
// when the line has no '=' or no value.
bool lineValue(char* image, Line line, std::string_view* value) {
  size_t equals = line.begin;
  while (equals < line.end && image[equals] != '=') ++equals;
  if (equals == line.end) return false;
  image[equals] = '\0';
  size_t begin = equals + 1;
  while (begin < line.end && image[begin] == '\r') ++begin;
  size_t end = begin;
  while (end < line.end && image[end] != '\r') ++end;
  if (end == begin) return false;
  if (end < line.end) image[end] = '\0';
  *value = std::string_view(image + begin, end - begin);
  return true;
}

// The value without its first character (the blank after "="), cut to 31.
// The field is zero after the text, also when an earlier line of the same
// key held a longer value: the report names read the date pieces past a
// short "Data Start" text.
void storeText(std::string_view value, char* field) {
  std::string_view text = value.substr(1);
  if (text.size() > HeaderTextBytes - 1) text = text.substr(0, HeaderTextBytes - 1);
  memset(field, 0, HeaderTextBytes);
  memcpy(field, text.data(), text.size());
}

void storeNumber(std::string_view value, int32_t* field) {
  int32_t number = parseLeadingInt(value);
  if (number > 0) *field = number;
}

}  // namespace

void parseDataHeader(char* image, size_t size, DataHeader* header, Log& log) {
  *header = DataHeader();

  struct TextKey {
    const char* key;
    char* field;
  };
  struct NumberKey {
    const char* key;
    int32_t* field;
  };
  const TextKey textKeys[] = {{"DB Creation", header->dbCreation},
                              {"File Write", header->fileWrite},
                              {"Data Start", header->dataStart},
                              {"Data End", header->dataEnd}};
  const NumberKey numberKeys[] = {{"Version", &header->version},
                                  {"Number of Names", &header->numberOfNames},
                                  {"Number of Columns", &header->numberOfColumns},
                                  {"Header Size", &header->headerSize},
                                  {"Name List Size", &header->nameListSize},
                                  {"Data Size", &header->dataSize},
                                  {"File Size", &header->fileSize}};

  // Lines are taken one at a time, at most 15, at runs of LF; the LF that
  // ends a line taken becomes a NUL. The text ends at the first NUL byte or
  // at the end of the image. Nothing after the end line is taken, so no byte
  // past it is changed.
  size_t pos = 0;
  for (int taken = 0; taken < MaxHeaderLines; ++taken) {
    while (pos < size && image[pos] == '\n') ++pos;
    if (pos >= size || image[pos] == '\0') break;
    Line line{pos, pos};
    while (line.end < size && image[line.end] != '\n' && image[line.end] != '\0') ++line.end;
    pos = line.end;
    if (pos < size && image[pos] == '\n') image[pos++] = '\0';

    // Marker lines are skipped before any key test, even when they hold a key.
    if (contains(image, line, "PELMA TMS Twenty Second") || contains(image, line, "VX.2 Format") ||
        contains(image, line, "DB Mode = FIXED")) {
      continue;
    }
    if (contains(image, line, "The remainder")) break;
    bool matched = false;
    std::string_view value;
    for (const TextKey& key : textKeys) {
      if (contains(image, line, key.key)) {
        if (lineValue(image, line, &value)) storeText(value, key.field);
        matched = true;
        break;
      }
    }
    if (matched) continue;
    for (const NumberKey& key : numberKeys) {
      if (contains(image, line, key.key)) {
        if (lineValue(image, line, &value)) storeNumber(value, key.field);
        break;
      }
    }
  }

  if (header->numberOfColumns > PeriodsPerDay) {
    log.warn("Number of Columns [%d] exceeds 4320, using the first 4320 periods!\n",
             header->numberOfColumns);
    header->numberOfColumns = PeriodsPerDay;
  }
}

bool parseNameTable(const char* image, size_t size, DataHeader* header, Log& log,
                    std::unique_ptr<DeviceTable>* table, int64_t maxRecords) {
  table->reset();

  // Only as many entries as whole 27-byte entries fit in the image.
  size_t start = static_cast<size_t>(header->headerSize);
  size_t fit = start < size ? (size - start) / NameEntryBytes : 0;
  bool cutByImage = false;
  if (static_cast<size_t>(header->numberOfNames) > fit) {
    header->numberOfNames = static_cast<int32_t>(fit);
    cutByImage = true;
  }
  int32_t count = header->numberOfNames;

  *table = DeviceTable::create(count, maxRecords);
  if (*table == nullptr) {
    // The message names one record more than was asked for, as it always has.
    log.error("Allocation [%zd] bytes of space for [%d] data names structure FAILED!!!\n",
              static_cast<ssize_t>((static_cast<int64_t>(count) + 1) *
                                   static_cast<int64_t>(sizeof(DeviceRecord))),
              count);
    return false;
  }

  auto warnShortTable = [&log] {
    log.warn(
        "While parsing the name table, we ran out of name data before we "
        "finished the list!\n");
  };
  DeviceTable& records = **table;
  for (int32_t i = 0; i < count; ++i) {
    const unsigned char* entry = reinterpret_cast<const unsigned char*>(
        image + start + static_cast<size_t>(i) * NameEntryBytes);
    DeviceRecord& record = records[i];
    memcpy(record.Name, entry, NameBytes);
    // A name of 19 characters has no terminator: cut it to 18.
    if (memchr(record.Name, '\0', NameBytes) == nullptr) record.Name[NameBytes - 1] = '\0';
    record.Kind = static_cast<uint16_t>(entry[19] | (entry[20] << 8));
    record.Aux = static_cast<uint16_t>(entry[21] | (entry[22] << 8));
    record.DataOffset = static_cast<uint32_t>(entry[23]) | (static_cast<uint32_t>(entry[24]) << 8) |
                        (static_cast<uint32_t>(entry[25]) << 16) |
                        (static_cast<uint32_t>(entry[26]) << 24);
    if (static_cast<int64_t>(i + 1) * NameEntryBytes > header->nameListSize) {
      warnShortTable();
      return false;
    }
  }
  if (cutByImage) {
    warnShortTable();
    return false;
  }
  return true;
}

}  // namespace loopconv
