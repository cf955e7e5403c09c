#include "sample/data_file_writer.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "datafile/data_header.h"
#include "datafile/datafile_test_support.h"
#include "datafile/decode.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

// Decodes `block` (whole records) as the block of one device of `kind`, into
// `table` when given (tables are large: reusing one saves their page faults).
std::unique_ptr<DeviceTable> decodeBlock(uint16_t kind, const std::vector<uint8_t>& block,
                                         std::unique_ptr<DeviceTable> table = nullptr) {
  Log log(stdout);
  if (table == nullptr) table = DeviceTable::create(1);
  (*table)[0].Kind = kind;
  DataHeader header;
  header.numberOfNames = 1;
  header.numberOfColumns = static_cast<int32_t>(block.size()) / recordBytes(kind);
  decodeDataBlocks(reinterpret_cast<const char*>(block.data()), block.size(), header, table.get(),
                   log);
  return table;
}

TEST(DataFileWriterTest, EncodersMatchTheWorkedExamples) {
  using B3 = std::array<uint8_t, 3>;
  using B6 = std::array<uint8_t, 6>;
  using B2 = std::array<uint8_t, 2>;
  EXPECT_EQ(encodeLanePeriod(2, 3, 556, 7, 2), (B3{0x9A, 0x2C, 0x47}));
  EXPECT_EQ(encodeStationPeriod(2, 3, 556, 71, 0), (B3{0x9A, 0x2C, 0x47}));
  EXPECT_EQ(encodeTrapPeriod(5, 144, 554, 456, 11, 4, 12, 3),
            (B6{0x05, 0x96, 0x2A, 0xC8, 0x6B, 0x4C}));
  EXPECT_EQ(encodeMeterPeriod(55, 10, 5), (B2{0x37, 0xA5}));
  // Values wider than their field lose their high bits.
  EXPECT_EQ(encodeLanePeriod(4 + 1, 8 + 2, 2048 + 3, 32 + 4, 8 + 5),
            encodeLanePeriod(1, 2, 3, 4, 5));
  EXPECT_EQ(encodeTrapPeriod(256 + 1, 0x1F0, 1024 + 9, 1024 + 8, 32, 16, 16, 8),
            encodeTrapPeriod(1, 0xF0, 9, 8, 0, 0, 0, 0));
}

// Every 3-byte record decodes to values that encode back to the same bytes,
// for lanes and stations; every 2-byte meter record likewise. Together with
// the field ranges this shows the encoders invert the decode tables exactly.
TEST(DataFileWriterTest, EncodersInvertTheDecodingOfEveryRecord) {
  const int perBlock = PeriodsPerDay;
  std::vector<uint8_t> block(perBlock * 3);
  auto lanes = DeviceTable::create(1);
  auto stations = DeviceTable::create(1);
  for (uint32_t first = 0; first < (1u << 24); first += perBlock) {
    uint32_t count = std::min<uint32_t>(perBlock, (1u << 24) - first);
    block.resize(count * 3);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t v = first + i;
      block[3 * i] = static_cast<uint8_t>(v >> 16);
      block[3 * i + 1] = static_cast<uint8_t>(v >> 8);
      block[3 * i + 2] = static_cast<uint8_t>(v);
    }
    lanes = decodeBlock(KindLane, block, std::move(lanes));
    stations = decodeBlock(KindStation, block, std::move(stations));
    const DeviceRecord& l = (*lanes)[0];
    const DeviceRecord& s = (*stations)[0];
    for (uint32_t i = 0; i < count; ++i) {
      std::array<uint8_t, 3> want = {block[3 * i], block[3 * i + 1], block[3 * i + 2]};
      // Plain comparisons: a gtest assertion per record would dominate.
      if (encodeLanePeriod(l.Incident[i], l.NumLanes[i], l.ScanCnt[i], l.Volume[i], l.Flag[i]) !=
              want ||
          encodeStationPeriod(s.Incident[i], s.NumLanes[i], s.ScanCnt[i], s.Volume[i], s.Flag[i]) !=
              want) {
        FAIL() << "record " << first + i;
      }
    }
  }

  std::vector<uint8_t> meters;
  for (int v = 0; v < 65536; ++v) {
    meters.push_back(static_cast<uint8_t>(v >> 8));
    meters.push_back(static_cast<uint8_t>(v));
  }
  for (int first = 0; first < 65536; first += perBlock) {
    int count = std::min(perBlock, 65536 - first);
    std::vector<uint8_t> part(meters.begin() + 2 * first, meters.begin() + 2 * (first + count));
    auto t = decodeBlock(KindMeteredLane, part);
    for (int i = 0; i < count; ++i) {
      const DeviceRecord& m = (*t)[0];
      ASSERT_EQ(encodeMeterPeriod(m.MeterByte[i], m.MeterHigh[i], m.MeterLow[i]),
                (std::array<uint8_t, 2>{part[2 * i], part[2 * i + 1]}));
    }
  }

  // Traps: each byte through all its values, the others varying with it.
  std::vector<uint8_t> traps;
  for (int position = 0; position < 6; ++position) {
    for (int v = 0; v < 256; ++v) {
      for (int k = 0; k < 6; ++k) {
        traps.push_back(static_cast<uint8_t>(k == position ? v : (v * 37 + k * 101) & 0xFF));
      }
    }
  }
  auto t = decodeBlock(KindTrap, traps);
  const DeviceRecord& d = (*t)[0];
  for (int i = 0; i < 6 * 256; ++i) {
    std::array<uint8_t, 6> want;
    std::copy(traps.begin() + 6 * i, traps.begin() + 6 * i + 6, want.begin());
    ASSERT_EQ(encodeTrapPeriod(d.SpdFlag[i], d.SpdFlag2[i], d.SpdTenths[i], d.LenTenths[i],
                               d.Bin1[i], d.Bin2[i], d.Bin3[i], d.Bin4[i]),
              want)
        << i;
    ASSERT_EQ(d.SpdNPds[i], d.SpdFlag2[i] >> 7);
  }
}

TEST(DataFileWriterTest, BuiltFileReadsBack) {
  DataFileDescription description;
  description.dataStart = "01/02/2022 00:00:00";
  description.numberOfColumns = 5;
  DeviceDescription lane{"005es17329:_MN___1", KindLane, 7, {}};
  lane.add(encodeLanePeriod(1, 1, 300, 12, 0));
  lane.add(encodeLanePeriod(0, 1, 2047, 31, 7));
  DeviceDescription trap{"005es17329:_MN__T1", KindTrap, 0, {}};
  trap.add(encodeTrapPeriod(0x80, 0x90, 655, 182, 9, 1, 0, 1));
  DeviceDescription meter{"005es17400:_OR___1", KindMeteredLane, 0, {}};
  meter.add(encodeMeterPeriod(40, 3, 1));
  DeviceDescription other{"odd", 300, 0, {1, 2, 3, 4}};
  DeviceDescription nineteen{"0123456789:ABCDEFGH", KindStation, 0, {}};
  description.devices = {lane, trap, meter, other, nineteen};
  DataFileLayout layout;
  std::string file = buildDataFile(description, &layout);

  // The header: 15 CR LF lines, the marker lines first, NUL padding after.
  size_t textEnd = file.find('\0');
  std::string text = file.substr(0, textEnd);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 15);
  EXPECT_EQ(text.rfind("PELMA TMS Twenty Second", 0), 0u);
  EXPECT_NE(text.find("\r\nThe remainder"), std::string::npos);
  EXPECT_EQ(layout.headerSize % 64, 0);
  EXPECT_GE(layout.headerSize, static_cast<int32_t>(textEnd));

  Decoded decoded = decodeImage(file);
  EXPECT_EQ(decoded.tableResult, 1);
  EXPECT_EQ(decoded.log, "");
  const DataHeader& header = decoded.header;
  const std::unique_ptr<DeviceTable>& table = decoded.table;
  EXPECT_STREQ(header.dataStart, "01/02/2022 00:00:00");
  EXPECT_EQ(header.numberOfColumns, 5);
  EXPECT_EQ(header.fileSize, static_cast<int32_t>(file.size()));
  EXPECT_EQ(header.dataSize, 15 + 30 + 10 + 4 + 15);
  ASSERT_EQ(table->size(), 5);
  const DeviceTable& t = *table;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t[i].DataOffset, layout.dataOffsets[i]);
  EXPECT_EQ(layout.dataOffsets[0], static_cast<uint32_t>(layout.headerSize + 5 * 27));
  EXPECT_EQ(layout.dataOffsets[1], layout.dataOffsets[0] + 15);  // padded to 5 periods
  EXPECT_EQ(layout.dataOffsets[4], layout.dataOffsets[3] + 4);   // unknown kind: as given
  EXPECT_EQ(t[0].Aux, 7);
  EXPECT_EQ(t[0].ScanCnt[0], 300);
  EXPECT_EQ(t[0].Incident[0], 1);
  EXPECT_EQ(t[0].Volume[1], 31);
  EXPECT_EQ(t[0].Flag[1], 7);
  EXPECT_EQ(t[0].Volume[2], 0);
  EXPECT_EQ(t[1].SpdTenths[0], 655);
  EXPECT_EQ(t[1].LenTenths[0], 182);
  EXPECT_EQ(t[1].SpdNPds[0], 1);
  EXPECT_EQ(t[1].Bin4[0], 1);
  EXPECT_EQ(t[2].MeterByte[0], 40);
  EXPECT_STREQ(t[3].Name, "odd");
  EXPECT_EQ(t[3].Kind, 300);
  EXPECT_STREQ(t[4].Name, "0123456789:ABCDEFG");  // 19 bytes without NUL, cut by the reader
}

}  // namespace
}  // namespace loopconv
