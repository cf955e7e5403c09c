// Speed and size of compressed output on real report files. Every file is
// one stream fed in pieces of a CSV buffer's size, as the converter writes.
//
//   build/rel/loopconv-gen --devices 3000 /tmp/day
//   build/rel/loopconv -E -L -T -A -I/tmp/day -O/tmp/day/out -F/tmp/day
//   LOOPCONV_BENCH_CSV=/tmp/day/out build/rel/compress_bench
//
// BM_WriteRaw and BM_Encoder write to a file in the temporary folder (or in
// $LOOPCONV_BENCH_DIR), as the converter would; the other benchmarks call a
// codec directly at other levels and keep only the count of bytes, to show
// what the levels chosen in base/output_encoder.cc were chosen from. Times
// are the process's CPU time (so worker threads count), since wall time
// depends on whatever else runs on the machine; "ratio" is output bytes over
// input bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/output_encoder.h"
#include "base/output_file.h"

namespace loopconv {
namespace {

constexpr size_t Piece = OutputFile::BufferBytes;

// The CSV files of $LOOPCONV_BENCH_CSV, read once.
const std::vector<std::string>& reportFiles() {
  static std::vector<std::string> files = [] {
    std::vector<std::string> contents;
    const char* folder = getenv("LOOPCONV_BENCH_CSV");
    if (folder == nullptr || *folder == '\0') return contents;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".csv") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      contents.push_back(text.str());
    }
    return contents;
  }();
  return files;
}

bool haveInput(benchmark::State& state) {
  if (!reportFiles().empty()) return true;
  state.SkipWithError("set LOOPCONV_BENCH_CSV to a folder of report files");
  return false;
}

void setResults(benchmark::State& state, int64_t inputBytes, int64_t outputBytes) {
  state.SetBytesProcessed(inputBytes);
  state.counters["ratio"] = static_cast<double>(outputBytes) / static_cast<double>(inputBytes);
}

std::string outputPath() {
  const char* folder = getenv("LOOPCONV_BENCH_DIR");
  std::string base = folder != nullptr && *folder != '\0'
                         ? std::string(folder)
                         : std::filesystem::temp_directory_path().string();
  return base + "/compress_bench_" + std::to_string(getpid()) + ".out";
}

// Feeds every report file through `writeFile(fd, text)` into a scratch file
// and counts what reached the file.
template <typename WriteFile>
void writeToFile(benchmark::State& state, WriteFile writeFile) {
  if (!haveInput(state)) return;
  std::string path = outputPath();
  int64_t in = 0, out = 0;
  for (auto _ : state) {
    for (const std::string& text : reportFiles()) {
      int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || !writeFile(fd, text)) state.SkipWithError(("cannot write " + path).c_str());
      struct stat info;
      if (fd >= 0 && fstat(fd, &info) == 0) out += info.st_size;
      if (fd >= 0) close(fd);
      unlink(path.c_str());
      in += static_cast<int64_t>(text.size());
    }
  }
  setResults(state, in, out);
}

// The uncompressed path: the buffer written as it is.
void BM_WriteRaw(benchmark::State& state) {
  writeToFile(state, [](int fd, const std::string& text) {
    for (size_t done = 0; done < text.size(); done += Piece) {
      size_t n = std::min(Piece, text.size() - done);
      if (::write(fd, text.data() + done, n) != static_cast<ssize_t>(n)) return false;
    }
    return true;
  });
}

void BM_Encoder(benchmark::State& state) {
  Compression compression = static_cast<Compression>(state.range(0));
  state.SetLabel(compression == Compression::Gzip ? "gzip" : "zstd");
  writeToFile(state, [compression](int fd, const std::string& text) {
    std::unique_ptr<OutputEncoder> encoder = OutputEncoder::create(compression);
    for (size_t done = 0; done < text.size(); done += Piece) {
      if (encoder->write(fd, text.data() + done, std::min(Piece, text.size() - done)) != 0) {
        return false;
      }
    }
    return encoder->finish(fd) == 0;
  });
}

// Runs `compress(text)`, returning the output's size, over every file.
template <typename Compress>
void countOutput(benchmark::State& state, Compress compress) {
  if (!haveInput(state)) return;
  int64_t in = 0, out = 0;
  for (auto _ : state) {
    for (const std::string& text : reportFiles()) {
      out += static_cast<int64_t>(compress(text));
      in += static_cast<int64_t>(text.size());
    }
  }
  setResults(state, in, out);
}

// zlib deflate with a gzip header: one member per file.
void BM_Zlib(benchmark::State& state) {
  int level = static_cast<int>(state.range(0));
  std::vector<unsigned char> buffer(256 << 10);
  countOutput(state, [&](const std::string& text) {
    z_stream stream = {};
    deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    size_t out = 0;
    for (size_t done = 0;; done += Piece) {
      size_t n = std::min(Piece, text.size() - done);
      bool last = done + n == text.size();
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + done));
      stream.avail_in = static_cast<uInt>(n);
      int result;
      do {
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        out += buffer.size() - stream.avail_out;
      } while (last ? result != Z_STREAM_END : stream.avail_in > 0);
      if (last) break;
    }
    deflateEnd(&stream);
    return out;
  });
}

// libdeflate: one gzip member per piece.
void BM_Libdeflate(benchmark::State& state) {
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(static_cast<int>(state.range(0)));
  std::vector<char> buffer(libdeflate_gzip_compress_bound(compressor, Piece));
  countOutput(state, [&](const std::string& text) {
    size_t out = 0;
    for (size_t done = 0; done < text.size(); done += Piece) {
      out += libdeflate_gzip_compress(compressor, text.data() + done,
                                      std::min(Piece, text.size() - done), buffer.data(),
                                      buffer.size());
    }
    return out;
  });
  libdeflate_free_compressor(compressor);
}

// libzstd streaming at a level with a number of worker threads.
void BM_Zstd(benchmark::State& state) {
  int level = static_cast<int>(state.range(0));
  int workers = static_cast<int>(state.range(1));
  std::vector<char> buffer(ZSTD_CStreamOutSize());
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, level);
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  if (ZSTD_isError(ZSTD_CCtx_setParameter(context, ZSTD_c_nbWorkers, workers))) {
    state.SkipWithError("this libzstd has no worker threads");
  }
  countOutput(state, [&](const std::string& text) {
    size_t out = 0;
    for (size_t done = 0; done < text.size(); done += Piece) {
      ZSTD_inBuffer input = {text.data() + done, std::min(Piece, text.size() - done), 0};
      while (input.pos < input.size) {
        ZSTD_outBuffer output = {buffer.data(), buffer.size(), 0};
        ZSTD_compressStream2(context, &output, &input, ZSTD_e_continue);
        out += output.pos;
      }
    }
    ZSTD_inBuffer none = {nullptr, 0, 0};
    size_t left;
    do {
      ZSTD_outBuffer output = {buffer.data(), buffer.size(), 0};
      left = ZSTD_compressStream2(context, &output, &none, ZSTD_e_end);
      out += output.pos;
    } while (left != 0 && !ZSTD_isError(left));
    return out;
  });
  ZSTD_freeCCtx(context);
}

#define LOOPCONV_WHOLE_DAY(b) \
  b->Iterations(1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)

LOOPCONV_WHOLE_DAY(BENCHMARK(BM_WriteRaw));
LOOPCONV_WHOLE_DAY(BENCHMARK(BM_Encoder)
                       ->Arg(static_cast<int>(Compression::Gzip))
                       ->Arg(static_cast<int>(Compression::Zstd)));
LOOPCONV_WHOLE_DAY(BENCHMARK(BM_Zlib)->Arg(1)->Arg(6));
LOOPCONV_WHOLE_DAY(BENCHMARK(BM_Libdeflate)->Arg(1)->Arg(2)->Arg(4)->Arg(6));
LOOPCONV_WHOLE_DAY(BENCHMARK(BM_Zstd)->ArgsProduct({{-5, -1, 1, 2, 3}, {0, 1, 2}}));

}  // namespace
}  // namespace loopconv

BENCHMARK_MAIN();
