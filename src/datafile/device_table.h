// The in-memory form of one data file: one DeviceRecord per name-table entry,
// each holding one contiguous plane of PeriodsPerDay elements per quantity.
#ifndef LOOPCONV_DATAFILE_DEVICE_TABLE_H_
#define LOOPCONV_DATAFILE_DEVICE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

namespace loopconv {

constexpr int PeriodsPerDay = 4320;

enum DeviceKind : uint16_t {
  KindLane = 80,
  KindStation = 84,
  KindTrap = 88,
  KindMeteredLane = 261,
};

// Name positions the stages rely on.
constexpr int NameTypePosition = 16;  // '_' lane, 'S' speed loop, 'T' trap, 'R' ramp meter
constexpr int NameBytes = 19;         // 18 characters and a terminator

struct DeviceRecord {
  char Name[NameBytes];
  uint16_t Kind;
  uint16_t Aux;
  uint32_t DataOffset;
  uint16_t Incident[PeriodsPerDay];
  uint16_t NumLanes[PeriodsPerDay];
  uint16_t Volume[PeriodsPerDay];
  uint16_t ScanCnt[PeriodsPerDay];
  uint16_t Flag[PeriodsPerDay];
  uint8_t NPds[PeriodsPerDay];
  uint16_t EstLength[PeriodsPerDay];
  uint16_t CalcSpdTenths[PeriodsPerDay];
  uint8_t SpdNPds[PeriodsPerDay];
  uint16_t SpdFlag[PeriodsPerDay];
  uint16_t SpdFlag2[PeriodsPerDay];
  uint16_t SpdTenths[PeriodsPerDay];
  uint16_t LenTenths[PeriodsPerDay];
  uint16_t Bin1[PeriodsPerDay];
  uint16_t Bin2[PeriodsPerDay];
  uint16_t Bin3[PeriodsPerDay];
  uint16_t Bin4[PeriodsPerDay];
  uint8_t MeterByte[PeriodsPerDay];
  uint8_t MeterHigh[PeriodsPerDay];
  uint8_t MeterLow[PeriodsPerDay];
};

// One zero-filled block of records. The block comes from calloc, so the pages
// of planes that no stage writes are never touched (a 3000-device day is about
// half a gigabyte of planes, most of them zero for any one kind).
class DeviceTable {
 public:
  // Returns nullptr when the block cannot be allocated or `count` is above
  // `maxRecords` (when that is >= 0). `count` must be >= 0.
  static std::unique_ptr<DeviceTable> create(int32_t count, int64_t maxRecords = -1);
  ~DeviceTable();
  DeviceTable(const DeviceTable&) = delete;
  DeviceTable& operator=(const DeviceTable&) = delete;

  int32_t size() const { return count_; }
  DeviceRecord& operator[](int32_t i) { return records_[i]; }
  const DeviceRecord& operator[](int32_t i) const { return records_[i]; }
  DeviceRecord* begin() { return records_; }
  DeviceRecord* end() { return records_ + count_; }
  const DeviceRecord* begin() const { return records_; }
  const DeviceRecord* end() const { return records_ + count_; }

 private:
  DeviceTable(DeviceRecord* records, int32_t count) : records_(records), count_(count) {}
  DeviceRecord* records_;
  int32_t count_;
};

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DEVICE_TABLE_H_
