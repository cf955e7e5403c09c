#include "metadata/cabinet_list.h"

#include <cstring>

#include "base/output_file.h"

namespace loopconv {

bool ListLineReader::next(const char** line, size_t* length) {
  if (at_ >= size_) return false;
  size_t room = size_ - at_;
  if (room > ListLineBytes - 1) room = ListLineBytes - 1;
  const char* start = bytes_ + at_;
  const void* newline = memchr(start, '\n', room);
  size_t taken = newline != nullptr
                     ? static_cast<size_t>(static_cast<const char*>(newline) - start) + 1
                     : room;
  at_ += taken;
  *line = start;
  *length = strnlen(start, taken);
  return true;
}

int64_t countCabinetLines(const char* bytes, size_t size) {
  ListLineReader reader(bytes, size);
  const char* line;
  size_t length;
  int64_t count = 0;
  while (reader.next(&line, &length)) {
    if (isCabinetLine(line, length)) ++count;
  }
  return count;
}

bool scanListDate(const char* bytes, size_t size, std::string* metadataDate) {
  ListLineReader reader(bytes, size);
  const char* line;
  size_t length;
  if (!reader.next(&line, &length)) return true;
  return scanDateLine(line, length, metadataDate);
}

void fillCabinetRecords(const char* bytes, size_t size, CabinetRecord* records, int64_t count) {
  ListLineReader reader(bytes, size);
  const char* line;
  size_t length;
  int64_t filled = 0;
  while (filled < count && reader.next(&line, &length)) {
    if (isCabinetLine(line, length)) fillCabinetRecord(line, length, &records[filled++]);
  }
}

std::string metadataCsvPath(const std::string& outputFolder, const std::string& date) {
  std::string path = outputFolder + "LUMO_";
  if (date.size() < 10) path.append(10 - date.size(), ' ');
  return path + date + ".CSV";
}

void writeCabinetCsv(const CabinetRecord* records, int64_t count, OutputFile* csv) {
  csv->writeText(CabinetCsvHeader, sizeof CabinetCsvHeader - 1);
  char row[CabinetRowBytes];
  for (int64_t i = 0; i < count; ++i) csv->writeText(row, formatCabinetRow(records[i], row));
}

}  // namespace loopconv
