#include "sample/data_file_writer.h"

#include <algorithm>
#include <cstring>

#include "datafile/data_header.h"
#include "datafile/decode.h"

namespace loopconv {

namespace {

constexpr int64_t HeaderAlignment = 64;

std::string headerText(const DataFileDescription& description, int64_t headerSize,
                       int64_t nameListSize, int64_t dataSize, int64_t fileSize) {
  std::string date = description.dataStart.substr(0, 10);
  std::string text;
  auto line = [&text](const std::string& s) { text += s + "\r\n"; };
  line("PELMA TMS Twenty Second Data File");
  line("VX.2 Format");
  line("DB Mode = FIXED");
  line("DB Creation = " + date + " 00:00:05");
  line("File Write = " + date + " 23:59:59");
  line("Data Start = " + description.dataStart);
  line("Data End = " + date + " 23:59:40");
  line("Version = 2");
  line("Number of Names = " + std::to_string(description.devices.size()));
  line("Number of Columns = " + std::to_string(description.numberOfColumns));
  line("Header Size = " + std::to_string(headerSize));
  line("Name List Size = " + std::to_string(nameListSize));
  line("Data Size = " + std::to_string(dataSize));
  line("File Size = " + std::to_string(fileSize));
  line("The remainder of this file is binary name and data records");
  return text;
}

size_t blockBytes(const DeviceDescription& device, int32_t columns) {
  size_t wanted =
      static_cast<size_t>(std::max(columns, 0)) * static_cast<size_t>(recordBytes(device.kind));
  return std::max(device.block.size(), wanted);
}

void putLittleEndian(std::string* out, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) (*out)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string buildDataFile(const DataFileDescription& description, DataFileLayout* layout) {
  int64_t nameListSize = static_cast<int64_t>(description.devices.size()) * NameEntryBytes;
  int64_t dataSize = 0;
  for (const DeviceDescription& d : description.devices) {
    dataSize += static_cast<int64_t>(blockBytes(d, description.numberOfColumns));
  }
  // The header states its own size: settle it (a longer number may move it).
  int64_t headerSize = 0;
  std::string text;
  for (;;) {
    text = headerText(description, headerSize, nameListSize, dataSize,
                      headerSize + nameListSize + dataSize);
    int64_t needed = (static_cast<int64_t>(text.size()) + HeaderAlignment - 1) / HeaderAlignment *
                     HeaderAlignment;
    if (needed == headerSize) break;
    headerSize = needed;
  }
  int64_t fileSize = headerSize + nameListSize + dataSize;

  std::string out;
  out.reserve(static_cast<size_t>(fileSize));
  out = text;
  out.resize(static_cast<size_t>(headerSize), '\0');
  out.resize(static_cast<size_t>(headerSize + nameListSize), '\0');
  if (layout != nullptr) {
    layout->headerSize = static_cast<int32_t>(headerSize);
    layout->nameListSize = static_cast<int32_t>(nameListSize);
    layout->dataOffsets.clear();
    layout->fileSize = fileSize;
  }
  size_t entry = static_cast<size_t>(headerSize);
  for (const DeviceDescription& d : description.devices) {
    uint64_t offset = out.size();
    memcpy(&out[entry], d.name.data(), std::min<size_t>(d.name.size(), NameBytes));
    putLittleEndian(&out, entry + 19, d.kind, 2);
    putLittleEndian(&out, entry + 21, d.aux, 2);
    putLittleEndian(&out, entry + 23, offset, 4);
    entry += NameEntryBytes;
    out.append(reinterpret_cast<const char*>(d.block.data()), d.block.size());
    out.resize(offset + blockBytes(d, description.numberOfColumns), '\0');
    if (layout != nullptr) layout->dataOffsets.push_back(static_cast<uint32_t>(offset));
  }
  return out;
}

}  // namespace loopconv
