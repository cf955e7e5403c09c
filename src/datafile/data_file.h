// One data file's bytes in memory turned into its device table.
#ifndef LOOPCONV_DATAFILE_DATA_FILE_H_
#define LOOPCONV_DATAFILE_DATA_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

class Log;

// True when "Data Start" begins with a date MM/DD/YYYY: digits at positions
// 0, 1, 3, 4 and 6 to 9, '/' at 2 and 5, MM 01 to 12, DD 01 to 31. Reports
// are named and labelled after it, so a file without one is not converted.
bool hasDataStartDate(const DataHeader& header);

// The file's period count, "Number of Columns" kept within 0..PeriodsPerDay.
int32_t periodCount(const DataHeader& header);

// The in-memory steps of one file after its header (parseDataHeader): name
// table, data blocks and, when the table is present, trap transfer. `image`
// is the whole file (`size` bytes). `name` is the file's name as the log
// lines give it. Returns the table, null when its allocation failed (or
// `maxRecords`, when >= 0, is below the file's device count).
std::unique_ptr<DeviceTable> loadDeviceTable(const char* image, size_t size,
                                             const std::string& name, Log& log, DataHeader* header,
                                             int64_t maxRecords = -1);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DATA_FILE_H_
