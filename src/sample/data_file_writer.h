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

// Record encoders, the exact inverse of the block decoding. A value wider than
// its field is cut to the field (its high bits are dropped).
std::array<uint8_t, 3> encodeLanePeriod(unsigned incident, unsigned numLanes,
                                        unsigned scanCnt, unsigned volume, unsigned flag);
// Station: 7-bit volume and a 1-bit flag.
std::array<uint8_t, 3> encodeStationPeriod(unsigned incident, unsigned numLanes,
                                           unsigned scanCnt, unsigned volume, unsigned flag);
// Trap: spdFlag2 keeps its high nibble in place (bit 7 is also SpdNPds).
std::array<uint8_t, 6> encodeTrapPeriod(unsigned spdFlag, unsigned spdFlag2,
                                        unsigned spdTenths, unsigned lenTenths,
                                        unsigned bin1, unsigned bin2, unsigned bin3,
                                        unsigned bin4);
std::array<uint8_t, 2> encodeMeterPeriod(unsigned meterByte, unsigned meterHigh,
                                         unsigned meterLow);

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
  int32_t headerSize = 0;    // offset of the name table
  int32_t nameListSize = 0;  // 27 bytes per device
  std::vector<uint32_t> dataOffsets;  // one per device
  int64_t fileSize = 0;
};

// The bytes of a data file holding `description`.
std::string buildDataFile(const DataFileDescription& description,
                          DataFileLayout* layout = nullptr);

}  // namespace loopconv

// The simulated sample days (generateSampleDay) are declared in
// sample/sample_day.h; many tests know them from here.
#include "sample/sample_day.h"  // IWYU pragma: export

#endif  // LOOPCONV_SAMPLE_DATA_FILE_WRITER_H_
