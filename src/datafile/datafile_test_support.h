// Helpers for the data file tests: a log whose lines can be read back, and
// edits of a built file's header text.
#ifndef LOOPCONV_DATAFILE_DATAFILE_TEST_SUPPORT_H_
#define LOOPCONV_DATAFILE_DATAFILE_TEST_SUPPORT_H_

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/test_support.h"
#include "datafile/data_header.h"
#include "datafile/decode.h"

namespace loopconv {

// The run's time stamp in the tests; FakePlatform's time of day is "12:34:56",
// so every line shows which of the two it carries.
constexpr const char* TestRunStamp = "11:22:33";

class LogCapture {
 public:
  LogCapture() : log(console_.stream()) {
    int error = 0;
    if (!log.open(dir_.file("log.txt"), &error)) abort();
    log.setTimeStamp(TestRunStamp);
  }
  // The log file's text so far (closing flushes it; it is opened again for
  // appending).
  std::string text() {
    log.close();
    std::string t = readFile(dir_.file("log.txt"));
    int error = 0;
    if (!log.open(dir_.file("log.txt"), &error)) abort();
    return t;
  }
  std::string consoleText() { return console_.text(); }

 private:
  TempDir dir_;
  CapturedConsole console_;

 public:
  Log log;
};

// Replaces `from` by `to` in the header text of a built file, keeping the
// text inside its padding ("Header Size" stays where it was).
inline std::string editHeader(const std::string& file, const std::string& from,
                              const std::string& to) {
  size_t textEnd = file.find('\0');
  std::string text = file.substr(0, textEnd);
  size_t at = text.find(from);
  if (at == std::string::npos) abort();
  text.replace(at, from.size(), to);
  size_t padEnd = file.find_first_not_of('\0', textEnd);
  if (text.size() >= padEnd) abort();
  return text + std::string(padEnd - text.size(), '\0') + file.substr(padEnd);
}

// The header, name table and decoded blocks of `bytes` (held at exactly
// their size, so a read past the end is caught by the sanitizers), without
// trap transfer, with what the stages logged.
struct Decoded {
  DataHeader header;
  std::unique_ptr<DeviceTable> table;
  bool tableResult = false;  // what parseNameTable returned
  std::string log;
};

inline Decoded decodeImage(const std::string& bytes) {
  LogCapture capture;
  std::vector<char> image(bytes.begin(), bytes.end());
  Decoded d;
  parseDataHeader(image.data(), image.size(), &d.header, capture.log);
  d.tableResult = parseNameTable(image.data(), image.size(), &d.header, capture.log, &d.table);
  decodeDataBlocks(image.data(), image.size(), d.header, d.table.get(), capture.log);
  d.log = capture.text();
  return d;
}

}  // namespace loopconv

#endif  // LOOPCONV_DATAFILE_DATAFILE_TEST_SUPPORT_H_
