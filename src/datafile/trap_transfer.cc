#include "datafile/trap_transfer.h"

#include <cstring>
#include <memory>

#include "base/log.h"
#include "datafile/name_index.h"

namespace loopconv {
namespace {

constexpr int MarkPosition = 11;  // 'M' in the second _x name

// A trap's name with some of its 19 stored bytes replaced; at most 18
// characters, ending at the first NUL.
struct FormedName {
  char text[NameBytes];
  FormedName(const char* from, char type, char mark) {
    memcpy(text, from, NameBytes);
    text[NameTypePosition] = type;
    if (mark != '\0') text[MarkPosition] = mark;
    text[NameBytes - 1] = '\0';
  }
};

}  // namespace

void copyTrapPlanes(DeviceTable& table, int32_t trap, int32_t lane) {
  if (trap == lane) return;  // a copy onto itself changes nothing
  const DeviceRecord& t = table[trap];
  DeviceRecord& d = table[lane];
  memcpy(d.SpdTenths, t.SpdTenths, sizeof d.SpdTenths);
  memcpy(d.LenTenths, t.LenTenths, sizeof d.LenTenths);
  memcpy(d.Bin1, t.Bin1, sizeof d.Bin1);
  memcpy(d.Bin2, t.Bin2, sizeof d.Bin2);
  memcpy(d.Bin3, t.Bin3, sizeof d.Bin3);
  memcpy(d.Bin4, t.Bin4, sizeof d.Bin4);
  memcpy(d.SpdFlag, t.SpdFlag, sizeof d.SpdFlag);
  memcpy(d.SpdFlag2, t.SpdFlag2, sizeof d.SpdFlag2);
  memcpy(d.SpdNPds, t.SpdNPds, sizeof d.SpdNPds);
}

TrapCounts transferTrapData(DeviceTable& table, const std::string& fileName, Log& log) {
  TrapCounts counts;
  int32_t n = table.size();
  std::unique_ptr<NameIndex> index;  // built at the first trap
  for (int32_t t = 0; t < n; ++t) {
    const char* trapName = table[t].Name;
    if (trapName[NameTypePosition] != 'T') continue;
    ++counts.traps;
    FormedName lane(trapName, '_', '\0');
    FormedName markedLane(trapName, '_', 'M');
    FormedName speedLoop(trapName, 'S', '\0');
    if (index == nullptr) index = std::make_unique<NameIndex>(table);

    // The records under the three names, visited in table order as a scan
    // from the first record would meet them. A name formed twice (when the
    // changed positions lie past the name's end) is looked up once.
    NameIndex::Range ranges[3];
    int count = 0;
    ranges[count++] = index->find(lane.text);
    if (!sameName(markedLane.text, lane.text)) ranges[count++] = index->find(markedLane.text);
    if (!sameName(speedLoop.text, lane.text) && !sameName(speedLoop.text, markedLane.text)) {
      ranges[count++] = index->find(speedLoop.text);
    }
    bool laneFound = false;
    bool speedFound = false;
    while (!(laneFound && speedFound)) {
      NameIndex::Range* next = nullptr;
      for (int r = 0; r < count; ++r) {
        if (ranges[r].begin != ranges[r].end &&
            (next == nullptr || *ranges[r].begin < *next->begin)) {
          next = &ranges[r];
        }
      }
      if (next == nullptr) break;
      int32_t d = *next->begin++;
      const char* name = table[d].Name;
      if (sameName(name, lane.text) || sameName(name, markedLane.text)) {
        copyTrapPlanes(table, t, d);
        ++counts.laneCopies;
        laneFound = true;
      } else if (sameName(name, speedLoop.text)) {
        copyTrapPlanes(table, t, d);
        ++counts.speedCopies;
        speedFound = true;
      }
    }
  }
  log.note("Processed [%d] Traps into [%d] _x Lanes and Sx Lanes [%d] in file [%s]...\n",
           counts.traps, counts.laneCopies, counts.speedCopies, fileName.c_str());
  return counts;
}

}  // namespace loopconv
