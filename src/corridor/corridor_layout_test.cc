#include "corridor/corridor_layout.h"

#include <deque>
#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

// Builds joined stations whose places live as long as the builder.
struct Stations {
  std::deque<CabinetPlace> places;
  std::vector<JoinedStation> stations;

  Stations& add(const std::string& device, const std::string& roadway, char side,
                int32_t milepostHundredths) {
    CabinetPlace place;
    place.cabinet = device.substr(0, 10);
    place.roadway = roadway;
    place.side = side;
    place.milepostHundredths = milepostHundredths;
    places.push_back(place);
    JoinedStation station;
    station.tableIndex = static_cast<int32_t>(stations.size());
    station.device = device;
    station.place = &places.back();
    stations.push_back(station);
    return *this;
  }
};

// "device distance segment rule" of each station, in corridor order.
std::vector<std::string> rows(const Corridor& corridor) {
  std::vector<std::string> out;
  for (const CorridorStation& s : corridor.stations) {
    out.push_back(s.station.device + " " + std::to_string(s.distanceHundredths) + " " +
                  std::to_string(s.segmentThousandths()) + " " + segmentRuleText(s.rule));
  }
  return out;
}

TEST(CorridorLayoutTest, NorthboundRunsUpTheMilepostsWithHalfGapsAndEnds) {
  Stations s;
  s.add("c3", "I-35W", 'N', 1250).add("c1", "I-35W", 'N', 1000).add("c2", "I-35W", 'N', 1100);
  std::vector<Corridor> corridors = layOutCorridors(s.stations);
  ASSERT_EQ(corridors.size(), 1u);
  EXPECT_EQ(corridors[0].name, "I-35W N");
  // Gaps 1.00 and 1.50: halves 0.5 and 0.75; each end doubles its one half.
  EXPECT_EQ(rows(corridors[0]),
            (std::vector<std::string>{"c1 0 1000 end", "c2 100 1250 half", "c3 250 1500 end"}));
  EXPECT_EQ(corridors[0].lengthHundredths(), 250);
  EXPECT_EQ(corridors[0].stations[1].upstreamThousandths, 500);
  EXPECT_EQ(corridors[0].stations[1].downstreamThousandths, 750);
}

TEST(CorridorLayoutTest, SouthAndWestRunDownTheMilepostsTiesByDeviceName) {
  Stations s;
  s.add("b", "TH 62", 'W', 500)
      .add("a", "TH 62", 'W', 500)
      .add("c", "TH 62", 'W', 720)
      .add("z", "TH 62", 'E', 500)
      .add("y", "TH 62", 'E', 500)
      .add("x", "TH 62", 'S', 10);
  std::vector<Corridor> corridors = layOutCorridors(s.stations);
  ASSERT_EQ(corridors.size(), 3u);
  // Byte order of the names.
  EXPECT_EQ(corridors[0].name, "TH 62 E");
  EXPECT_EQ(corridors[1].name, "TH 62 S");
  EXPECT_EQ(corridors[2].name, "TH 62 W");
  // Westbound: 7.20 first; the tie at 5.00 by ascending name in both directions.
  EXPECT_EQ(rows(corridors[2]),
            (std::vector<std::string>{"c 0 2200 end", "a 220 1100 half", "b 220 0 end"}));
  // Two stations at one milepost: a length of 0, segments of 0.
  EXPECT_EQ(rows(corridors[0]), (std::vector<std::string>{"y 0 0 end", "z 0 0 end"}));
  // A one-station corridor has half a mile.
  EXPECT_EQ(rows(corridors[1]), (std::vector<std::string>{"x 0 500 single"}));
}

TEST(CorridorLayoutTest, HalvesAreCappedAtOneAndAHalfMilesButNotAtExactlyThat) {
  Stations s;
  // Gaps 3.00 (halves of exactly 1.5), 3.01 (capped), 0.40.
  s.add("a", "US 169", 'E', 0)
      .add("b", "US 169", 'E', 300)
      .add("c", "US 169", 'E', 601)
      .add("d", "US 169", 'E', 641);
  std::vector<Corridor> corridors = layOutCorridors(s.stations);
  ASSERT_EQ(corridors.size(), 1u);
  EXPECT_EQ(rows(corridors[0]), (std::vector<std::string>{"a 0 3000 end", "b 300 3000 capped",
                                                          "c 601 1700 capped", "d 641 400 end"}));
  // A first station whose one half is capped is capped on both sides.
  Stations far;
  far.add("a", "I-94", 'S', 1000).add("b", "I-94", 'S', 0);
  EXPECT_EQ(rows(layOutCorridors(far.stations)[0]),
            (std::vector<std::string>{"a 0 3000 capped", "b 1000 3000 capped"}));
}

}  // namespace
}  // namespace loopconv
