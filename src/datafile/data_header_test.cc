#include "datafile/data_header.h"

#include <cstring>
#include <string>
#include <vector>

#include "datafile/datafile_test_support.h"
#include "gtest/gtest.h"
#include "sample/data_file_writer.h"

namespace loopconv {
namespace {

// Parses `text` from an image of exactly its size, so a read past the end is
// caught by the sanitizers. Returns the header; *image gets the bytes after.
DataHeader parse(const std::string& text, LogCapture& capture, std::vector<char>* image = nullptr) {
  std::vector<char> bytes(text.begin(), text.end());
  DataHeader header;
  parseDataHeader(bytes.data(), bytes.size(), &header, capture.log);
  if (image != nullptr) *image = bytes;
  return header;
}

DataHeader parse(const std::string& text) {
  LogCapture capture;
  return parse(text, capture);
}

TEST(DataHeaderTest, ReadsEveryKeyOfAWrittenHeader) {
  DataFileDescription description;
  description.numberOfColumns = 180;
  description.devices.resize(2);
  description.devices[0].name = "005es17329:_MN___1";
  description.devices[1].name = "005es17329:_MN__T1";
  description.devices[1].kind = KindTrap;
  DataFileLayout layout;
  std::string file = buildDataFile(description, &layout);

  LogCapture capture;
  std::vector<char> image;
  DataHeader h = parse(file, capture, &image);
  EXPECT_STREQ(h.dbCreation, "08/18/2021 00:00:05");
  EXPECT_STREQ(h.fileWrite, "08/18/2021 23:59:59");
  EXPECT_STREQ(h.dataStart, "08/18/2021 00:00:00");
  EXPECT_STREQ(h.dataEnd, "08/18/2021 23:59:40");
  EXPECT_EQ(h.version, 2);
  EXPECT_EQ(h.numberOfNames, 2);
  EXPECT_EQ(h.numberOfColumns, 180);
  EXPECT_EQ(h.headerSize, layout.headerSize);
  EXPECT_EQ(h.nameListSize, 54);
  EXPECT_EQ(h.dataSize, 180 * 3 + 180 * 6);
  EXPECT_EQ(h.fileSize, layout.fileSize);
  EXPECT_EQ(static_cast<int64_t>(file.size()), layout.fileSize);
  EXPECT_EQ(capture.text(), "");

  // The parse writes NULs into the header text: each line's LF, the '=' of a
  // key line and the CR that ends its value. Nothing after the header moves.
  size_t firstLf = file.find('\n');
  EXPECT_EQ(image[firstLf], '\0');
  size_t equals = file.find("= 2\r\n");
  EXPECT_EQ(image[equals], '\0');
  EXPECT_EQ(image[equals + 3], '\0');                       // the CR after "2"
  EXPECT_EQ(image[file.find("DB Mode = FIXED") + 8], '=');  // marker lines are not cut
  EXPECT_EQ(0, memcmp(image.data() + layout.headerSize, file.data() + layout.headerSize,
                      file.size() - layout.headerSize));
}

TEST(DataHeaderTest, MarkerLinesAreSkippedBeforeAnyKeyTest) {
  DataHeader h = parse(
      "PELMA TMS Twenty Second Version = 7\r\n"
      "VX.2 Format Number of Names = 5\r\n"
      "DB Mode = FIXED Data Start = 01/01/2000\r\n"
      "The remainder\r\n");
  EXPECT_EQ(h.version, 0);
  EXPECT_EQ(h.numberOfNames, 0);
  EXPECT_STREQ(h.dataStart, "");

  h = parse("PELMA TMS Twenty Second Version = 7\r\nVersion = 3\r\n");
  EXPECT_EQ(h.version, 3);

  // "The remainder" ends the header: the lines after it are not taken, so
  // neither their '=' nor their LFs are cut (a name table read from offset 0
  // sees them as they stand).
  LogCapture capture;
  std::vector<char> image;
  std::string text = "Version = 4\r\nThe remainder\r\nVersion = 9\r\nNumber of Names = 3\r\n";
  h = parse(text, capture, &image);
  EXPECT_EQ(h.version, 4);
  EXPECT_EQ(h.numberOfNames, 0);
  size_t endLf = text.find("\nVersion = 9");
  EXPECT_EQ(image[endLf], '\0');  // the end line's own LF
  EXPECT_EQ(std::string(image.begin() + static_cast<long>(endLf) + 1, image.end()),
            text.substr(endLf + 1));
  // A line with two keys takes the first in the key order.
  h = parse("Data End Data Start = abc\r\nHeader Size Version = 12\r\n");
  EXPECT_STREQ(h.dataStart, "abc");
  EXPECT_STREQ(h.dataEnd, "");
  EXPECT_EQ(h.version, 12);
  EXPECT_EQ(h.headerSize, 0);
}

TEST(DataHeaderTest, NumbersAreStoredOnlyWhenAboveZeroAndLaterLinesWin) {
  EXPECT_EQ(parse("Number of Columns = 0\r\n").numberOfColumns, 0);
  EXPECT_EQ(parse("Number of Columns = -5\r\n").numberOfColumns, 0);
  EXPECT_EQ(parse("Number of Columns = 4320\r\n").numberOfColumns, 4320);
  EXPECT_EQ(parse("Number of Columns = 180\nNumber of Columns = 0\n").numberOfColumns, 180);
  EXPECT_EQ(parse("Number of Columns = 180\nNumber of Columns = 200\n").numberOfColumns, 200);
  EXPECT_EQ(parse("Number of Columns = 180\nNumber of Columns = abc\n").numberOfColumns, 180);
  EXPECT_EQ(parse("Header Size =  \t+12abc\r\n").headerSize, 12);
  EXPECT_EQ(parse("Header Size =\r\r 12\r\n").headerSize, 12);  // CRs after '=' passed over
  EXPECT_EQ(parse("Header Size = 12\rjunk 99\r\n").headerSize, 12);
  EXPECT_EQ(parse("Data Size 77\r\n").dataSize, 0);  // no '='
  EXPECT_EQ(parse("Data Size = 5\nData Size =\r\n").dataSize, 5);
  // Too large for 32 bits: held at the largest value instead of overflowing.
  EXPECT_EQ(parse("Version = 99999999999999999999\r\n").version, INT32_MAX);
  EXPECT_EQ(parse("Version = -99999999999999999999\r\n").version, 0);
  EXPECT_EQ(parse("File Size = 2147483647\r\n").fileSize, INT32_MAX);
}

TEST(DataHeaderTest, ColumnsAbove4320AreLoweredWithAWarning) {
  LogCapture capture;
  DataHeader h = parse("Number of Columns = 5000\r\n", capture);
  EXPECT_EQ(h.numberOfColumns, PeriodsPerDay);
  EXPECT_EQ(capture.text(),
            "[11:22:33] W Number of Columns [5000] exceeds 4320, using the first 4320 "
            "periods!\n");
  EXPECT_TRUE(capture.log.errorLogged() == false);
}

TEST(DataHeaderTest, TextValuesLoseTheirFirstCharacterAndAreCutTo31) {
  EXPECT_STREQ(parse("Data Start = 08/18/2021 00:00:00\r\n").dataStart, "08/18/2021 00:00:00");
  EXPECT_STREQ(parse("Data Start =08/18/2021\r\n").dataStart, "8/18/2021");
  EXPECT_STREQ(parse("Data Start = 08/18/2021").dataStart, "08/18/2021");  // ends with the image
  EXPECT_STREQ(parse("Data End =x\r\n").dataEnd, "");
  EXPECT_STREQ(parse("Data End = a\nData End =\r\n").dataEnd, "a");
  EXPECT_STREQ(parse("Data End = a\nData End =\r\r\r\n").dataEnd, "a");
  EXPECT_STREQ(parse("File Write = x=y\r\n").fileWrite, "x=y");
  // A later, shorter value leaves nothing of the earlier one after its text.
  DataHeader twice = parse("Data Start = 08/18/2021 00:00:00\r\nData Start = 1/2\r\n");
  EXPECT_EQ(std::string(twice.dataStart, HeaderTextBytes),
            "1/2" + std::string(HeaderTextBytes - 3, '\0'));
  std::string longValue(200, 'v');
  DataHeader h = parse("DB Creation = " + longValue + "\r\n");
  EXPECT_EQ(std::string(h.dbCreation), std::string(31, 'v'));
}

TEST(DataHeaderTest, AtMostFifteenLinesAreRead) {
  std::string fourteen;
  for (int i = 0; i < 14; ++i) fourteen += "filler line\r\n\n\n";  // LF runs are one separator
  EXPECT_EQ(parse(fourteen + "Version = 3\r\n").version, 3);
  EXPECT_EQ(parse("\n\n\n" + fourteen + "Version = 3\r\n").version, 3);
  LogCapture capture;
  std::vector<char> image;
  std::string text = fourteen + "filler\r\nVersion = 3\r\n";
  EXPECT_EQ(parse(text, capture, &image).version, 0);
  EXPECT_EQ(image[text.find("filler\r\n") + 7], '\0');                       // the 15th line's LF
  EXPECT_EQ(std::string(image.end() - 13, image.end()), "Version = 3\r\n");  // untouched
  // A line holding only CR counts.
  EXPECT_EQ(parse("\r\n" + fourteen + "Version = 3\r\n").version, 0);
}

TEST(DataHeaderTest, TheTextEndsAtTheImageEndOrAtTheFirstNul) {
  // No line end and no end line: the split stops at the end of the image.
  EXPECT_EQ(parse("Number of Names = 12").numberOfNames, 12);
  EXPECT_EQ(parse(std::string(300, 'x')).numberOfNames, 0);
  EXPECT_EQ(parse("").numberOfNames, 0);
  EXPECT_EQ(parse("\n\n\n").numberOfNames, 0);
  EXPECT_EQ(parse("Number of Names =").numberOfNames, 0);
  EXPECT_EQ(parse(std::string("Version = 1\0Version = 2\n", 24)).version, 1);
  EXPECT_EQ(parse(std::string("\0Version = 2\n", 13)).version, 0);
}

// ---- Name table ----

std::string entry(const std::string& name, uint16_t kind, uint16_t aux, uint32_t offset) {
  std::string e(NameEntryBytes, '\0');
  memcpy(&e[0], name.data(), std::min<size_t>(name.size(), NameBytes));
  e[19] = static_cast<char>(kind & 0xFF);
  e[20] = static_cast<char>(kind >> 8);
  e[21] = static_cast<char>(aux & 0xFF);
  e[22] = static_cast<char>(aux >> 8);
  for (int i = 0; i < 4; ++i) e[23 + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
  return e;
}

struct TableResult {
  bool result;
  std::unique_ptr<DeviceTable> table;
  DataHeader header;
  std::string log;
};

TableResult parseTable(const std::string& image, DataHeader header, int64_t maxRecords = -1) {
  LogCapture capture;
  std::vector<char> bytes(image.begin(), image.end());
  TableResult r;
  r.result = parseNameTable(bytes.data(), bytes.size(), &header, capture.log, &r.table, maxRecords);
  r.header = header;
  r.log = capture.text();
  return r;
}

const char* const ShortTableLine =
    "[11:22:33] W While parsing the name table, we ran out of name data before we finished "
    "the list!\n";

TEST(NameTableTest, EntriesAreCopiedInOrder) {
  std::string nineteen = "0123456789:ABCDEFGH";      // 19 characters, no NUL
  std::string shortName("AB\0xxxxxxxxxxxxxTy", 18);  // bytes after the NUL are kept
  std::string image = "HDR" + entry("005es17329:_MN___1", 80, 0x1234, 0x01020304) +
                      entry(nineteen, 261, 0xFFFF, 0xFFFFFFFF) + entry(shortName, 300, 0, 7);
  DataHeader header;
  header.headerSize = 3;
  header.numberOfNames = 3;
  header.nameListSize = 81;
  TableResult r = parseTable(image, header);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.log, "");
  ASSERT_NE(r.table, nullptr);
  ASSERT_EQ(r.table->size(), 3);
  const DeviceTable& t = *r.table;
  EXPECT_STREQ(t[0].Name, "005es17329:_MN___1");
  EXPECT_EQ(t[0].Kind, 80);
  EXPECT_EQ(t[0].Aux, 0x1234);
  EXPECT_EQ(t[0].DataOffset, 0x01020304u);
  EXPECT_STREQ(t[1].Name, "0123456789:ABCDEFG");  // cut to 18
  EXPECT_EQ(t[1].Kind, 261);
  EXPECT_EQ(t[1].Aux, 0xFFFF);
  EXPECT_EQ(t[1].DataOffset, 0xFFFFFFFFu);
  EXPECT_STREQ(t[2].Name, "AB");
  EXPECT_EQ(t[2].Name[16], 'T');
  EXPECT_EQ(t[2].Kind, 300);
  EXPECT_EQ(r.header.numberOfNames, 3);
}

TEST(NameTableTest, NameListSizeBoundsTheEntriesRead) {
  std::string image = entry("A", 80, 0, 1) + entry("B", 84, 0, 2) + entry("C", 88, 0, 3);
  DataHeader header;
  header.numberOfNames = 3;
  header.nameListSize = 81;
  TableResult r = parseTable(image, header);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.log, "");

  // One byte short: the last entry is still copied, then the warning.
  header.nameListSize = 80;
  r = parseTable(image, header);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.log, ShortTableLine);
  EXPECT_STREQ((*r.table)[2].Name, "C");
  EXPECT_EQ((*r.table)[2].DataOffset, 3u);

  // No Name List Size: only the first entry, the others stay zero.
  header.nameListSize = 0;
  r = parseTable(image, header);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.log, ShortTableLine);
  ASSERT_EQ(r.table->size(), 3);
  EXPECT_STREQ((*r.table)[0].Name, "A");
  EXPECT_STREQ((*r.table)[1].Name, "");
  EXPECT_EQ((*r.table)[1].Kind, 0);
  EXPECT_EQ((*r.table)[2].DataOffset, 0u);

  // No names: a present, empty table.
  header.numberOfNames = 0;
  r = parseTable(image, header);
  EXPECT_EQ(r.result, 1);
  ASSERT_NE(r.table, nullptr);
  EXPECT_EQ(r.table->size(), 0);
  EXPECT_EQ(r.log, "");
}

TEST(NameTableTest, CountIsLoweredToTheEntriesInTheImage) {
  std::string image =
      "xx" + entry("A", 80, 0, 1) + entry("B", 84, 0, 2) + entry("C", 88, 0, 3) + "0123456789";
  DataHeader header;
  header.headerSize = 2;
  header.numberOfNames = 2000000000;
  header.nameListSize = INT32_MAX;
  TableResult r = parseTable(image, header);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.log, ShortTableLine);  // once, although both bounds fall short
  ASSERT_EQ(r.table->size(), 3);
  EXPECT_EQ(r.header.numberOfNames, 3);
  EXPECT_STREQ((*r.table)[2].Name, "C");

  header.nameListSize = 27;
  r = parseTable(image, header);
  EXPECT_EQ(r.log, ShortTableLine);
  EXPECT_EQ(r.header.numberOfNames, 3);
  EXPECT_STREQ((*r.table)[1].Name, "B");  // the entry that crossed the bound is kept
  EXPECT_STREQ((*r.table)[2].Name, "");

  // "Header Size" past the end of the image: no entries at all.
  header.headerSize = 5000;
  header.numberOfNames = 4;
  r = parseTable(image, header);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.log, ShortTableLine);
  ASSERT_NE(r.table, nullptr);
  EXPECT_EQ(r.table->size(), 0);
  EXPECT_EQ(r.header.numberOfNames, 0);
}

TEST(NameTableTest, WithoutHeaderSizeTheTableIsReadFromTheFirstByte) {
  // The entries overlay the header text as the header parse left it: the LF
  // that ended each line taken, the '=' of a key line and the CR after its
  // value are NULs by then.
  std::string text =
      "PELMA TMS Twenty Second\r\nNumber of Names = 2\r\nName List Size = 54\r\n"
      "The remainder\r\n";
  LogCapture capture;
  std::vector<char> image(text.begin(), text.end());
  DataHeader header;
  parseDataHeader(image.data(), image.size(), &header, capture.log);
  EXPECT_EQ(header.headerSize, 0);
  std::unique_ptr<DeviceTable> table;
  EXPECT_EQ(parseNameTable(image.data(), image.size(), &header, capture.log, &table), 1);
  EXPECT_EQ(capture.text(), "");
  ASSERT_EQ(table->size(), 2);
  EXPECT_STREQ((*table)[0].Name, "PELMA TMS Twenty S");  // 19 bytes without NUL, cut
  EXPECT_EQ((*table)[0].Kind, 'c' | ('o' << 8));
  EXPECT_STREQ((*table)[1].Name, "mber of Names ");  // ends at the cut '='
  EXPECT_EQ(0, memcmp((*table)[1].Name + 14, "\0 2\0\0", 5));
}

TEST(NameTableTest, AllocationFailureLeavesTheTableAbsent) {
  std::string image;
  for (int i = 0; i < 10; ++i) image += entry("N" + std::to_string(i), 80, 0, 0);
  DataHeader header;
  header.numberOfNames = 10;
  header.nameListSize = 270;
  TableResult r = parseTable(image, header, /*maxRecords=*/5);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.table, nullptr);
  // The byte count names one record more than was asked for.
  EXPECT_EQ(r.log, "[11:22:33] E Allocation [" + std::to_string(11 * sizeof(DeviceRecord)) +
                       "] bytes of space for [10] data names structure FAILED!!!\n");
}

}  // namespace
}  // namespace loopconv
