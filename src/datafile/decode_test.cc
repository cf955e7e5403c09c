#include "datafile/decode.h"

#include <cstring>
#include <string>
#include <vector>

#include "datafile/datafile_test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

struct Device {
  uint16_t kind;
  uint32_t offset;
};

// Decodes `image` (held at exactly its size) for the devices given.
std::unique_ptr<DeviceTable> decode(const std::string& image, const std::vector<Device>& devices,
                                    int32_t columns, std::string* log = nullptr) {
  LogCapture capture;
  std::unique_ptr<DeviceTable> table = DeviceTable::create(static_cast<int32_t>(devices.size()));
  for (size_t i = 0; i < devices.size(); ++i) {
    DeviceRecord& d = (*table)[static_cast<int32_t>(i)];
    snprintf(d.Name, sizeof d.Name, "dev%d", static_cast<int>(i % 1000));
    d.Kind = devices[i].kind;
    d.DataOffset = devices[i].offset;
  }
  DataHeader header;
  header.numberOfNames = static_cast<int32_t>(devices.size());
  header.numberOfColumns = columns;
  std::vector<char> bytes(image.begin(), image.end());
  decodeDataBlocks(bytes.data(), bytes.size(), header, table.get(), capture.log);
  if (log != nullptr) *log = capture.text();
  return table;
}

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// True when every byte of the record after its name-table fields is zero.
bool planesAreZero(const DeviceRecord& d) {
  const char* p = reinterpret_cast<const char*>(&d.Incident);
  const char* end = reinterpret_cast<const char*>(&d) + sizeof d;
  for (; p < end; ++p) {
    if (*p != 0) return false;
  }
  return true;
}

TEST(DecodeTest, WorkedExamplesOfEveryKind) {
  std::string image = "pad" + bytes({0x9A, 0x2C, 0x47}) +
                      bytes({0x05, 0x96, 0x2A, 0xC8, 0x6B, 0x4C}) + bytes({0x37, 0xA5});
  auto t = decode(image, {{80, 3}, {84, 3}, {88, 6}, {261, 12}}, 1);
  const DeviceRecord& lane = (*t)[0];
  EXPECT_EQ(lane.Incident[0], 2);
  EXPECT_EQ(lane.NumLanes[0], 3);
  EXPECT_EQ(lane.ScanCnt[0], 556);
  EXPECT_EQ(lane.Volume[0], 7);
  EXPECT_EQ(lane.Flag[0], 2);
  EXPECT_EQ(lane.NPds[0], 3);
  const DeviceRecord& station = (*t)[1];
  EXPECT_EQ(station.Incident[0], 2);
  EXPECT_EQ(station.NumLanes[0], 3);
  EXPECT_EQ(station.ScanCnt[0], 556);
  EXPECT_EQ(station.Volume[0], 71);
  EXPECT_EQ(station.Flag[0], 0);
  EXPECT_EQ(station.NPds[0], 1);
  const DeviceRecord& trap = (*t)[2];
  EXPECT_EQ(trap.SpdFlag[0], 5);
  EXPECT_EQ(trap.SpdFlag2[0], 144);
  EXPECT_EQ(trap.SpdNPds[0], 1);
  EXPECT_EQ(trap.SpdTenths[0], 554);
  EXPECT_EQ(trap.LenTenths[0], 456);
  EXPECT_EQ(trap.Bin1[0], 11);
  EXPECT_EQ(trap.Bin2[0], 4);
  EXPECT_EQ(trap.Bin3[0], 12);
  EXPECT_EQ(trap.Bin4[0], 3);
  const DeviceRecord& meter = (*t)[3];
  EXPECT_EQ(meter.MeterByte[0], 55);
  EXPECT_EQ(meter.MeterHigh[0], 10);
  EXPECT_EQ(meter.MeterLow[0], 5);
  // Planes of other kinds stay untouched.
  EXPECT_EQ(lane.SpdTenths[0], 0);
  EXPECT_EQ(lane.MeterByte[0], 0);
  EXPECT_EQ(trap.Volume[0], 0);
  EXPECT_EQ(trap.NumLanes[0], 0);
  EXPECT_EQ(meter.Volume[0], 0);
  EXPECT_EQ(meter.Bin1[0], 0);
  // A station's speed-trap planes wait for station aggregation.
  EXPECT_EQ(station.SpdTenths[0] | station.LenTenths[0] | station.Bin1[0] | station.SpdFlag[0] |
                station.SpdFlag2[0] | station.SpdNPds[0],
            0);
}

TEST(DecodeTest, FieldEdges) {
  // Station with no lanes: NPds stays 0 though the volume is not.
  auto t = decode(bytes({0x80, 0x10, 0xFF}), {{84, 0}}, 1);
  EXPECT_EQ((*t)[0].NumLanes[0], 0);
  EXPECT_EQ((*t)[0].Volume[0], 127);
  EXPECT_EQ((*t)[0].Flag[0], 1);
  EXPECT_EQ((*t)[0].Incident[0], 2);
  EXPECT_EQ((*t)[0].NPds[0], 0);

  t = decode(bytes({0xFF, 0xFF, 0xFF}), {{80, 0}}, 1);
  EXPECT_EQ((*t)[0].Incident[0], 3);
  EXPECT_EQ((*t)[0].NumLanes[0], 7);
  EXPECT_EQ((*t)[0].ScanCnt[0], 2047);
  EXPECT_EQ((*t)[0].Volume[0], 31);
  EXPECT_EQ((*t)[0].Flag[0], 7);
  EXPECT_EQ((*t)[0].NPds[0], 7);

  t = decode(bytes({0, 0x70, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF}),
             {{88, 0}}, 3);
  EXPECT_EQ((*t)[0].SpdFlag2[0], 112);
  EXPECT_EQ((*t)[0].SpdNPds[0], 0);
  EXPECT_EQ((*t)[0].SpdFlag2[1], 128);
  EXPECT_EQ((*t)[0].SpdNPds[1], 1);
  EXPECT_EQ((*t)[0].SpdFlag[2], 255);
  EXPECT_EQ((*t)[0].SpdFlag2[2], 0);
  EXPECT_EQ((*t)[0].SpdTenths[2], 1023);
  EXPECT_EQ((*t)[0].LenTenths[2], 1023);
  EXPECT_EQ((*t)[0].Bin1[2], 31);
  EXPECT_EQ((*t)[0].Bin2[2], 15);
  EXPECT_EQ((*t)[0].Bin3[2], 15);
  EXPECT_EQ((*t)[0].Bin4[2], 7);
}

TEST(DecodeTest, OnlyTheFilesPeriodsOfKnownKindsAreDecoded) {
  std::string block(PeriodsPerDay * 6, '\xFF');
  auto t = decode(block, {{80, 0}, {84, 0}, {88, 0}, {261, 0}, {0, 0}, {300, 0}}, 180);
  for (int i = 0; i < 4; ++i) {
    const DeviceRecord& d = (*t)[i];
    bool decoded179 = d.NumLanes[179] != 0 || d.SpdTenths[179] != 0 || d.MeterByte[179] != 0;
    EXPECT_TRUE(decoded179) << i;
    for (int p = 180; p < PeriodsPerDay; ++p) {
      ASSERT_EQ(d.NumLanes[p] | d.Volume[p] | d.SpdTenths[p] | d.Bin4[p] | d.MeterByte[p] |
                    d.MeterLow[p] | d.NPds[p] | d.SpdNPds[p],
                0)
          << i << " " << p;
    }
  }
  EXPECT_TRUE(planesAreZero((*t)[4]));
  EXPECT_TRUE(planesAreZero((*t)[5]));

  // No periods at all: nothing decoded.
  t = decode(block, {{80, 0}}, 0);
  EXPECT_TRUE(planesAreZero((*t)[0]));
}

TEST(DecodeTest, BlocksOutsideTheFileAreSkippedWithAWarning) {
  std::string image(100, '\xFF');
  std::string log;
  auto t = decode(image,
                  {{80, 94},          // 2 periods of 3 bytes end exactly at 100: decoded
                   {88, 90},          // 90 + 12 = 102: starts inside, ends outside
                   {261, 100},        // starts at the end
                   {84, 0xFFFFFFFF},  // far past the end
                   {0, 5000},         // unknown kind: not decoded, no warning
                   {80, 0}},
                  2, &log);
  EXPECT_EQ((*t)[0].ScanCnt[1], 2047);
  EXPECT_TRUE(planesAreZero((*t)[1]));
  EXPECT_TRUE(planesAreZero((*t)[2]));
  EXPECT_TRUE(planesAreZero((*t)[3]));
  EXPECT_EQ((*t)[5].Volume[1], 31);
  EXPECT_EQ(log,
            "[11:22:33] E Data block of device [dev1] lies outside the file, device skipped!\n"
            "[11:22:33] E Data block of device [dev2] lies outside the file, device skipped!\n"
            "[11:22:33] E Data block of device [dev3] lies outside the file, device skipped!\n");

  // With no periods nothing is read, so nothing lies outside.
  decode(image, {{88, 5000}}, 0, &log);
  EXPECT_EQ(log, "");
}

}  // namespace
}  // namespace loopconv
