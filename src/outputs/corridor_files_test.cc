#include "outputs/corridor_files.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "analysis/speed_bands.h"
#include "metadata/cabinet_test_lines.h"
#include "outputs/speed_palette.h"
#include "reports/report_test_fixture.h"

namespace loopconv {
namespace {

std::string cabinetLine(const std::string& device, const std::string& roadway, char side,
                        const std::string& milepost, const std::string& location) {
  Line line;
  line.put(0, device)
      .put(11, "CB")
      .put(32, roadway)
      .put(44, std::string(1, side))
      .put(46, milepost)
      .put(54, location)
      .put(88, "ACTIVE");
  return line.text + "\r\n";
}

// Periods first .. first + count - 1 of a station: one lane, `volume` and
// `scan` per period, a trap speed where `speedTenths` is above 0.
void observe(DeviceRecord& r, int32_t first, int32_t count, uint16_t volume, uint16_t scan,
             uint16_t speedTenths) {
  for (int32_t p = first; p < first + count; ++p) {
    r.NumLanes[p] = 1;
    r.Volume[p] = volume;
    r.ScanCnt[p] = scan;
    r.SpdTenths[p] = speedTenths;
  }
}

// The measures of measures_test.cc and travel_times_test.cc, now through the
// files: corridor TEST N at mileposts 10.00, 11.00, 12.50 with trap speeds
// 60, 30, 40 mph and volumes 100, 120, 90 at 08:00 (nothing else observed),
// and TH 62 E, one station without traps: 60 free-flow intervals from
// midnight of 10 vehicles and 100 scans a period (g = (143/90) x 1500 x 15 /
// (15 x 150) = 15.889 -> 15.9 ft; estimate in tenths 450 x 150 x 15 x 159 /
// (11 x 15 x 1500) = 650.45 -> 65.0 mph) and 08:00-08:55 of 4 vehicles and
// 130 scans a period (10.83%: 450 x 60 x 15 x 159 / (11 x 15 x 1950) =
// 200.14 -> 20.0 mph).
class CorridorFilesTest : public ReportTest {
 protected:
  void SetUp() override {
    makeTable({{"005es00001:_MN____", KindStation},
               {"005es00002:_MN____", KindStation},
               {"005es00002:_MN___1", KindLane},
               {"005es00003:_MN____", KindStation},
               {"005es00004:_MN____", KindStation},
               {"005es00099:_MN____", KindStation}});
    const int32_t eight = 8 * 180;
    observe(device(0), eight, 10, 7, 12, 600);
    observe(device(0), eight + 10, 5, 6, 12, 600);
    observe(device(1), eight, 15, 8, 12, 300);
    observe(device(3), eight, 15, 6, 12, 400);
    observe(device(4), 0, 60 * 15, 10, 100, 0);
    observe(device(4), eight, 12 * 15, 4, 130, 0);
    observe(device(5), 0, 4320, 10, 100, 0);
    std::string list = "Cabinet list - 08/18/2021\r\n" +
                       cabinetLine("005es00003", "TEST", 'N', "12.5", "C ST") +
                       cabinetLine("005es00001", "TEST", 'N', "10", "A ST") +
                       cabinetLine("005es00002", "TEST", 'N', "11.00", "B \"ST\"") +
                       cabinetLine("005es00004", "TH 62", 'E', "5.00", "PARK, RIDE");
    places_ = CabinetPlaces::fromListBytes(list.data(), list.size());
  }

  std::vector<std::string> lines(const std::string& name) { return csvLines(output(name)); }

  CabinetPlaces places_;
};

TEST_F(CorridorFilesTest, HandComputedDayThroughTheFiles) {
  ASSERT_TRUE(writeCorridorOutputs(run(), header_, table_.get(), places_, "X.DAT"));
  EXPECT_EQ(outputFiles(),
            (std::vector<std::string>{"Corridor_Measures_5min_2021-08-18.csv",
                                      "Corridor_Summary_2021-08-18.csv", "Corridors_2021-08-18.csv",
                                      "Corridors_2021-08-18.svg", "TravelTimes_2021-08-18.csv"}));
  EXPECT_EQ(lines("Corridors_2021-08-18.csv"),
            (std::vector<std::string>{
                "corridor,seq,device,cabinet,roadway,side,milepost,distance_mi,segment_mi,"
                "segment_rule,location,g_ft,g_rule",
                "TEST N,1,005es00001:_MN____,005es00001,TEST,N,10.00,0.00,1.000,end,A ST,22.0,"
                "default",
                "TEST N,2,005es00002:_MN____,005es00002,TEST,N,11.00,1.00,1.250,half,"
                "\"B \"\"ST\"\"\",22.0,default",
                "TEST N,3,005es00003:_MN____,005es00003,TEST,N,12.50,2.50,1.500,end,C ST,22.0,"
                "default",
                "TH 62 E,1,005es00004:_MN____,005es00004,TH 62,E,5.00,0.00,0.500,single,"
                "\"PARK, RIDE\",15.9,calibrated"}));

  std::vector<std::string> measures = lines("Corridor_Measures_5min_2021-08-18.csv");
  ASSERT_EQ(measures.size(), 1u + 4 * 288);
  EXPECT_EQ(measures[0],
            "corridor,seq,device,interval_start,observed,volume,occupancy_pct,speed_mph,"
            "speed_source,vmt,vht,delay35_vh,delay60_vh");
  EXPECT_EQ(measures[1], "TEST N,1,005es00001:_MN____,2021-08-18T00:00:00,0,,,,,,,,");
  EXPECT_EQ(measures[1 + 96],
            "TEST N,1,005es00001:_MN____,2021-08-18T08:00:00,15,100,1.00,60.0,trap,100.00,"
            "1.667,0.000,0.000");
  EXPECT_EQ(measures[1 + 288 + 96],
            "TEST N,2,005es00002:_MN____,2021-08-18T08:00:00,15,120,1.00,30.0,trap,150.00,"
            "5.000,0.714,2.500");
  EXPECT_EQ(measures[1 + 576 + 96],
            "TEST N,3,005es00003:_MN____,2021-08-18T08:00:00,15,90,1.00,40.0,trap,135.00,"
            "3.375,0.000,1.125");
  // The estimates: 150 x 0.5 = 75.00 vehicle-miles; 75 / 65 = 1.154 h.
  EXPECT_EQ(measures[1 + 864],
            "TH 62 E,1,005es00004:_MN____,2021-08-18T00:00:00,15,150,8.33,65.0,estimate,"
            "75.00,1.154,0.000,0.000");
  // 60 x 0.5 = 30 veh-mi at 20.0 mph: 1.500 h; delays 1.5 - 30/35 =
  // 0.642857 -> 0.643 and 1.5 - 30/60 = 1.000.
  EXPECT_EQ(measures[1 + 864 + 96],
            "TH 62 E,1,005es00004:_MN____,2021-08-18T08:00:00,15,60,10.83,20.0,estimate,"
            "30.00,1.500,0.643,1.000");

  std::vector<std::string> summary = lines("Corridor_Summary_2021-08-18.csv");
  ASSERT_EQ(summary.size(), 7u);
  EXPECT_EQ(summary[1], "TEST N,day,3,2.50,385.00,385.00,10.042,0.714,3.625,38.3,0.083,4.05,08:00");
  EXPECT_EQ(summary[2], "TEST N,am,3,2.50,385.00,385.00,10.042,0.714,3.625,38.3,0.083,4.05,08:00");
  EXPECT_EQ(summary[3], "TEST N,pm,3,2.50,0.00,0.00,0.000,0.000,0.000,,0.000,,");
  // TH 62 E: 60 x 75 + 12 x 30 = 4860 veh-mi; twelve congested intervals:
  // 1.000 station-hours. A one-station corridor has no travel time.
  EXPECT_EQ(summary[6].substr(0, 31), "TH 62 E,pm,1,0.00,0.00,0.00,0.0");
  EXPECT_EQ(summary[4].substr(0, 34), "TH 62 E,day,1,0.00,4860.00,4860.00");
  EXPECT_EQ(summary[4].substr(summary[4].size() - 8), ",1.000,,");

  std::vector<std::string> travel = lines("TravelTimes_2021-08-18.csv");
  ASSERT_EQ(travel.size(), 1u + 288);
  EXPECT_EQ(travel[0], "corridor,departure,length_mi,freeflow_min,instant_min,experienced_min");
  EXPECT_EQ(travel[1 + 95], "TEST N,2021-08-18T07:55:00,2.50,2.50,,");
  EXPECT_EQ(travel[1 + 96], "TEST N,2021-08-18T08:00:00,2.50,2.50,4.05,4.05");

  // One W line for the station of a cabinet the list lacks.
  EXPECT_NE(logText().find(" W 1 station(s) of data file [X.DAT] have no usable cabinet in the "
                           "cabinet list and are left out of the corridors (first: "
                           "[005es00099])!\n"),
            std::string::npos);
}

// Reads the picture with python3's minidom (a file that is not well-formed
// fails) and prints "G <corridor hex>" per corridor group and "R <seq>
// <first> <last> <fill>" per cell rectangle in it.
const char ParserScript[] = R"(
import sys, xml.dom.minidom
doc = xml.dom.minidom.parse(sys.argv[1])
for g in doc.getElementsByTagName("g"):
    if not g.hasAttribute("data-corridor"):
        continue
    print("G", g.getAttribute("data-corridor").encode("utf-8").hex())
    for r in g.getElementsByTagName("rect"):
        if r.hasAttribute("data-seq"):
            print("R", r.getAttribute("data-seq"), r.getAttribute("data-first"),
                  r.getAttribute("data-last"), r.getAttribute("fill"))
)";

// The fill a cell must have from its measures row.
std::string expectedFill(const std::string& row) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : row) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  fields.push_back(field);
  const std::string& speed = fields[7];
  if (speed.empty()) return bandStyle(SpeedBand::NoData).fill;
  std::string digits = speed;
  digits.erase(digits.find('.'), 1);
  SpeedBand band = speedBand(std::stoi(digits));
  if (fields[8] == "estimate") return "url(#est" + std::to_string(static_cast<int>(band)) + ")";
  return bandStyle(band).fill;
}

TEST_F(CorridorFilesTest, PictureHasOneGroupPerCorridorAndCellsAgreeWithTheMeasures) {
  ASSERT_TRUE(writeCorridorOutputs(run(), header_, table_.get(), places_, "X.DAT"));
  writeFile(dir_.file("parse.py"), ParserScript);
  std::string command = "python3 '" + dir_.file("parse.py") + "' '" + options_.outputFolder +
                        "Corridors_2021-08-18.svg' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ASSERT_EQ(pclose(pipe), 0) << out;

  // Every measures row's cell, keyed "corridor/seq/interval".
  std::vector<std::string> measures = lines("Corridor_Measures_5min_2021-08-18.csv");
  std::map<std::string, std::string> fills;
  for (size_t i = 1; i < measures.size(); ++i) {
    const std::string& row = measures[i];
    size_t comma = row.find(',');
    size_t seqEnd = row.find(',', comma + 1);
    std::string key = row.substr(0, seqEnd) + "/" + std::to_string((i - 1) % 288);
    fills[key] = expectedFill(row);
  }
  std::istringstream parsed(out);
  std::string kind;
  std::vector<std::string> groups;
  size_t covered = 0;
  while (parsed >> kind) {
    if (kind == "G") {
      std::string hex;
      parsed >> hex;
      std::string name;
      for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        name.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
      }
      groups.push_back(name);
      continue;
    }
    ASSERT_EQ(kind, "R");
    ASSERT_FALSE(groups.empty());
    int seq, first, last;
    std::string fill;
    parsed >> seq >> first >> last >> fill;
    for (int i = first; i <= last; ++i) {
      std::string key = groups.back() + "," + std::to_string(seq) + "/" + std::to_string(i);
      auto at = fills.find(key);
      ASSERT_NE(at, fills.end()) << key;
      EXPECT_EQ(fill, at->second) << key;
      fills.erase(at);  // each cell drawn once
      ++covered;
    }
  }
  EXPECT_EQ(groups, (std::vector<std::string>{"TEST N", "TH 62 E"}));
  EXPECT_EQ(covered, 4u * 288);
  EXPECT_TRUE(fills.empty());
  // Both kinds of cells were seen: trap at 08:00 and estimated ones.
  std::string svg = output("Corridors_2021-08-18.svg");
  EXPECT_NE(svg.find("fill=\"url(#est0)\""), std::string::npos);
  EXPECT_NE(svg.find("fill=\"url(#est3)\""), std::string::npos);
  EXPECT_NE(svg.find("day: VMT 385.00, VHT 10.042, delay at 60 mph 3.625 veh-h, worst travel "
                     "time 4.05 min at 08:00"),
            std::string::npos);
}

TEST_F(CorridorFilesTest, WithoutATableOrCorridorsOnlyHeaders) {
  ASSERT_TRUE(writeCorridorOutputs(run(), header_, nullptr, places_, "X.DAT"));
  EXPECT_EQ(lines("Corridor_Summary_2021-08-18.csv").size(), 1u);
  EXPECT_EQ(lines("TravelTimes_2021-08-18.csv").size(), 1u);
  EXPECT_NE(output("Corridors_2021-08-18.svg").find("No station"), std::string::npos);
  // A date that is no date: an E line, nothing written.
  strcpy(header_.dataStart, "18.08.2021");
  std::filesystem::remove_all(options_.outputFolder);
  std::filesystem::create_directory(options_.outputFolder);
  EXPECT_FALSE(writeCorridorOutputs(run(), header_, table_.get(), places_, "X.DAT"));
  EXPECT_TRUE(outputFiles().empty());
  EXPECT_NE(logText().find(" E Corridors need a Data Start date"), std::string::npos);
}

}  // namespace
}  // namespace loopconv
