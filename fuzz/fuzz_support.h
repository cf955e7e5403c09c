// What the fuzz harnesses share: scratch folders made once per process, a
// quiet log, and the checks every run's output must pass. A failed check
// aborts, so libFuzzer keeps the input that broke it.
#ifndef LOOPCONV_FUZZ_FUZZ_SUPPORT_H_
#define LOOPCONV_FUZZ_FUZZ_SUPPORT_H_

#include <libxml/parser.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "base/log.h"
#include "base/temp_registry.h"
#include "base/test_support.h"

namespace loopconv {
namespace fuzz {

inline void check(bool ok, const char* what, const std::string& detail = std::string()) {
  if (ok) return;
  fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  abort();
}

inline bool endsWith(const std::string& text, const char* end) {
  size_t n = strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

inline std::string readWhole(const std::string& path) {
  return readFile(path);
}

inline void writeWhole(const std::string& path, const uint8_t* data, size_t size) {
  FILE* out = fopen(path.c_str(), "wb");
  check(out != nullptr, "cannot create", path);
  check(size == 0 || fwrite(data, 1, size, out) == size, "cannot write", path);
  check(fclose(out) == 0, "cannot close", path);
}

// The bytes of a gzip file (one or more members), through zlib; false when
// it is not a whole gzip stream.
inline bool gunzip(const std::string& in, std::string* out) {
  z_stream stream = {};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  stream.avail_in = static_cast<uInt>(in.size());
  char chunk[65536];
  int result = Z_OK;
  for (;;) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = inflate(&stream, Z_NO_FLUSH);
    out->append(chunk, sizeof chunk - stream.avail_out);
    if (result == Z_STREAM_END) {
      if (stream.avail_in == 0) break;
      if (inflateReset(&stream) != Z_OK) break;  // the next member
      continue;
    }
    if (result != Z_OK) break;
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END && stream.avail_in == 0;
}

// The bytes of zstd frames, through libzstd; false when not whole frames.
inline bool unzstd(const std::string& in, std::string* out) {
  ZSTD_DStream* stream = ZSTD_createDStream();
  ZSTD_inBuffer input = {in.data(), in.size(), 0};
  char chunk[65536];
  size_t left = 1;
  while (input.pos < input.size) {
    ZSTD_outBuffer output = {chunk, sizeof chunk, 0};
    left = ZSTD_decompressStream(stream, &output, &input);
    if (ZSTD_isError(left)) break;
    out->append(chunk, output.pos);
  }
  while (!ZSTD_isError(left) && left != 0) {  // flush what the last frame holds
    ZSTD_outBuffer output = {chunk, sizeof chunk, 0};
    left = ZSTD_decompressStream(stream, &output, &input);
    if (ZSTD_isError(left) || output.pos == 0) break;
    out->append(chunk, output.pos);
  }
  ZSTD_freeDStream(stream);
  return !ZSTD_isError(left) && left == 0;
}

// True when `text` is a well-formed XML document (libxml2, no network).
inline bool isWellFormedXml(const std::string& text) {
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "picture.svg", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return false;
  xmlFreeDoc(doc);
  return true;
}

// The file's bytes, decompressed when its name ends in .gz or .zst. Checks
// that a compressed file decompresses whole.
inline std::string outputText(const std::string& path, std::string* name) {
  std::string bytes = readWhole(path);
  std::string text;
  if (endsWith(*name, ".gz")) {
    check(gunzip(bytes, &text), "gzip output does not decompress", *name);
    name->resize(name->size() - 3);
    return text;
  }
  if (endsWith(*name, ".zst")) {
    check(unzstd(bytes, &text), "zstd output does not decompress", *name);
    name->resize(name->size() - 4);
    return text;
  }
  return bytes;
}

// A whole CSV: a first line ending in CR LF that starts with one of
// `firstLines`, no LF without its CR, and a last line ended.
template <size_t N>
void checkCsv(const std::string& name, const std::string& text,
              const char* const (&firstLines)[N]) {
  size_t firstEnd = text.find('\n');
  check(firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r',
        "no header line", name);
  bool known = false;
  for (const char* first : firstLines) {
    known = known || text.compare(0, strlen(first), first) == 0;
  }
  check(known, "unexpected header line", name + ": " + text.substr(0, firstEnd));
  check(countBareLineFeeds(text) == 0, "LF without CR", name);
  check(endsWith(text, "\r\n"), "last line not ended", name);
}

// Checks every output in `folder` (not its sub-folders): no temporary file
// left, every CSV whole, every SVG well-formed XML, every compressed file
// whole. Other files are left to the caller.
template <size_t N>
void checkOutputs(const std::string& folder, const char* const (&firstLines)[N]) {
  std::error_code ec;
  for (auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    pid_t pid = 0;
    check(!parseTemporaryName(name, &pid), "temporary file left", name);
    if (!entry.is_regular_file()) continue;
    bool output = endsWith(name, ".csv") || endsWith(name, ".CSV") || endsWith(name, ".svg") ||
                  endsWith(name, ".gz") || endsWith(name, ".zst");
    if (!output) continue;
    std::string text = outputText(entry.path().string(), &name);
    if (endsWith(name, ".svg")) {
      check(isWellFormedXml(text), "picture is not well-formed XML", name);
    } else {
      check(endsWith(name, ".csv") || endsWith(name, ".CSV"), "unknown output", name);
      checkCsv(name, text, firstLines);
    }
  }
  check(!ec, "cannot list the output folder", folder);
}

// Scratch folders for the input and the output, and a log file that starts
// empty for every input, so the checks see only that input's lines.
class Scratch {
 public:
  explicit Scratch(const char* /*label*/)
      : input(inputDir_.folder()),
        output(outputDir_.folder()),
        logPath(input + "run.log"),  // kept out of the output folder
        console_(fopen("/dev/null", "w")),
        log(console_) {
    check(console_ != nullptr, "cannot open /dev/null");
    log.setTimeStamp("11:22:33");
  }

  void startLog() {
    log.close();
    unlink(logPath.c_str());
    int error = 0;
    check(log.open(logPath, &error), "cannot open log", logPath);
  }
  std::string logText() {
    log.close();
    return readWhole(logPath);
  }

  // Every entry of the output folder must be a finished output (see
  // checkOutputs) and nothing else. Removes the entries afterwards.
  template <size_t N>
  void checkAndClearOutput(const char* const (&firstLines)[N]) {
    checkOutputs(output, firstLines);
    for (auto& entry : std::filesystem::directory_iterator(output)) {
      std::string name = entry.path().filename().string();
      check(entry.is_regular_file(), "not a regular file", name);
      bool known = endsWith(name, ".csv") || endsWith(name, ".CSV") || endsWith(name, ".svg") ||
                   endsWith(name, ".gz") || endsWith(name, ".zst");
      check(known, "unexpected output", name);
      std::filesystem::remove_all(entry.path());
    }
  }

 private:
  TempDir inputDir_;
  TempDir outputDir_;

 public:
  const std::string input;
  const std::string output;
  const std::string logPath;

 private:
  FILE* console_;

 public:
  Log log;
};

}  // namespace fuzz
}  // namespace loopconv

#endif  // LOOPCONV_FUZZ_FUZZ_SUPPORT_H_
