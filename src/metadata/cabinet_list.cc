#include "metadata/cabinet_list.h"

namespace loopconv {

// Placeholder until the metadata conversion lands.
int convertCabinetList(const std::string&, const RunContext&, std::string*) {
  return 0;
}

}  // namespace loopconv
