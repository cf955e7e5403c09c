#include "datafile/data_file.h"

#include "datafile/decode.h"
#include "datafile/trap_transfer.h"

namespace loopconv {

int32_t periodCount(const DataHeader& header) {
  if (header.numberOfColumns < 0) return 0;
  if (header.numberOfColumns > PeriodsPerDay) return PeriodsPerDay;
  return header.numberOfColumns;
}

bool hasDataStartDate(const DataHeader& header) {
  const char* date = header.dataStart;
  auto digit = [date](int i) { return date[i] >= '0' && date[i] <= '9'; };
  for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (!digit(i)) return false;
  }
  if (date[2] != '/' || date[5] != '/') return false;
  int month = (date[0] - '0') * 10 + (date[1] - '0');
  int day = (date[3] - '0') * 10 + (date[4] - '0');
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::unique_ptr<DeviceTable> loadDeviceTable(const char* image, size_t size,
                                             const std::string& name, Log& log, DataHeader* header,
                                             int64_t maxRecords) {
  std::unique_ptr<DeviceTable> table;
  // A short table is logged and its records used; an absent one is dealt
  // with by every stage below.
  (void)parseNameTable(image, size, header, log, &table, maxRecords);
  decodeDataBlocks(image, size, *header, table.get(), log);
  if (table != nullptr) transferTrapData(*table, name, log);
  return table;
}

}  // namespace loopconv
