// A run with --compress writes every file compressed; decompressed, each is
// byte for byte what the same run writes without it.
#include <zlib.h>
#include <zstd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"
#include "sample/cabinet_list_writer.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

std::string gunzip(const std::string& bytes) {
  z_stream stream = {};
  EXPECT_EQ(inflateInit2(&stream, 15 + 32), Z_OK);
  std::string out;
  char chunk[1 << 16];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  for (;;) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    int status = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
    if (status == Z_STREAM_END) {
      if (stream.avail_in == 0) break;
      inflateReset(&stream);  // the next member
    } else if (status != Z_OK) {
      ADD_FAILURE() << "gzip data broken";
      break;
    }
  }
  inflateEnd(&stream);
  return out;
}

std::string unzstd(const std::string& bytes) {
  ZSTD_DStream* stream = ZSTD_createDStream();
  ZSTD_inBuffer in = {bytes.data(), bytes.size(), 0};
  std::string out;
  std::vector<char> chunk(ZSTD_DStreamOutSize());
  while (in.pos < in.size) {
    ZSTD_outBuffer buffer = {chunk.data(), chunk.size(), 0};
    size_t status = ZSTD_decompressStream(stream, &buffer, &in);
    if (ZSTD_isError(status)) {
      ADD_FAILURE() << "zstd data broken";
      break;
    }
    out.append(chunk.data(), buffer.pos);
  }
  ZSTD_freeDStream(stream);
  return out;
}

std::map<std::string, std::string> filesOf(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readFile(entry.path().string());
  }
  return files;
}

class CompressedRunTest : public ::testing::Test {
 protected:
  CompressedRunTest() {
    SampleDay day = generateSampleDay(60, "08/18/2021", 4, 600);
    writeFile(in_.file(day.fileName), day.bytes);
    writeFile(in_.file("Cabinets.LST"), buildCabinetList(day.cabinets, "08/18/2021", 4));
  }
  // Runs the program twice (reports and outputs, then metadata mode) into
  // `out` with `extra` options.
  void convert(const TempDir& out, const std::string& extra) {
    for (std::string mode : {"-E", "-M"}) {
      std::vector<std::string> argv = {LOOPCONV_BINARY, mode,       "-L",       "-T", "-A", "-R",
                                       "--rollup=5",    "--health", "--picture"};
      if (!extra.empty()) argv.push_back(extra);
      argv.insert(argv.end(), {"-I" + in_.path(), "-O" + out.path(), "-F" + logs_.path()});
      ProgramResult r = runProgram(argv);
      ASSERT_EQ(r.status, 0) << r.err;
    }
  }
  TempDir in_, logs_;
};

TEST_F(CompressedRunTest, EveryFileDecompressesToTheUncompressedRun) {
  TempDir plain;
  convert(plain, "");
  std::map<std::string, std::string> want = filesOf(plain.path());
  ASSERT_EQ(want.size(), 9u);  // 4 reports, 2 roll-ups, health, picture, metadata
  struct Codec {
    const char* option;
    const char* suffix;
    std::string (*decode)(const std::string&);
  };
  for (const Codec& codec :
       {Codec{"--compress=gzip", ".gz", gunzip}, Codec{"--compress=zstd", ".zst", unzstd}}) {
    TempDir packed;
    convert(packed, codec.option);
    std::map<std::string, std::string> got = filesOf(packed.path());
    ASSERT_EQ(got.size(), want.size()) << codec.option;
    size_t packedBytes = 0, plainBytes = 0;
    for (const auto& [name, bytes] : want) {
      // The picture stays plain SVG, so that a browser opens it.
      if (name.ends_with(".svg")) {
        ASSERT_TRUE(got.count(name)) << name << " " << codec.option;
        EXPECT_TRUE(got[name] == bytes) << name;
        continue;
      }
      auto it = got.find(name + codec.suffix);
      ASSERT_NE(it, got.end()) << name << codec.suffix;
      EXPECT_TRUE(codec.decode(it->second) == bytes) << name << codec.suffix;
      packedBytes += it->second.size();
      plainBytes += bytes.size();
    }
    EXPECT_LT(packedBytes * 4, plainBytes) << codec.option;
  }
}

// A disk that fills up during a compressed write leaves no partial file and
// keeps the earlier one.
TEST_F(CompressedRunTest, AFailedCompressedWriteLeavesNoPartialFile) {
  TempDir out;
  std::string element = out.file("PELMA20Sec_Element_08182021.csv.zst");
  writeFile(element, "earlier");
  std::vector<std::string> argv = {LOOPCONV_BINARY,   "-E",
                                   "--compress=zstd", "-I" + in_.path(),
                                   "-O" + out.path(), "-F" + logs_.path()};
  // The limit lets the log grow but not the compressed report.
  int status = runWithFileSizeLimit(20000, [&] { return runProgram(argv).status; });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(readFile(element), "earlier");
  EXPECT_EQ(filesOf(out.path()).size(), 1u);  // no temporary file left
}

}  // namespace
}  // namespace loopconv
