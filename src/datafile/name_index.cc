#include "datafile/name_index.h"

#include <algorithm>

namespace loopconv {

NameIndex::NameIndex(const DeviceTable& table) : table_(table) {
  order_.resize(static_cast<size_t>(table.size()));
  for (int32_t i = 0; i < table.size(); ++i) order_[static_cast<size_t>(i)] = i;
  std::sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
    int c = strncmp(table_[a].Name, table_[b].Name, NameBytes);
    return c != 0 ? c < 0 : a < b;
  });
}

NameIndex::Range NameIndex::find(const char* name) const {
  auto below = [&](int32_t i, const char* n) { return strncmp(table_[i].Name, n, NameBytes) < 0; };
  auto above = [&](const char* n, int32_t i) { return strncmp(n, table_[i].Name, NameBytes) < 0; };
  auto first = std::lower_bound(order_.begin(), order_.end(), name, below);
  auto last = std::upper_bound(first, order_.end(), name, above);
  return {order_.data() + (first - order_.begin()), order_.data() + (last - order_.begin())};
}

int32_t NameIndex::firstAfter(const char* name, int32_t after) const {
  Range range = find(name);
  const int32_t* it = std::upper_bound(range.begin, range.end, after);
  return it == range.end ? -1 : *it;
}

}  // namespace loopconv
