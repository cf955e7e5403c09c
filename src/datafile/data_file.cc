#include "datafile/data_file.h"

#include "datafile/decode.h"
#include "datafile/trap_transfer.h"

namespace loopconv {

std::unique_ptr<DeviceTable> loadDeviceTable(char* image, size_t size,
                                             const std::string& name, Log& log,
                                             DataHeader* header, int64_t maxRecords) {
  std::unique_ptr<DeviceTable> table;
  parseDataHeader(image, size, header, log);
  // A short table is logged and its records used; an absent one is dealt
  // with by every stage below.
  (void)parseNameTable(image, size, header, log, &table, maxRecords);
  decodeDataBlocks(image, size, *header, table.get(), log);
  if (table != nullptr) transferTrapData(*table, name, log);
  return table;
}

}  // namespace loopconv
