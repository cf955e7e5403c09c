// The records of a device table sorted by name, so that the records of one
// name are found in table order without a scan of the whole table. Trap
// transfer and the station lane search look names up through it: a file of
// many traps or stations would otherwise take time in the square of its size.
#ifndef LOOPCONV_DATAFILE_NAME_INDEX_H_
#define LOOPCONV_DATAFILE_NAME_INDEX_H_

#include <cstdint>
#include <cstring>
#include <vector>

#include "datafile/device_table.h"

namespace loopconv {

// Names compare up to their terminator; a name that holds none is compared
// over its 19 bytes and no further.
inline bool sameName(const char* a, const char* b) {
  return strncmp(a, b, NameBytes) == 0;
}

class NameIndex {
 public:
  // The index holds positions and reads names from `table`, whose names must
  // not change while the index is used.
  explicit NameIndex(const DeviceTable& table);

  // The positions of the records named `name`, in table order.
  struct Range {
    const int32_t* begin;
    const int32_t* end;
  };
  Range find(const char* name) const;

  // The position of the first record named `name` after position `after`, or
  // -1 when there is none.
  int32_t firstAfter(const char* name, int32_t after) const;

 private:
  const DeviceTable& table_;
  std::vector<int32_t> order_;  // by name, then by position
};

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_NAME_INDEX_H_
