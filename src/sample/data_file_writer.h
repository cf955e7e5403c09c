// Builds well-formed data files: for tests that need a file of given devices
// and values, and for the sample days of loopconv-gen.
//
// Layout written: the text header (CR LF line ends, its three marker lines,
// the key lines and the end line), NUL padding up to "Header Size", the name
// table of 27-byte entries, then every device's block in table order.
#ifndef LOOPCONV_SAMPLE_DATA_FILE_WRITER_H_
#define LOOPCONV_SAMPLE_DATA_FILE_WRITER_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datafile/device_table.h"

namespace loopconv {

// Record encoders, the exact inverse of the block decoding (inline: the
// sample days call them for every period of every device). A value wider
// than its field is cut to the field (its high bits are dropped). Stations
// have a 7-bit volume and a 1-bit flag; a trap's spdFlag2 keeps its high
// nibble in place (bit 7 is also SpdNPds).
inline std::array<uint8_t, 3> encodeLanePeriod(unsigned incident, unsigned numLanes,
                                               unsigned scanCnt, unsigned volume, unsigned flag) {
  return {static_cast<uint8_t>(((incident & 0x03) << 6) | ((numLanes & 0x07) << 3) |
                               ((scanCnt >> 8) & 0x07)),
          static_cast<uint8_t>(scanCnt & 0xFF),
          static_cast<uint8_t>(((flag & 0x07) << 5) | (volume & 0x1F))};
}

inline std::array<uint8_t, 3> encodeStationPeriod(unsigned incident, unsigned numLanes,
                                                  unsigned scanCnt, unsigned volume,
                                                  unsigned flag) {
  return {static_cast<uint8_t>(((incident & 0x03) << 6) | ((numLanes & 0x07) << 3) |
                               ((scanCnt >> 8) & 0x07)),
          static_cast<uint8_t>(scanCnt & 0xFF),
          static_cast<uint8_t>(((flag & 0x01) << 7) | (volume & 0x7F))};
}

inline std::array<uint8_t, 6> encodeTrapPeriod(unsigned spdFlag, unsigned spdFlag2,
                                               unsigned spdTenths, unsigned lenTenths,
                                               unsigned bin1, unsigned bin2, unsigned bin3,
                                               unsigned bin4) {
  return {static_cast<uint8_t>(spdFlag & 0xFF),
          static_cast<uint8_t>((spdFlag2 & 0xF0) | (((lenTenths >> 8) & 0x03) << 2) |
                               ((spdTenths >> 8) & 0x03)),
          static_cast<uint8_t>(spdTenths & 0xFF),
          static_cast<uint8_t>(lenTenths & 0xFF),
          static_cast<uint8_t>(((bin4 & 0x07) << 5) | (bin1 & 0x1F)),
          static_cast<uint8_t>(((bin2 & 0x0F) << 4) | (bin3 & 0x0F))};
}

inline std::array<uint8_t, 2> encodeMeterPeriod(unsigned meterByte, unsigned meterHigh,
                                                unsigned meterLow) {
  return {static_cast<uint8_t>(meterByte & 0xFF),
          static_cast<uint8_t>(((meterHigh & 0x0F) << 4) | (meterLow & 0x0F))};
}

struct DeviceDescription {
  std::string name;  // up to 19 bytes; shorter names are NUL-padded
  uint16_t kind = KindLane;
  uint16_t aux = 0;
  // The per-period records in period order. The writer pads a block of a
  // known kind with zero records up to the file's period count.
  std::vector<uint8_t> block;

  template <size_t N>
  void add(const std::array<uint8_t, N>& record) {
    for (uint8_t byte : record) block.push_back(byte);
  }
};

struct DataFileDescription {
  std::string dataStart = "08/18/2021 00:00:00";
  int32_t numberOfColumns = PeriodsPerDay;
  std::vector<DeviceDescription> devices;
};

// Where the parts of a built file lie.
struct DataFileLayout {
  int32_t headerSize = 0;             // offset of the name table
  int32_t nameListSize = 0;           // 27 bytes per device
  std::vector<uint32_t> dataOffsets;  // one per device
  int64_t fileSize = 0;
};

// The bytes of a data file holding `description`.
std::string buildDataFile(const DataFileDescription& description, DataFileLayout* layout = nullptr);

}  // namespace loopconv

// The simulated sample days (generateSampleDay) are declared in
// sample/sample_day.h; many tests know them from here.
#include "sample/sample_day.h"  // IWYU pragma: export

#endif  // LOOPCONV_SAMPLE_DATA_FILE_WRITER_H_
