#include "base/output_encoder.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

// Report-like lines: names, time stamps and small numbers.
std::string csvText(size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  auto below = [&random](unsigned bound) { return static_cast<unsigned>(random() % bound); };
  std::string text;
  char line[128];
  while (text.size() < bytes) {
    unsigned device = below(3000);
    unsigned period = below(4320);
    snprintf(line, sizeof line,
             "%03ues%05u:_MN___%u,08/18/2021 %02u:%02u:%02u,1,%u,%u.%u,0,%u,%u.%u\r\n",
             device % 1000, device, device % 8 + 1, period / 180, period / 3 % 60, period % 3 * 20,
             below(32), below(100), below(10), below(4), below(100), below(10));
    text += line;
  }
  text.resize(bytes);
  return text;
}

std::string randomBytes(size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(bytes, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

// Decodes a gzip file of one or more members, as gzip -d does. False when the
// data is not gzip, is damaged or ends inside a member.
bool gunzip(const std::string& compressed, std::string* out, int* members) {
  out->clear();
  *members = 0;
  z_stream stream = {};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::vector<char> buffer(1 << 16);
  bool ok = !compressed.empty();
  while (ok && stream.avail_in > 0) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
    stream.avail_out = static_cast<uInt>(buffer.size());
    int result = inflate(&stream, Z_NO_FLUSH);
    out->append(buffer.data(), buffer.size() - stream.avail_out);
    if (result == Z_STREAM_END) {
      ++*members;
      inflateReset(&stream);
    } else if (result != Z_OK) {
      ok = false;
    }
  }
  // Input used up inside a member: inflateReset was not the last call.
  bool midMember = stream.total_in != 0;
  inflateEnd(&stream);
  return ok && !midMember;
}

// Decodes zstd frames. False when the data is not zstd, is damaged or ends
// inside a frame.
bool unzstd(const std::string& compressed, std::string* out) {
  out->clear();
  ZSTD_DCtx* context = ZSTD_createDCtx();
  if (context == nullptr) return false;
  ZSTD_inBuffer input = {compressed.data(), compressed.size(), 0};
  std::vector<char> buffer(ZSTD_DStreamOutSize());
  size_t result = 1;
  bool ok = !compressed.empty();
  while (ok && (input.pos < input.size || result != 0)) {
    ZSTD_outBuffer output = {buffer.data(), buffer.size(), 0};
    size_t before = input.pos;
    result = ZSTD_decompressStream(context, &output, &input);
    out->append(buffer.data(), output.pos);
    if (ZSTD_isError(result)) ok = false;
    // Input used up and no output room needed: the frame is cut short.
    if (input.pos == before && output.pos == 0) ok = false;
  }
  ZSTD_freeDCtx(context);
  return ok;
}

bool decode(Compression compression, const std::string& compressed, std::string* out) {
  int members = 0;
  return compression == Compression::Gzip ? gunzip(compressed, out, &members)
                                          : unzstd(compressed, out);
}

// Opens a new file for writing in `dir`; the encoder writes to it.
int openOutput(const TempDir& dir, const char* name) {
  return open(dir.file(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// Feeds `input` to a fresh encoder in pieces of the given sizes, used in turn
// and again from the start, and returns the file written. An empty list of
// sizes feeds nothing.
std::string encodeInPieces(Compression compression, const std::string& input,
                           const std::vector<size_t>& pieceSizes) {
  TempDir dir;
  int fd = openOutput(dir, "out");
  EXPECT_GE(fd, 0);
  std::unique_ptr<OutputEncoder> encoder = OutputEncoder::create(compression);
  size_t done = 0;
  for (size_t i = 0; !pieceSizes.empty() && done < input.size(); ++i) {
    size_t n = std::min(pieceSizes[i % pieceSizes.size()], input.size() - done);
    EXPECT_EQ(encoder->write(fd, input.data() + done, n), 0);
    done += n;
  }
  EXPECT_EQ(encoder->finish(fd), 0);
  close(fd);
  return readFile(dir.file("out"));
}

class OutputEncoderTest : public ::testing::TestWithParam<Compression> {};

INSTANTIATE_TEST_SUITE_P(Codecs, OutputEncoderTest,
                         ::testing::Values(Compression::Gzip, Compression::Zstd),
                         [](const ::testing::TestParamInfo<Compression>& info) {
                           return std::string(info.param == Compression::Gzip ? "Gzip" : "Zstd");
                         });

TEST_P(OutputEncoderTest, DecompressesToTheBytesGiven) {
  const size_t MiB = 1 << 20;
  struct Case {
    const char* name;
    std::string input;
    std::vector<size_t> pieceSizes;
  } cases[] = {
      {"nothing written", "", {}},
      {"empty pieces", "", {0}},
      {"one line", "name,volume\r\n", {1000}},
      {"one byte at a time", csvText(3000, 1), {1}},
      {"odd-sized pieces",
       csvText(7 * MiB + 12345, 2),
       {1, 7, 4093, 0, 65537, 262143, 262144, 300001, MiB - 1, MiB, MiB + 1, 3 * MiB}},
      {"chunks as a CSV buffer flushes them", csvText(12 * MiB, 3), {MiB - 70, MiB - 3}},
      {"one large piece", csvText(5 * MiB + 1, 4), {100 * MiB}},
      {"incompressible bytes", randomBytes(3 * MiB + 5, 5), {100000, MiB + 17}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string compressed = encodeInPieces(GetParam(), c.input, c.pieceSizes);
    std::string decoded;
    EXPECT_TRUE(decode(GetParam(), compressed, &decoded));
    EXPECT_TRUE(decoded == c.input)
        << "decoded " << decoded.size() << " bytes of " << c.input.size();
  }
}

TEST_P(OutputEncoderTest, ReportTextShrinks) {
  std::string input = csvText(4 << 20, 6);
  std::string compressed = encodeInPieces(GetParam(), input, {1 << 20});
  EXPECT_LT(compressed.size(), input.size() / 3);
}

TEST(OutputEncoderGzipTest, LargeInputBecomesSeveralMembersThatDecodeAsOne) {
  std::string input = csvText(5 << 20, 7);
  std::string compressed = encodeInPieces(Compression::Gzip, input, {300000});
  std::string decoded;
  int members = 0;
  ASSERT_TRUE(gunzip(compressed, &decoded, &members));
  EXPECT_GT(members, 1);
  EXPECT_TRUE(decoded == input);
}

TEST_P(OutputEncoderTest, DamagedOutputFailsToDecode) {
  std::string input = csvText(200000, 8);
  std::string compressed = encodeInPieces(GetParam(), input, {1 << 20});
  std::string decoded;
  for (size_t at : {compressed.size() / 2, compressed.size() - 2}) {
    std::string damaged = compressed;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
    EXPECT_FALSE(decode(GetParam(), damaged, &decoded) && decoded == input) << at;
  }
  EXPECT_FALSE(decode(GetParam(), compressed.substr(0, compressed.size() - 1), &decoded));
}

TEST_P(OutputEncoderTest, FinishEndsTheEncoder) {
  TempDir dir;
  int fd = openOutput(dir, "out");
  ASSERT_GE(fd, 0);
  std::unique_ptr<OutputEncoder> encoder = OutputEncoder::create(GetParam());
  ASSERT_EQ(encoder->write(fd, "a,b\r\n", 5), 0);
  ASSERT_EQ(encoder->finish(fd), 0);
  EXPECT_EQ(encoder->write(fd, "c\r\n", 3), EINVAL);
  EXPECT_EQ(encoder->finish(fd), EINVAL);
  close(fd);
  std::string decoded;
  EXPECT_TRUE(decode(GetParam(), readFile(dir.file("out")), &decoded));
  EXPECT_EQ(decoded, "a,b\r\n");
}

// Ignores SIGPIPE while alive, so that writing into a closed pipe gives EPIPE.
class IgnoreSigpipe {
 public:
  IgnoreSigpipe() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &saved_);
  }
  ~IgnoreSigpipe() { sigaction(SIGPIPE, &saved_, nullptr); }

 private:
  struct sigaction saved_;
};

TEST_P(OutputEncoderTest, FailedWriteReturnsItsErrnoFromThenOn) {
  TempDir dir;
  IgnoreSigpipe ignoreSigpipe;
  struct Case {
    const char* name;
    int expected;
    std::function<int()> openTarget;  // the descriptor to write to
  } cases[] = {
      {"descriptor open for reading", EBADF,
       [&] {
         close(openOutput(dir, "readonly"));
         return open(dir.file("readonly").c_str(), O_RDONLY | O_CLOEXEC);
       }},
      {"full disk", ENOSPC, [] { return open("/dev/full", O_WRONLY | O_CLOEXEC); }},
      {"pipe without reader", EPIPE,
       [] {
         int ends[2];
         if (pipe2(ends, O_CLOEXEC) != 0) return -1;
         close(ends[0]);
         return ends[1];
       }},
  };
  // Small input fails only in finish(); larger input already in write().
  for (size_t bytes : {size_t(100), size_t(6) << 20}) {
    std::string input = randomBytes(bytes, 9);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bytes) + " bytes");
      int fd = c.openTarget();
      ASSERT_GE(fd, 0);
      std::unique_ptr<OutputEncoder> encoder = OutputEncoder::create(GetParam());
      int first = 0;
      for (size_t done = 0; done < input.size() && first == 0; done += 1 << 20) {
        first =
            encoder->write(fd, input.data() + done, std::min<size_t>(1 << 20, input.size() - done));
      }
      EXPECT_EQ(first != 0, bytes > 100);
      if (first == 0) first = encoder->finish(fd);
      EXPECT_EQ(first, c.expected);
      EXPECT_EQ(encoder->write(fd, "x", 1), c.expected);
      EXPECT_EQ(encoder->finish(fd), c.expected);
      close(fd);
    }
  }
}

volatile sig_atomic_t alarmsSeen = 0;
void countAlarm(int) {
  alarmsSeen = alarmsSeen + 1;
}

// Writes into a small pipe drained by another thread while a timer signal
// without SA_RESTART keeps interrupting the blocked write() calls, so that
// they return early (short writes) or fail with EINTR.
TEST_P(OutputEncoderTest, InterruptedAndShortWritesLoseNothing) {
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  fcntl(ends[1], F_SETPIPE_SZ, 4096);

  // Only this thread takes the timer's signals: the reader starts with them
  // blocked.
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
  std::string received;
  std::thread reader([&] {
    char buffer[1000];
    ssize_t n;
    while ((n = read(ends[0], buffer, sizeof buffer)) != 0) {
      if (n > 0)
        received.append(buffer, static_cast<size_t>(n));
      else if (errno != EINTR)
        break;
    }
  });
  pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);

  struct sigaction handler = {}, savedHandler;
  handler.sa_handler = countAlarm;  // no SA_RESTART
  sigaction(SIGALRM, &handler, &savedHandler);
  alarmsSeen = 0;
  itimerval every100us = {{0, 100}, {0, 100}}, stopped = {}, savedTimer;
  setitimer(ITIMER_REAL, &every100us, &savedTimer);

  std::string input = csvText(8 << 20, 10);
  std::unique_ptr<OutputEncoder> encoder = OutputEncoder::create(GetParam());
  int error = 0;
  for (size_t done = 0; done < input.size() && error == 0; done += 1 << 20) {
    error = encoder->write(ends[1], input.data() + done, 1 << 20);
  }
  if (error == 0) error = encoder->finish(ends[1]);

  setitimer(ITIMER_REAL, &stopped, nullptr);
  sigaction(SIGALRM, &savedHandler, nullptr);
  setitimer(ITIMER_REAL, &savedTimer, nullptr);
  close(ends[1]);
  reader.join();
  close(ends[0]);

  EXPECT_EQ(error, 0);
  EXPECT_GT(alarmsSeen, 0);
  std::string decoded;
  EXPECT_TRUE(decode(GetParam(), received, &decoded));
  EXPECT_TRUE(decoded == input);
}

TEST(CompressionTest, OptionValueNamesTheFormatAndItsSuffix) {
  struct Case {
    const char* text;
    Compression compression;
    const char* suffix;
    std::string magic;  // the first bytes of the format's files
  } cases[] = {
      {"gzip", Compression::Gzip, ".gz", "\x1f\x8b"},
      {"zstd", Compression::Zstd, ".zst", "\x28\xb5\x2f\xfd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Compression parsed = Compression::None;
    ASSERT_TRUE(parseCompression(c.text, &parsed));
    EXPECT_EQ(parsed, c.compression);
    EXPECT_STREQ(compressionSuffix(parsed), c.suffix);
    std::string compressed = encodeInPieces(parsed, "x", {1});
    EXPECT_EQ(compressed.substr(0, c.magic.size()), c.magic);
  }
  EXPECT_STREQ(compressionSuffix(Compression::None), "");
  EXPECT_EQ(OutputEncoder::create(Compression::None), nullptr);
}

TEST(CompressionTest, OtherOptionValuesAreRefusedAndLeaveTheSettingAlone) {
  for (const char* text :
       {"", "none", "GZIP", "Zstd", "gz", "zst", "gzip ", " zstd", "xz", "gzip,zstd"}) {
    SCOPED_TRACE(text);
    Compression setting = Compression::Zstd;
    EXPECT_FALSE(parseCompression(text, &setting));
    EXPECT_EQ(setting, Compression::Zstd);
  }
}

}  // namespace
}  // namespace loopconv
