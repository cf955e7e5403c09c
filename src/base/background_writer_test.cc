// The background writer: buffers reach the file whole and in the order they
// were handed over; the first failure is kept and reported.
#include "base/background_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/platform.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

constexpr size_t BufferBytes = 4096;

// Buffer `i` of a test: `used` bytes that tell buffers and positions apart.
std::string bufferText(int i, size_t used) {
  std::string text(used, '\0');
  for (size_t k = 0; k < used; ++k) text[k] = static_cast<char>('a' + (i * 7 + k) % 26);
  return text;
}

// Hands over `count` buffers of varying fill to a writer on `fd`.
int writeBuffers(int fd, int count, std::string* expected) {
  BackgroundWriter writer(fd, nullptr, BufferBytes);
  std::vector<char> buffer(BufferBytes);
  for (int i = 0; i < count; ++i) {
    size_t used = (static_cast<size_t>(i) * 997) % BufferBytes + 1;
    std::string text = bufferText(i, used);
    std::copy(text.begin(), text.end(), buffer.begin());
    writer.submit(&buffer, used);
    EXPECT_EQ(buffer.size(), BufferBytes);  // an emptied buffer of the same size
    if (expected != nullptr) *expected += text;
  }
  return writer.wait();
}

TEST(BackgroundWriterTest, BuffersArriveWholeAndInOrder) {
  TempDir dir;
  const std::string path = dir.file("out");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  std::string expected;
  EXPECT_EQ(writeBuffers(fd, 200, &expected), 0);
  close(fd);
  EXPECT_TRUE(readFile(path) == expected);
}

TEST(BackgroundWriterTest, ShortWritesThenAFullDiskKeepTheFirstError) {
  // The file may grow to 10,000 bytes: the write that crosses the limit is
  // cut short (and must not be taken for success), the next fails with EFBIG;
  // later buffers are dropped and the error stays EFBIG.
  TempDir dir;
  const std::string path = dir.file("out");
  int status = runWithFileSizeLimit(10000, [&] {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 100;
    int error = writeBuffers(fd, 60, nullptr);
    close(fd);
    return error == EFBIG ? 0 : 101;
  });
  EXPECT_EQ(status, 0);
  // Everything up to the limit was written: the short write went on.
  EXPECT_EQ(readFile(path).size(), 10000u);
}

TEST(BackgroundWriterTest, AFailedWriteIsReportedNotLost) {
  TempDir dir;
  const std::string path = dir.file("in");
  writeFile(path, "x");
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);  // writes fail with EBADF
  ASSERT_GE(fd, 0);
  EXPECT_EQ(writeBuffers(fd, 5, nullptr), EBADF);
  close(fd);
  EXPECT_EQ(readFile(path), "x");
}

TEST(WriteAllTest, WritesEverythingOrNamesTheError) {
  TempDir dir;
  const std::string path = dir.file("out");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  std::string text = bufferText(3, 100000);
  EXPECT_EQ(writeAll(fd, text.data(), text.size()), 0);
  close(fd);
  EXPECT_TRUE(readFile(path) == text);
  EXPECT_EQ(writeAll(-1, text.data(), 1), EBADF);
}

}  // namespace
}  // namespace loopconv
