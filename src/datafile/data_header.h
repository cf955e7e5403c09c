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

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DATA_HEADER_H_
