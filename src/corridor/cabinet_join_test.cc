#include "corridor/cabinet_join.h"

#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "metadata/cabinet_test_lines.h"

namespace loopconv {
namespace {

bool milepost(const std::string& text, int32_t* hundredths) {
  return parseMilepost(text, hundredths);
}

TEST(CabinetJoinTest, MilepostsArePlainDecimalsWithUpToTwoPlaces) {
  int32_t h = -1;
  EXPECT_TRUE(milepost("12", &h));
  EXPECT_EQ(h, 1200);
  EXPECT_TRUE(milepost("12.3", &h));
  EXPECT_EQ(h, 1230);
  EXPECT_TRUE(milepost("0.05", &h));
  EXPECT_EQ(h, 5);
  EXPECT_TRUE(milepost("12.", &h));  // a point and no decimals: up to two
  EXPECT_EQ(h, 1200);
  EXPECT_TRUE(milepost("999.99", &h));
  EXPECT_EQ(h, 99999);
  for (const char* bad :
       {"", ".5", "-1.00", "+1", "1.234", "1,5", "1.2a", "1 2", "1..2", "12345678901234567890"}) {
    EXPECT_FALSE(milepost(bad, &h)) << bad;
  }
}

std::string cabinetLine(const std::string& device, const std::string& roadway,
                        const std::string& side, const std::string& milepost,
                        const std::string& location) {
  Line line;
  line.put(0, device)
      .put(11, "CB00001")
      .put(32, roadway)
      .put(44, side)
      .put(46, milepost)
      .put(54, location)
      .put(88, "ACTIVE");
  return line.text + "\r\n";
}

TEST(CabinetJoinTest, ListKeepsUsableCabinetsAndTheFirstLineOfEachName) {
  std::string list = "Cabinet list - 08/18/2021\r\nDevice     Alias\r\n";
  list += cabinetLine("005es00001", "I-35W", "S", "12.50", "ELM ST, NORTH");
  list += cabinetLine("005es00002", "", "S", "13.00", "no roadway");
  list += cabinetLine("005es00003", "I-35W", "X", "13.00", "bad side");
  list += cabinetLine("005es00004", "I-35W", "n", "13.00", "lower-case side");
  list += cabinetLine("005es00005", "I-35W", "N", "13.0a", "bad milepost");
  list += cabinetLine("005es00001", "TH 62", "E", "1.00", "named again");
  list += cabinetLine("005es00006", "  TH 62 ", "E", " 7", "");
  CabinetPlaces places = CabinetPlaces::fromListBytes(list.data(), list.size());
  EXPECT_EQ(places.size(), 2u);
  EXPECT_EQ(places.leftOut(), 4);
  const CabinetPlace* first = places.find("005es00001");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->roadway, "I-35W");
  EXPECT_EQ(first->side, 'S');
  EXPECT_EQ(first->milepostHundredths, 1250);
  EXPECT_EQ(first->location, "ELM ST, NORTH");  // the comma kept
  EXPECT_EQ(first->status, "ACTIVE");
  const CabinetPlace* sixth = places.find("005es00006");
  ASSERT_NE(sixth, nullptr);
  EXPECT_EQ(sixth->roadway, "TH 62");
  EXPECT_EQ(sixth->milepostHundredths, 700);
  for (const char* missing :
       {"005es00002", "005es00003", "005es00004", "005es00005", "005es0000", "005es000011", ""}) {
    EXPECT_EQ(places.find(missing), nullptr) << missing;
  }
  // An empty list, or bytes without cabinet lines, places nothing.
  EXPECT_EQ(CabinetPlaces::fromListBytes("", 0).size(), 0u);
  EXPECT_EQ(CabinetPlaces::fromListBytes("\0\0es\n", 5).size(), 0u);
}

TEST(CabinetJoinTest, StationsJoinByCabinetAndTheUnplacedAreCounted) {
  std::string list = cabinetLine("005es00001", "I-35W", "S", "12.50", "") +
                     cabinetLine("005es00002", "I-35W", "S", "11.50", "") +
                     cabinetLine("005es00009", "I-35W", "Q", "11.50", "");
  CabinetPlaces places = CabinetPlaces::fromListBytes(list.data(), list.size());
  const char* names[] = {"005es00001:_MN____", "005es00001:_MN___1", "005es00003:_MN____",
                         "005es00002:_MN____", "005es00009:_MN____", "005es00003:_MS____",
                         "005es00004:_MN____", "005es00005:_MN____", "005es"};
  const uint16_t kinds[] = {KindStation, KindLane,    KindStation, KindStation, KindStation,
                            KindStation, KindStation, KindStation, KindStation};
  auto table = DeviceTable::create(9);
  ASSERT_NE(table, nullptr);
  for (int32_t i = 0; i < 9; ++i) {
    strncpy((*table)[i].Name, names[i], NameBytes - 1);
    (*table)[i].Kind = kinds[i];
  }
  StationJoin join = joinStations(*table, places);
  ASSERT_EQ(join.stations.size(), 2u);
  EXPECT_EQ(join.stations[0].tableIndex, 0);
  EXPECT_EQ(join.stations[0].device, "005es00001:_MN____");
  EXPECT_EQ(join.stations[1].tableIndex, 3);
  EXPECT_EQ(join.stations[1].place->milepostHundredths, 1150);
  // 00003 twice, 00009 (left out), 00004, 00005 and the short name: six
  // stations, the first three cabinets named once each.
  EXPECT_EQ(join.unplaced, 6);
  EXPECT_EQ(join.firstUnplaced,
            (std::vector<std::string>{"005es00003", "005es00009", "005es00004"}));
}

}  // namespace
}  // namespace loopconv
