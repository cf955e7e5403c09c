#include "outputs/picture.h"
#include "outputs/speed_palette.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "reports/report_framing.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

// Reads the picture with a real XML parser (python3's minidom): a file that
// is not well-formed makes it fail. It prints one "G <name>" line per row
// group and one "R <fill> <first> <last> <title>" line per rectangle in it,
// texts as hex of their UTF-8, so that any character comes through.
const char ParserScript[] = R"(
import sys, xml.dom.minidom
doc = xml.dom.minidom.parse(sys.argv[1])
root = doc.documentElement
print("S", root.tagName, root.getAttribute("width"), root.getAttribute("height"))
def text(node):
    return "".join(c.data for c in node.childNodes if c.nodeType == c.TEXT_NODE)
def hexed(s):
    return s.encode("utf-8").hex() or "-"
titles = [t for t in doc.getElementsByTagName("title") if t.parentNode is root]
print("T", hexed(text(titles[0]) if titles else ""))
for t in doc.getElementsByTagName("text"):
    print("X", hexed(text(t)))
for g in doc.getElementsByTagName("g"):
    if not g.hasAttribute("data-device"):
        continue
    print("G", hexed(g.getAttribute("data-device")))
    for r in g.getElementsByTagName("rect"):
        t = r.getElementsByTagName("title")
        print("R", r.getAttribute("fill"), r.getAttribute("data-first"),
              r.getAttribute("data-last"), hexed(text(t[0]) if t else ""))
)";

std::string unhex(const std::string& hex) {
  if (hex == "-") return "";
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

struct Rect {
  std::string fill;
  int first = -1;
  int last = -1;
  std::string title;
};

struct Row {
  std::string device;
  std::vector<Rect> rects;
};

struct Parsed {
  bool ok = false;  // the parser read the file
  std::string root;
  int width = 0;
  int height = 0;
  std::string title;
  std::vector<std::string> texts;
  std::vector<Row> rows;
};

Parsed parsePicture(const std::string& svgPath, const std::string& scriptPath) {
  Parsed parsed;
  writeFile(scriptPath, ParserScript);
  std::string command = "python3 '" + scriptPath + "' '" + svgPath + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return parsed;
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = pclose(pipe);
  if (status != 0) {
    ADD_FAILURE() << "the picture is no well-formed XML:\n" << output;
    return parsed;
  }
  std::istringstream lines(output);
  std::string kind;
  while (lines >> kind) {
    if (kind == "S") {
      lines >> parsed.root >> parsed.width >> parsed.height;
    } else if (kind == "T") {
      std::string hex;
      lines >> hex;
      parsed.title = unhex(hex);
    } else if (kind == "X") {
      std::string hex;
      lines >> hex;
      parsed.texts.push_back(unhex(hex));
    } else if (kind == "G") {
      std::string hex;
      lines >> hex;
      parsed.rows.push_back(Row{unhex(hex), {}});
    } else if (kind == "R" && !parsed.rows.empty()) {
      Rect rect;
      std::string hex;
      lines >> rect.fill >> rect.first >> rect.last >> hex;
      rect.title = unhex(hex);
      parsed.rows.back().rects.push_back(rect);
    }
  }
  parsed.ok = true;
  return parsed;
}

class PictureTest : public ReportTest {
 protected:
  static constexpr const char* FileName = "Picture_2021-08-18.svg";

  Parsed write(const std::string& dataFileName = "day.DAT") {
    EXPECT_TRUE(writePicture(run(), header_, table_.get(), dataFileName));
    return parsePicture(options_.outputFolder + FileName, dir_.file("parse.py"));
  }

  // The band of every five-minute cell of `record`, from its roll-up.
  std::vector<SpeedBand> cellBands(const DeviceRecord& record) {
    int32_t periods = periodCount(header_);
    std::vector<RollupInterval> intervals(
        static_cast<size_t>(rollupIntervalCount(periods, PictureMinutes)));
    rollUpDevice(record, periods, PictureMinutes, intervals.data());
    std::vector<SpeedBand> bands;
    for (const RollupInterval& interval : intervals) {
      int32_t tenths = 0;
      bands.push_back(cellSpeedTenths(interval, &tenths) ? speedBand(tenths) : SpeedBand::NoData);
    }
    return bands;
  }
};

// Sets `record` to one lane of 10 vehicles with `spdTenths` over the cells
// first..last (15 periods each).
void setCells(DeviceRecord& record, int first, int last, uint16_t spdTenths) {
  for (int p = first * 15; p < (last + 1) * 15; ++p) {
    record.NumLanes[p] = 1;
    record.Volume[p] = 10;
    record.SpdTenths[p] = spdTenths;
  }
}

TEST(SpeedBand, EdgesOfTheElementReportBands) {
  struct Case {
    int32_t tenths;
    SpeedBand band;
  };
  const std::vector<Case> cases = {
      {0, SpeedBand::Stopped}, {300, SpeedBand::Stopped}, {301, SpeedBand::Slow},
      {400, SpeedBand::Slow},  {401, SpeedBand::Slowing}, {500, SpeedBand::Slowing},
      {501, SpeedBand::Free},  {6553, SpeedBand::Free},
  };
  for (const Case& c : cases) EXPECT_EQ(speedBand(c.tenths), c.band) << c.tenths;
  // Five distinct fills.
  std::vector<std::string> fills;
  for (SpeedBand band : {SpeedBand::Free, SpeedBand::Slowing, SpeedBand::Slow, SpeedBand::Stopped,
                         SpeedBand::NoData}) {
    fills.push_back(speedBandFill(band));
  }
  std::sort(fills.begin(), fills.end());
  EXPECT_EQ(std::unique(fills.begin(), fills.end()), fills.end());
}

TEST(CellSpeed, MeasuredFirstThenEstimatedRoundedAsTheRollUpPrintsThem) {
  struct Case {
    const char* what;
    uint64_t speedWeighted;
    uint32_t speedVolume;
    uint64_t estWeighted;
    uint32_t estVolume;
    bool known;
    int32_t tenths;
  };
  const std::vector<Case> cases = {
      {"measured", 6500, 10, 0, 0, true, 650},
      {"measured before estimated", 6500, 10, 300, 10, true, 650},
      // CalcSpdTenths holds whole mph.
      {"estimated when nothing is measured", 0, 0, 300, 10, true, 300},
      {"neither", 0, 0, 0, 0, false, 0},
      // Rounded half up from the exact sums, as the roll-up prints them.
      {"50.05 rounds up to 50.1", 1001, 2, 0, 0, true, 501},
      {"50.04 rounds down to 50.0", 5004, 10, 0, 0, true, 500},
      {"133.366.. rounds to 133.4", 4001, 3, 0, 0, true, 1334},
      {"estimated 50.05 rounds up to 50.1", 0, 0, 1001, 20, true, 501},
      {"estimated 3.333.. rounds to 3.3", 0, 0, 10, 3, true, 33},
  };
  for (const Case& c : cases) {
    RollupInterval interval;
    interval.speedWeighted = c.speedWeighted;
    interval.speedVolume = c.speedVolume;
    interval.estSpeedWeighted = c.estWeighted;
    interval.estSpeedVolume = c.estVolume;
    int32_t tenths = -1;
    ASSERT_EQ(cellSpeedTenths(interval, &tenths), c.known) << c.what;
    if (c.known) {
      EXPECT_EQ(tenths, c.tenths) << c.what;
    }
  }
}

TEST_F(PictureTest, RunsOfOneBandAreOneRectangleWithHoverText) {
  makeTable({{LaneName, KindLane}, {StationName, KindStation}, {TrapName, KindTrap}});
  DeviceRecord& station = device(1);
  setCells(station, 0, 83, 650);  // until 07:00
  setCells(station, 84, 84, 420);
  setCells(station, 85, 88, 455);
  setCells(station, 89, 89, 480);  // until 07:30
  setCells(station, 90, 91, 301);
  // No traffic and no speed from 07:40 to 08:00; then estimated speeds only.
  for (int p = 96 * 15; p < PeriodsPerDay; ++p) {
    station.NumLanes[p] = 1;
    station.Volume[p] = 4;
    station.CalcSpdTenths[p] = 30;  // whole mph
  }
  Parsed picture = write("day & night.DAT");
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(outputFiles(), std::vector<std::string>{FileName});
  EXPECT_EQ(logText(), "[12:34:56] - Writing speed picture to SVG file [" + options_.outputFolder +
                           FileName + "]...\n");
  EXPECT_EQ(picture.root, "svg");
  EXPECT_EQ(picture.title, "Station speeds 2021-08-18 \u2014 day & night.DAT");
  ASSERT_EQ(picture.rows.size(), 1u);
  EXPECT_EQ(picture.rows[0].device, StationName);
  struct Expected {
    const char* fill;
    int first;
    int last;
    const char* title;
  };
  const std::string name = StationName;
  const std::vector<Expected> expected = {
      {"#bcdcf0", 0, 83, "00:00-07:00 free 65.0 mph"},
      {"#f5a83a", 84, 89, "07:00-07:30 slowing 42.0-48.0 mph"},
      {"#d95f0e", 90, 91, "07:30-07:40 slow 30.1 mph"},
      {"url(#nodata)", 92, 95, "07:40-08:00 no data"},
      {"#6b0010", 96, 287, "08:00-24:00 stopped 30.0 mph"},
  };
  const std::vector<Rect>& rects = picture.rows[0].rects;
  ASSERT_EQ(rects.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(rects[i].fill, expected[i].fill) << i;
    EXPECT_EQ(rects[i].first, expected[i].first) << i;
    EXPECT_EQ(rects[i].last, expected[i].last) << i;
    EXPECT_EQ(rects[i].title, name + " " + expected[i].title) << i;
  }
}

// Random stations: the rectangles of each row cover its cells in order, each
// one the band of all its cells as the roll-up gives them, and no two
// neighbours share a band.
TEST_F(PictureTest, RectanglesFollowTheRollUpBandsOfEveryCell) {
  std::vector<std::pair<std::string, uint16_t>> devices;
  for (int i = 0; i < 12; ++i) {
    char name[NameBytes];
    snprintf(name, sizeof name, "005es1%04d:_MN____", i);
    devices.push_back({name, i % 4 == 3 ? KindLane : KindStation});
  }
  makeTable(devices);
  std::mt19937 random(7);
  for (int32_t i = 0; i < table_->size(); ++i) {
    DeviceRecord& r = device(i);
    // Speeds drift around the band edges; stretches without traffic or
    // without samples; some stations have estimates only.
    int speed = 450;
    for (int p = 0; p < PeriodsPerDay; ++p) {
      speed = std::clamp(speed + static_cast<int>(random() % 41) - 20, 0, 800);
      bool quiet = (p / 300 + i) % 5 == 0;
      r.NumLanes[p] = quiet && p % 2 ? 0 : 3;
      r.Volume[p] = quiet ? 0 : static_cast<uint16_t>(random() % 12);
      r.SpdTenths[p] = i % 3 == 2 ? 0 : static_cast<uint16_t>(speed);
      r.CalcSpdTenths[p] = static_cast<uint16_t>(speed / 10 + 1);  // whole mph
    }
  }
  Parsed picture = write();
  ASSERT_TRUE(picture.ok);
  std::vector<int32_t> stations;
  for (int32_t i = 0; i < table_->size(); ++i) {
    if (device(i).Kind == KindStation) stations.push_back(i);
  }
  ASSERT_EQ(picture.rows.size(), stations.size());
  for (size_t s = 0; s < stations.size(); ++s) {
    const DeviceRecord& record = device(stations[s]);
    const Row& row = picture.rows[s];
    EXPECT_EQ(row.device, record.Name);
    std::vector<SpeedBand> bands = cellBands(record);
    ASSERT_EQ(bands.size(), 288u);
    int next = 0;
    std::string previousFill;
    for (const Rect& rect : row.rects) {
      ASSERT_EQ(rect.first, next) << record.Name;
      ASSERT_LE(rect.first, rect.last);
      ASSERT_LT(rect.last, 288);
      for (int c = rect.first; c <= rect.last; ++c) {
        EXPECT_EQ(rect.fill, speedBandFill(bands[static_cast<size_t>(c)]))
            << record.Name << " cell " << c;
      }
      EXPECT_NE(rect.fill, previousFill) << record.Name << " at " << rect.first;
      previousFill = rect.fill;
      next = rect.last + 1;
    }
    EXPECT_EQ(next, 288) << record.Name;
    EXPECT_GT(row.rects.size(), 5u) << "the day should change bands";
  }
}

TEST_F(PictureTest, NamesFromTheFileStayWellFormed) {
  const std::string awkward = "a&b<c\"d'e>\x01\x7f\xe9:_MN_";
  makeTable({{awkward, KindStation}, {"x\ny\tz", KindStation}});
  setCells(device(0), 0, 287, 650);
  Parsed picture = write("<&\"\x02\xff.DAT");
  ASSERT_TRUE(picture.ok);
  ASSERT_EQ(picture.rows.size(), 2u);
  // Control bytes show as U+FFFD, a high byte reads as Latin-1.
  EXPECT_EQ(picture.rows[0].device, "a&b<c\"d'e>\uFFFD\uFFFD\u00e9:_MN_");
  EXPECT_EQ(picture.rows[1].device, "x\uFFFDy\uFFFDz");
  ASSERT_EQ(picture.rows[0].rects.size(), 1u);
  EXPECT_EQ(picture.rows[0].rects[0].title,
            "a&b<c\"d'e>\uFFFD\uFFFD\u00e9:_MN_ 00:00-24:00 free 65.0 mph");
  EXPECT_EQ(picture.title, "Station speeds 2021-08-18 \u2014 <&\"\uFFFD\u00ff.DAT");
}

TEST_F(PictureTest, ShortFilesEndTheirLastCellWithTheFile) {
  struct Case {
    int32_t periods;
    int cells;
    const char* span;  // of the one run that covers the day
  };
  const std::vector<Case> cases = {
      {1000, 67, "00:00-05:33:20"},  // 66 whole cells and one of 10 periods
      {15, 1, "00:00-00:05"},
      {1, 1, "00:00-00:00:20"},
  };
  for (const Case& c : cases) {
    makeTable({{StationName, KindStation}});
    setCells(device(0), 0, 287, 650);
    header_.numberOfColumns = c.periods;
    Parsed picture = write();
    ASSERT_TRUE(picture.ok) << c.periods;
    ASSERT_EQ(picture.rows.size(), 1u);
    ASSERT_EQ(picture.rows[0].rects.size(), 1u) << c.periods;
    const Rect& rect = picture.rows[0].rects[0];
    EXPECT_EQ(rect.first, 0);
    EXPECT_EQ(rect.last, c.cells - 1) << c.periods;
    EXPECT_EQ(rect.title, std::string(StationName) + " " + c.span + " free 65.0 mph");
  }
  // A file of no periods: the station's row without cells.
  header_.numberOfColumns = 0;
  Parsed empty = write();
  ASSERT_TRUE(empty.ok);
  ASSERT_EQ(empty.rows.size(), 1u);
  EXPECT_TRUE(empty.rows[0].rects.empty());
}

TEST_F(PictureTest, WithoutStationsThePictureSaysSo) {
  makeTable({{LaneName, KindLane}, {TrapName, KindTrap}});
  for (bool withTable : {true, false}) {
    if (!withTable) table_.reset();
    Parsed picture = write();
    ASSERT_TRUE(picture.ok) << withTable;
    EXPECT_TRUE(picture.rows.empty());
    EXPECT_NE(
        std::find(picture.texts.begin(), picture.texts.end(), "No stations in this data file."),
        picture.texts.end())
        << withTable;
  }
}

TEST_F(PictureTest, OpenFailureIsLogged) {
  makeTable({{StationName, KindStation}});
  mkdir((options_.outputFolder + FileName).c_str(), 0755);
  EXPECT_FALSE(writePicture(run(), header_, table_.get(), "day.DAT"));
  EXPECT_NE(logText().find("[12:34:56] E Could not open data file [" + options_.outputFolder +
                           FileName + "]! - Error = [21].\n"),
            std::string::npos);
}

// A day of 400 stations with the bands changing as traffic does (a morning
// and an evening peak, noise around them) stays a file a browser opens
// quickly.
TEST_F(PictureTest, FourHundredStationsStaySmall) {
  std::vector<std::pair<std::string, uint16_t>> devices;
  for (int i = 0; i < 400; ++i) {
    char name[NameBytes];
    snprintf(name, sizeof name, "%03des%05d:_MN____", i % 1000, i);
    devices.push_back({name, KindStation});
  }
  makeTable(devices);
  std::mt19937 random(11);
  for (int32_t i = 0; i < table_->size(); ++i) {
    DeviceRecord& r = device(i);
    for (int p = 0; p < PeriodsPerDay; ++p) {
      int hour = p / 180;
      bool peak = (hour >= 7 && hour < 9) || (hour >= 16 && hour < 18);
      int base = peak ? 250 + (i % 5) * 60 : 620;
      r.NumLanes[p] = 3;
      r.Volume[p] = static_cast<uint16_t>(hour < 5 ? random() % 2 : 5 + random() % 20);
      r.SpdTenths[p] = static_cast<uint16_t>(base + static_cast<int>(random() % 80) - 40);
    }
  }
  Parsed picture = write();
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(picture.rows.size(), 400u);
  long long size = static_cast<long long>(output(FileName).size());
  EXPECT_LT(size, 2 * 1024 * 1024);
}

}  // namespace
}  // namespace loopconv
