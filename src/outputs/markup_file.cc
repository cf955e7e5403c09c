#include "outputs/markup_file.h"

#include <algorithm>
#include <cstring>

namespace loopconv {

void writeMarkup(OutputFile* file, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    size_t length = std::min(text.size() - done, OutputFile::MaxReserve);
    char* room = file->reserve(length);
    memcpy(room, text.data() + done, length);
    file->commit(room + length);
    done += length;
  }
}

}  // namespace loopconv
