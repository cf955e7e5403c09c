#include "datafile/decode.h"

#include <cstdint>
#include <vector>

#include "base/log.h"
#include "base/parallel.h"

namespace loopconv {
namespace {

// Each decoder makes one pass over the block, one record per period, and
// writes every plane in period order. The planes are handed over as restrict
// pointers: the block is read through unsigned char, which could alias
// anything, and without them the compiler reloads every byte after each store.

using Out16 = uint16_t* __restrict;
using Out8 = uint8_t* __restrict;
using In = const uint8_t* __restrict;

// Lanes and stations share b0 and b1. Their b2 differs: a lane holds a
// 5-bit volume under a 3-bit flag, a station a 7-bit volume under a 1-bit
// flag; a lane's NPds is its lane count, a station's is 1 when it has lanes
// (the plane is zero before).
template <bool Station>
void decodeDetector(In in, int periods, Out16 incident, Out16 numLanes, Out16 scanCnt, Out16 volume,
                    Out16 flag, Out8 nPds) {
  constexpr unsigned VolumeMask = Station ? 0x7F : 0x1F;
  constexpr unsigned FlagShift = Station ? 7 : 5;
  for (int j = 0; j < periods; ++j) {
    unsigned b0 = in[3 * j], b1 = in[3 * j + 1], b2 = in[3 * j + 2];
    unsigned lanes = (b0 >> 3) & 0x07;
    incident[j] = static_cast<uint16_t>(b0 >> 6);
    numLanes[j] = static_cast<uint16_t>(lanes);
    scanCnt[j] = static_cast<uint16_t>(((b0 & 0x07) << 8) | b1);
    volume[j] = static_cast<uint16_t>(b2 & VolumeMask);
    flag[j] = static_cast<uint16_t>(b2 >> FlagShift);
    nPds[j] = static_cast<uint8_t>(Station ? lanes != 0 : lanes);
  }
}

void decodeTrap(In in, int periods, DeviceRecord* d) {
  Out16 spdFlag = d->SpdFlag;
  Out16 spdFlag2 = d->SpdFlag2;
  Out8 spdNPds = d->SpdNPds;
  Out16 spdTenths = d->SpdTenths;
  Out16 lenTenths = d->LenTenths;
  Out16 bin1 = d->Bin1;
  Out16 bin2 = d->Bin2;
  Out16 bin3 = d->Bin3;
  Out16 bin4 = d->Bin4;
  for (int j = 0; j < periods; ++j) {
    In r = in + 6 * j;
    unsigned b0 = r[0], b1 = r[1], b2 = r[2], b3 = r[3], b4 = r[4], b5 = r[5];
    spdFlag[j] = static_cast<uint16_t>(b0);
    spdFlag2[j] = static_cast<uint16_t>(b1 & 0xF0);
    spdNPds[j] = static_cast<uint8_t>(b1 >> 7);
    spdTenths[j] = static_cast<uint16_t>(((b1 & 0x03) << 8) | b2);
    lenTenths[j] = static_cast<uint16_t>(((b1 & 0x0C) << 6) | b3);
    bin1[j] = static_cast<uint16_t>(b4 & 0x1F);
    bin2[j] = static_cast<uint16_t>(b5 >> 4);
    bin3[j] = static_cast<uint16_t>(b5 & 0x0F);
    bin4[j] = static_cast<uint16_t>(b4 >> 5);
  }
}

void decodeMeter(In in, int periods, Out8 meterByte, Out8 meterHigh, Out8 meterLow) {
  for (int j = 0; j < periods; ++j) {
    unsigned b0 = in[2 * j], b1 = in[2 * j + 1];
    meterByte[j] = static_cast<uint8_t>(b0);
    meterHigh[j] = static_cast<uint8_t>(b1 >> 4);
    meterLow[j] = static_cast<uint8_t>(b1 & 0x0F);
  }
}

}  // namespace

int recordBytes(uint16_t kind) {
  switch (kind) {
    case KindLane:
    case KindStation: return 3;
    case KindTrap: return 6;
    case KindMeteredLane: return 2;
    default: return 0;
  }
}

void decodeDataBlocks(const char* image, size_t size, const DataHeader& header, DeviceTable* table,
                      Log& log) {
  if (table == nullptr || header.numberOfNames <= 0) return;
  int periods = header.numberOfColumns;
  if (periods <= 0) return;
  if (periods > PeriodsPerDay) periods = PeriodsPerDay;  // the header parse already holds it there

  // First, in table order, the blocks that do not fit are named (so the log
  // is the same however the decoding below is shared out); then every core
  // decodes devices, each device's block into its own planes.
  const int32_t count = table->size();
  std::vector<uint8_t> fits(static_cast<size_t>(count), 0);
  for (int32_t i = 0; i < count; ++i) {
    const DeviceRecord& d = (*table)[i];
    int width = recordBytes(d.Kind);
    if (width == 0) continue;
    uint64_t end = static_cast<uint64_t>(d.DataOffset) +
                   static_cast<uint64_t>(periods) * static_cast<uint64_t>(width);
    if (end > size) {
      log.error("Data block of device [%s] lies outside the file, device skipped!\n", d.Name);
      continue;
    }
    fits[static_cast<size_t>(i)] = 1;
  }

  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(image);
  forEachInParallel(count, [&](int32_t i) {
    if (!fits[static_cast<size_t>(i)]) return;
    DeviceRecord& d = (*table)[i];
    const uint8_t* in = bytes + d.DataOffset;
    switch (d.Kind) {
      case KindLane:
        decodeDetector<false>(in, periods, d.Incident, d.NumLanes, d.ScanCnt, d.Volume, d.Flag,
                              d.NPds);
        break;
      case KindStation:
        decodeDetector<true>(in, periods, d.Incident, d.NumLanes, d.ScanCnt, d.Volume, d.Flag,
                             d.NPds);
        break;
      case KindTrap: decodeTrap(in, periods, &d); break;
      case KindMeteredLane: decodeMeter(in, periods, d.MeterByte, d.MeterHigh, d.MeterLow); break;
    }
  });
}

}  // namespace loopconv
