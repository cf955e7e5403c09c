#include "datafile/trap_transfer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "run/log.h"

namespace loopconv {
namespace {

constexpr int MarkPosition = 11;  // 'M' in the second _x name

// Names compare up to their terminator; a name that holds none is compared
// over its 19 bytes and no further.
bool sameName(const char* a, const char* b) { return strncmp(a, b, NameBytes) == 0; }

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

// The table's positions sorted by name, and by position among equal names,
// so that the records of one name are found in table order without a scan
// of the whole table per trap (a file of many traps and no lanes would
// otherwise take time in the square of its size).
class NameIndex {
 public:
  explicit NameIndex(const DeviceTable& table) : table_(table) {
    order_.resize(static_cast<size_t>(table.size()));
    for (int32_t i = 0; i < table.size(); ++i) order_[static_cast<size_t>(i)] = i;
    std::sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
      int c = strncmp(table_[a].Name, table_[b].Name, NameBytes);
      return c != 0 ? c < 0 : a < b;
    });
  }

  // The positions of the records named `name`, in table order.
  struct Range {
    const int32_t* begin;
    const int32_t* end;
  };
  Range find(const char* name) const {
    auto below = [&](int32_t i, const char* n) {
      return strncmp(table_[i].Name, n, NameBytes) < 0;
    };
    auto above = [&](const char* n, int32_t i) {
      return strncmp(n, table_[i].Name, NameBytes) < 0;
    };
    auto first = std::lower_bound(order_.begin(), order_.end(), name, below);
    auto last = std::upper_bound(first, order_.end(), name, above);
    return {order_.data() + (first - order_.begin()), order_.data() + (last - order_.begin())};
  }

 private:
  const DeviceTable& table_;
  std::vector<int32_t> order_;
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
  log.log("[%s] - Processed [%d] Traps into [%d] _x Lanes and Sx Lanes [%d] in file [%s]...\n",
          log.timeStamp(), counts.traps, counts.laneCopies, counts.speedCopies,
          fileName.c_str());
  return counts;
}

}  // namespace loopconv
