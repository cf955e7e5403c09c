// Decoding speed of a generated 3000-device day: name table, table creation
// (one calloc'd block; its pages are touched by the decode) and the blocks,
// then the trap transfer alone.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "base/log.h"
#include "datafile/data_header.h"
#include "datafile/decode.h"
#include "datafile/trap_transfer.h"
#include "sample/data_file_writer.h"

namespace {

using loopconv::DataHeader;
using loopconv::DeviceTable;

const loopconv::SampleDay& day() {
  static loopconv::SampleDay sample = loopconv::generateSampleDay(3000, "08/18/2021", 1);
  return sample;
}

// The image after its header was parsed (the parse writes into it).
struct Parsed {
  std::vector<char> image;
  DataHeader header;
};

Parsed parsed(loopconv::Log& log) {
  Parsed p;
  p.image.assign(day().bytes.begin(), day().bytes.end());
  loopconv::parseDataHeader(p.image.data(), p.image.size(), &p.header, log);
  return p;
}

// The table of the parsed image, decoded once.
std::unique_ptr<DeviceTable> decoded(Parsed& p, loopconv::Log& log) {
  std::unique_ptr<DeviceTable> table;
  loopconv::parseNameTable(p.image.data(), p.image.size(), &p.header, log, &table);
  loopconv::decodeDataBlocks(p.image.data(), p.image.size(), p.header, table.get(), log);
  return table;
}

void BM_DecodeDay(benchmark::State& state) {
  loopconv::Log log(stdout);
  Parsed p = parsed(log);
  for (auto _ : state) {
    DataHeader header = p.header;
    std::unique_ptr<DeviceTable> table;
    loopconv::parseNameTable(p.image.data(), p.image.size(), &header, log, &table);
    loopconv::decodeDataBlocks(p.image.data(), p.image.size(), header, table.get(), log);
    benchmark::DoNotOptimize(table.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(p.image.size()));
}
BENCHMARK(BM_DecodeDay)->Unit(benchmark::kMillisecond);

// The same decode into a table whose pages are already in place: the decode
// work itself, without the first-touch page faults of a fresh table.
void BM_DecodeDayWarmTable(benchmark::State& state) {
  loopconv::Log log(stdout);
  Parsed p = parsed(log);
  std::unique_ptr<DeviceTable> table = decoded(p, log);
  for (auto _ : state) {
    loopconv::decodeDataBlocks(p.image.data(), p.image.size(), p.header, table.get(), log);
    benchmark::DoNotOptimize(table.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(p.image.size()));
}
BENCHMARK(BM_DecodeDayWarmTable)->Unit(benchmark::kMillisecond);

void BM_TrapTransfer(benchmark::State& state) {
  loopconv::Log log(stdout);
  Parsed p = parsed(log);
  std::unique_ptr<DeviceTable> table = decoded(p, log);
  for (auto _ : state) {
    loopconv::transferTrapData(*table, "day.DAT", log);
  }
}
BENCHMARK(BM_TrapTransfer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
