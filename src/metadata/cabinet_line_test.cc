#include "metadata/cabinet_line.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "metadata/cabinet_test_lines.h"

namespace loopconv {
namespace {

bool cabinet(const std::string& line) {
  return isCabinetLine(line.data(), line.size());
}

// Runs the date line scan; returns the result and leaves the date in *date.
bool scan(const std::string& line, std::string* date) {
  return scanDateLine(line.data(), line.size(), date);
}

CabinetRecord fill(const std::string& line) {
  CabinetRecord record;
  memset(&record, 0x5a, sizeof record);  // every field must be written
  fillCabinetRecord(line.data(), line.size(), &record);
  return record;
}

std::string row(const CabinetRecord& record) {
  char out[CabinetRowBytes];
  size_t n = formatCabinetRow(record, out);
  return std::string(out, n);
}

std::string trimmed(std::string text) {
  std::vector<char> field(text.begin(), text.end());
  field.push_back('\0');
  trimField(field.data());
  return std::string(field.data());
}

TEST(CabinetLineTest, CabinetLinesHaveEsAtPositionsThreeAndFour) {
  EXPECT_TRUE(cabinet("005es17329 CB17329"));
  EXPECT_TRUE(cabinet("abces"));
  EXPECT_FALSE(cabinet("abce"));        // shorter than five characters
  EXPECT_FALSE(cabinet("005ES17329"));  // case matters
  EXPECT_FALSE(cabinet("005se17329"));
  EXPECT_FALSE(cabinet("\r\n"));  // a blank line
  EXPECT_FALSE(cabinet("Device     Alias"));
  EXPECT_FALSE(isCabinetLine("005es", 4));  // only `length` characters count
}

TEST(CabinetLineTest, DateLineAcceptsEachDashDateAndStopsAtTheFirstRejected) {
  std::string date;
  EXPECT_TRUE(scan("Cabinet list - 08/18/2021\r\n", &date));
  EXPECT_EQ(date, "08_18_2021");

  // A later '-' replaces the date; a rejected one stays in the date as read.
  date = "previous";
  EXPECT_FALSE(scan("Cabinet list - 08/18/2021 - 06:00\r\n", &date));
  EXPECT_EQ(date, "06:00\r\n");
  EXPECT_TRUE(scan("- 01/02/2003 - 04/05/2006\n", &date));
  EXPECT_EQ(date, "04_05_2006");

  // One-digit month, and no character between '-' and the date.
  EXPECT_FALSE(scan("List - 8/18/2021\r\n", &date));
  EXPECT_EQ(date, "8/18/2021\r");
  EXPECT_FALSE(scan("List -08/18/2021\r\n", &date));
  EXPECT_EQ(date, "8/18/2021\r");

  // A '-' as the last character, or one with only a blank after it, gives an
  // empty date: nothing past the line is read.
  EXPECT_FALSE(scan("List -", &date));
  EXPECT_EQ(date, "");
  EXPECT_FALSE(scan("List - ", &date));
  EXPECT_EQ(date, "");
  EXPECT_FALSE(scan("List -\n", &date));
  EXPECT_EQ(date, "");

  // Fewer than ten characters before the line ends: what is there is the
  // date, accepted when its '/' stand right.
  EXPECT_TRUE(scan("- 08/18/21\n", &date));
  EXPECT_EQ(date, "08_18_21\n");

  // No '-': the date is left as it was.
  date = "08_18_2021";
  EXPECT_TRUE(scan("Cabinet list 08/19/2021\r\n", &date));
  EXPECT_EQ(date, "08_18_2021");
  EXPECT_TRUE(scan("", &date));
  EXPECT_EQ(date, "08_18_2021");
}

TEST(CabinetLineTest, FixedColumnsAreCutTrimmedAndConverted) {
  std::string line = Line()
                         .put(0, "005es17329")
                         .put(11, " CB17  ")
                         .put(19, "   12  ")
                         .put(27, " 17 ")
                         .put(32, " I-35W     ")
                         .put(44, "N")
                         .put(46, " 12.34")
                         .put(54, "ELM ST, NORTH   ")
                         .put(71, "  3")
                         .put(75, " 14")
                         .put(79, " 4")
                         .put(82, " 2")
                         .put(85, " 1")
                         .put(88, "ACTIVE   ")
                         .put(97, "ignored after column 96\r\n")
                         .text;
  CabinetRecord r = fill(line);
  EXPECT_STREQ(r.Device, "005es17329");
  EXPECT_STREQ(r.Alias, "CB17");
  EXPECT_STREQ(r.PortText, "   12  ");
  EXPECT_EQ(r.Port, 12);
  EXPECT_STREQ(r.Address, "17");
  EXPECT_STREQ(r.Roadway, "I-35W");
  EXPECT_STREQ(r.Side, "N");
  EXPECT_STREQ(r.Milepost, "12.34");
  EXPECT_STREQ(r.Location, "ELM ST- NORTH");
  EXPECT_STREQ(r.VersionText, "  3");
  EXPECT_EQ(r.Version, 3);
  EXPECT_STREQ(r.LoopsText, " 14");
  EXPECT_EQ(r.Loops, 14);
  EXPECT_EQ(r.Stations, 4);
  EXPECT_EQ(r.Speedtraps, 2);
  EXPECT_EQ(r.Meteredlanes, 1);
  EXPECT_STREQ(r.Status, "ACTIVE");
  EXPECT_EQ(row(r), "005es17329,CB17,12,17,I-35W,N,12.34,ELM ST- NORTH,3,14,4,2,1,ACTIVE\n");

  // Device and Side stand as in the line, blanks included; a port of blanks
  // is 0; separator columns are never read.
  line = Line().put(0, "  3es 17  ").put(10, "|A  ,  B|").put(19, "|||||||").put(26, "|").text +
         "\r\n";
  r = fill(line);
  EXPECT_STREQ(r.Device, "  3es 17  ");
  EXPECT_STREQ(r.Alias, "A  -  B");
  EXPECT_STREQ(r.PortText, "|||||||");
  EXPECT_EQ(r.Port, 0);
  EXPECT_STREQ(r.Address, "");  // columns 27-30 hold "\r\n" only
  EXPECT_STREQ(r.Side, "");
  EXPECT_EQ(row(r), "  3es 17  ,A  -  B,0,,,,,,0,0,0,0,0,\n");
  EXPECT_STREQ(fill(Line().put(0, "005es").put(19, "       ").text + "\n").PortText, "       ");
  EXPECT_EQ(fill(Line().put(0, "005es").put(19, "       ").text + "\n").Port, 0);
}

TEST(CabinetLineTest, FieldsAreCutAtTheLineEnd) {
  // The last character before the line end stands at column 80.
  std::string line =
      Line().put(0, "005es17329").put(71, "  3").put(75, " 14").put(79, "12").text + "\r\n";
  ASSERT_EQ(line.size(), 83u);
  CabinetRecord r = fill(line);
  EXPECT_EQ(r.Stations, 12);
  EXPECT_STREQ(r.SpeedtrapsText, "\n");  // column 81 is '\r', 82 is '\n'
  EXPECT_EQ(r.Speedtraps, 0);
  EXPECT_STREQ(r.MeteredlanesText, "");
  EXPECT_EQ(r.Meteredlanes, 0);
  EXPECT_STREQ(r.Status, "");
  EXPECT_EQ(row(r), "005es17329,,0,,, ,,,3,14,12,0,0,\n");  // Side as is

  // A line ending inside the Device keeps its line end there.
  r = fill("005es1\r\n");
  EXPECT_STREQ(r.Device, "005es1\r\n");
  EXPECT_STREQ(r.Side, "");
  EXPECT_EQ(row(r), "005es1\r\n,,0,,,,,,0,0,0,0,0,\n");

  // A line without a line end, ending inside the Location.
  r = fill(Line().put(0, "005es").put(54, "ELM S").text);
  EXPECT_STREQ(r.Location, "ELM S");
  EXPECT_STREQ(r.Status, "");
}

TEST(CabinetLineTest, TrimFieldTrimsWhiteSpaceAndTurnsCommasIntoDashes) {
  EXPECT_EQ(trimmed(" MAIN ST, N "), "MAIN ST- N");
  EXPECT_EQ(trimmed("ELM ST, NORTH   "), "ELM ST- NORTH");
  EXPECT_EQ(trimmed("        "), "");
  EXPECT_EQ(trimmed(""), "");
  EXPECT_EQ(trimmed("\t\r\n\v\f "), "");
  EXPECT_EQ(trimmed("x"), "x");
  EXPECT_EQ(trimmed(",a,,b,"), "-a--b-");
  EXPECT_EQ(trimmed("\tA B\r\n"), "A B");
  EXPECT_EQ(trimmed("\xe9t\xe9 "), "\xe9t\xe9");  // high bytes are not white space
}

TEST(CabinetLineTest, ConvertNumberReadsLikeAtoiWithoutOverflow) {
  EXPECT_EQ(convertNumber("   12  "), 12);
  EXPECT_EQ(convertNumber("12ab"), 12);
  EXPECT_EQ(convertNumber(""), 0);
  EXPECT_EQ(convertNumber("   "), 0);
  EXPECT_EQ(convertNumber("ab"), 0);
  EXPECT_EQ(convertNumber("\n\r\t 7"), 7);
  EXPECT_EQ(convertNumber("-7"), -7);
  EXPECT_EQ(convertNumber("+5"), 5);
  EXPECT_EQ(convertNumber("- 5"), 0);
  EXPECT_EQ(convertNumber("--5"), 0);
  EXPECT_EQ(convertNumber("007"), 7);
  EXPECT_EQ(convertNumber("2147483647"), INT32_MAX);
  EXPECT_EQ(convertNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(convertNumber("2147483648"), INT32_MAX);
  EXPECT_EQ(convertNumber("-2147483649"), INT32_MIN);
  EXPECT_EQ(convertNumber(std::string(5000, '9').c_str()), INT32_MAX);
  EXPECT_EQ(convertNumber(("-" + std::string(5000, '9')).c_str()), INT32_MIN);
}

TEST(CabinetLineTest, RowOfWidestRecordFitsItsBuffer) {
  CabinetRecord r;
  memset(&r, 'x', sizeof r);
  // Every text full to its width, every number at its longest.
  r.Device[10] = r.Alias[7] = r.PortText[7] = r.Address[4] = r.Roadway[11] = 0;
  r.Side[1] = r.Milepost[6] = r.Location[16] = r.VersionText[3] = r.LoopsText[3] = 0;
  r.StationsText[2] = r.SpeedtrapsText[2] = r.MeteredlanesText[2] = r.Status[9] = 0;
  r.Port = r.Version = r.Loops = r.Stations = r.Speedtraps = r.Meteredlanes = INT32_MIN;
  std::string text = row(r);
  const std::string m = "-2147483648";
  EXPECT_EQ(text, std::string(10, 'x') + "," + std::string(7, 'x') + "," + m + "," +
                      std::string(4, 'x') + "," + std::string(11, 'x') + ",x," +
                      std::string(6, 'x') + "," + std::string(16, 'x') + "," + m + "," + m + "," +
                      m + "," + m + "," + m + "," + std::string(9, 'x') + "\n");
  EXPECT_LT(text.size(), CabinetRowBytes);
}

TEST(CabinetLineTest, PlaceTextKeepsCommasAndTrimsEachColumn) {
  Line line;
  line.put(0, "005es01076")
      .put(11, "CB01076")
      .put(32, " I-35W, X ")
      .put(44, "S")
      .put(46, " 70.45")
      .put(54, "ELM ST, NORTH")
      .put(88, "ACTIVE");
  CabinetPlaceText place;
  memset(&place, 0x5a, sizeof place);
  fillCabinetPlaceText(line.text.data(), line.text.size(), &place);
  EXPECT_STREQ(place.Device, "005es01076");
  EXPECT_STREQ(place.Roadway, "I-35W, X");
  EXPECT_STREQ(place.Side, "S");
  EXPECT_STREQ(place.Milepost, "70.45");
  EXPECT_STREQ(place.Location, "ELM ST, NORTH");
  EXPECT_STREQ(place.Status, "ACTIVE");
  // The metadata CSV's record of the same line still has the dash.
  EXPECT_STREQ(fill(line.text).Location, "ELM ST- NORTH");

  // A line cut inside the milepost: the rest are empty, line ends trimmed.
  Line cut;
  cut.put(0, "005es01076").put(32, "TH 62").put(44, "E").put(46, " 6\r\n");
  fillCabinetPlaceText(cut.text.data(), cut.text.size(), &place);
  EXPECT_STREQ(place.Roadway, "TH 62");
  EXPECT_STREQ(place.Side, "E");
  EXPECT_STREQ(place.Milepost, "6");
  EXPECT_STREQ(place.Location, "");
  EXPECT_STREQ(place.Status, "");
}

}  // namespace
}  // namespace loopconv
