// The text header and the name table of a data file.
#ifndef LOOPCONV_DATAFILE_DATA_HEADER_H_
#define LOOPCONV_DATAFILE_DATA_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "datafile/device_table.h"

namespace loopconv {

class Log;

constexpr size_t HeaderTextBytes = 32;  // 31 characters and a terminator
constexpr int NameEntryBytes = 27;
constexpr int MaxHeaderLines = 15;

struct DataHeader {
  char dbCreation[HeaderTextBytes] = {};  // "DB Creation"
  char fileWrite[HeaderTextBytes] = {};   // "File Write"
  char dataStart[HeaderTextBytes] = {};   // "Data Start", begins MM/DD/YYYY
  char dataEnd[HeaderTextBytes] = {};     // "Data End"
  int32_t version = 0;                    // "Version"
  int32_t numberOfNames = 0;              // "Number of Names"
  int32_t numberOfColumns = 0;            // "Number of Columns", at most 4320 once parsed
  int32_t headerSize = 0;                 // "Header Size"
  int32_t nameListSize = 0;               // "Name List Size"
  int32_t dataSize = 0;                   // "Data Size"
  int32_t fileSize = 0;                   // "File Size"
};

// Resets *header and fills it from the text header at the start of the file
// image (`size` bytes; the image has no terminator of its own). Like the
// format's original reader it writes NUL bytes into the image: over the LF
// that ends each line taken, over the '=' of a key line and over the CR that
// ends its value. A "Number of Columns" above PeriodsPerDay is lowered to it
// and a W line is logged with the run's time stamp.
void parseDataHeader(char* image, size_t size, DataHeader* header, Log& log);

// Creates *table with one record per name-table entry at header->headerSize.
// When the entries do not all fit in the image, header->numberOfNames is
// lowered to the number of whole entries that do (the table is never sized
// from the header's count alone). Returns true when every entry was read;
// false when the allocation failed (*table is then null and an E line is
// logged) or the table ran short of the image or of "Name List Size" (one W
// line; the records not read stay zero). `maxRecords` (when >= 0) caps the table as an
// allocation would.
[[nodiscard]] bool parseNameTable(const char* image, size_t size, DataHeader* header, Log& log,
                                  std::unique_ptr<DeviceTable>* table, int64_t maxRecords = -1);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DATA_HEADER_H_
