#include "sample/cabinet_list_writer.h"

#include <cstdio>

#include "sample/sample_random.h"

namespace loopconv {
namespace {

using Random = SampleRandom;

const char* const kRoadways[] = {"I-35W",  "I-35E", "I-94",   "I-494", "I-694",
                                 "US 169", "TH 62", "TH 100", "TH 77", "MAIN ST"};
const char kSides[] = {'N', 'S', 'E', 'W'};
// Some locations hold commas, as real lists do.
const char* const kLocations[] = {
    "ELM ST, NORTH", "W OF 50TH ST", "AT CEDAR AVE", "OAK AVE, S RAMP", "N OF I-94",
    "LAKE ST, EAST", "66TH ST",      "E OF LYNDALE", "PARK, RIDE LOT",  "BRIDGE 27831"};
const char* const kStatuses[] = {"ACTIVE", "ACTIVE", "ACTIVE", "INACTIVE", "OFFLINE", "PLANNED"};

// The port column in the layouts found in lists: right-aligned, left-aligned
// or between blanks.
void portText(Random& random, char (&out)[8]) {
  int port = random.between(1, 64);
  switch (random.between(0, 2)) {
    case 0: snprintf(out, sizeof out, "%7d", port); break;
    case 1: snprintf(out, sizeof out, "%-7d", port); break;
    default: snprintf(out, sizeof out, "   %-4d", port); break;
  }
}

}  // namespace

std::string buildCabinetList(const std::vector<CabinetLine>& cabinets, const std::string& date,
                             uint64_t seed) {
  Random random(seed);
  std::string text = "Cabinet list - " + date + "\r\n";
  text +=
      "Device     Alias   Port    Addr Roadway     S Milepo  Location         "
      "Ver Lps St Tr Ml Status   \r\n";
  text +=
      "========== ======= ======= ==== =========== = ======  ================ "
      "=== === == == == =========\r\n";
  char line[200];
  for (const CabinetLine& c : cabinets) {
    char port[8];
    portText(random, port);
    int milepost = c.milepost < 0 ? 0 : c.milepost > 99999 ? 99999 : c.milepost;
    // Fixed columns: Device 0-9, Alias 11-17, Port 19-25, Address 27-30,
    // Roadway 32-42, Side 44, Milepost 46-51, Location 54-69, Version 71-73,
    // Loops 75-77, Stations 79-80, Speedtraps 82-83, Meteredlanes 85-86,
    // Status 88-96.
    snprintf(line, sizeof line,
             "%-10.10s CB%-5.5s %7.7s %4d %-11.11s %c %3d.%02d  %-16.16s %3d %3d "
             "%2d %2d %2d %-9.9s\r\n",
             c.name.c_str(), c.name.size() > 5 ? c.name.c_str() + 5 : "", port,
             random.between(1, 255), c.roadway.c_str(), c.side, milepost / 100, milepost % 100,
             c.location.c_str(), random.between(1, 12), c.loops % 1000, c.stations % 100,
             c.speedtraps % 100, c.meteredLanes % 100, c.status.c_str());
    text += line;
  }
  return text;
}

std::string buildCabinetList(const std::vector<std::string>& cabinets, const std::string& date,
                             uint64_t seed) {
  Random random(seed ^ 0xCAB1E7ull);
  std::vector<CabinetLine> lines;
  for (const std::string& name : cabinets) {
    CabinetLine c;
    c.name = name;
    c.stations = random.between(1, 6);
    int loopsPerStation = random.between(1, 4);
    c.speedtraps = random.between(0, c.stations);
    c.meteredLanes = random.between(0, 2);
    c.loops = c.stations * loopsPerStation + 2 * c.speedtraps;
    c.milepost = random.between(0, 29999);
    c.roadway = random.pick(kRoadways);
    c.side = kSides[random.below(4)];
    c.location = random.pick(kLocations);
    c.status = random.pick(kStatuses);
    lines.push_back(c);
  }
  return buildCabinetList(lines, date, seed);
}

}  // namespace loopconv
