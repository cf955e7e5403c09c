// Carrying each speed trap's values into the lanes it measures.
#ifndef LOOPCONV_DATAFILE_TRAP_TRANSFER_H_
#define LOOPCONV_DATAFILE_TRAP_TRANSFER_H_

#include <cstdint>
#include <string>

#include "datafile/device_table.h"

namespace loopconv {

class Log;

// Copies the nine trap planes (SpdTenths, LenTenths, Bin1..Bin4, SpdFlag,
// SpdFlag2, SpdNPds), all PeriodsPerDay elements, from record `trap` to
// record `lane`. Nothing else of the lane changes.
void copyTrapPlanes(DeviceTable& table, int32_t trap, int32_t lane);

struct TrapCounts {
  int traps = 0;
  int laneCopies = 0;   // into lanes under the two _x names
  int speedCopies = 0;  // into speed loops under the Sx name
};

// For every record with 'T' at name position 16, in table order: copies its
// trap planes into the records named like it with '_' there (also with 'M' at
// position 11) and with 'S' there, searching the table from the first record
// until both kinds were found. Logs the counts with the run's time stamp and
// `fileName`, and returns them.
TrapCounts transferTrapData(DeviceTable& table, const std::string& fileName, Log& log);

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_TRAP_TRANSFER_H_
