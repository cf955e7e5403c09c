#include "datafile/device_table.h"

#include <cstdlib>

namespace loopconv {

std::unique_ptr<DeviceTable> DeviceTable::create(int32_t count, int64_t maxRecords) {
  if (count < 0) return nullptr;
  if (maxRecords >= 0 && count > maxRecords) return nullptr;
  // calloc(0, ...) may return nullptr; ask for one record so an empty table
  // is still present.
  size_t n = count > 0 ? static_cast<size_t>(count) : 1;
  void* block = calloc(n, sizeof(DeviceRecord));
  if (block == nullptr) return nullptr;
  return std::unique_ptr<DeviceTable>(new DeviceTable(static_cast<DeviceRecord*>(block), count));
}

DeviceTable::~DeviceTable() {
  free(records_);
}

}  // namespace loopconv
