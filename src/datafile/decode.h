// Unpacking of the devices' data blocks into their planes.
#ifndef LOOPCONV_DATAFILE_DECODE_H_
#define LOOPCONV_DATAFILE_DECODE_H_

#include <cstddef>

#include "datafile/data_header.h"
#include "datafile/device_table.h"

namespace loopconv {

class Log;

// Bytes of one period's record in a block of `kind`; 0 for kinds that have
// no block (they are not decoded).
int recordBytes(uint16_t kind);

// Decodes the block of every device of kind 80, 84, 88 or 261 for periods
// 0 .. header.numberOfColumns - 1. A block that does not lie wholly inside
// the image (`size` bytes) is skipped with an E line naming the device (the
// file was not converted whole); its planes stay 0. Does nothing when `table` is null.
void decodeDataBlocks(const char* image, size_t size, const DataHeader& header, DeviceTable* table,
                      Log& log);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DECODE_H_
