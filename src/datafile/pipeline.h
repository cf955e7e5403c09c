// One data file from disk to its reports.
#ifndef LOOPCONV_DATAFILE_PIPELINE_H_
#define LOOPCONV_DATAFILE_PIPELINE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "datafile/data_header.h"
#include "datafile/device_table.h"
#include "run/run_context.h"

namespace loopconv {

// Converts the data file `name` (found in run.options.inputFolder). Returns 1
// when the file was processed to the end, 0 when it could not be opened,
// allocated or read.
int processDataFile(const std::string& name, const RunContext& run);

// The in-memory steps of one file: header, name table, data blocks and, when
// the table is present, trap transfer. `image` is the whole file (`size`
// bytes); the header parse writes NULs into it. Returns the table, null when
// its allocation failed.
std::unique_ptr<DeviceTable> loadDeviceTable(char* image, size_t size,
                                             const std::string& name, Log& log,
                                             DataHeader* header);

// Test hook: when >= 0, the file image allocation fails for files larger than
// this many bytes. -1 (the default) turns it off.
void setDataImageLimitForTest(int64_t maxBytes);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_PIPELINE_H_
