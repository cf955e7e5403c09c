#include "datafile/trap_transfer.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile_test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

const std::string Trap = "005es17329:_MN__T1";
const std::string Lane = "005es17329:_MN___1";
const std::string MarkedLane = "005es17329:MMN___1";
const std::string SpeedLoop = "005es17329:_MN__S1";

// A table of the named devices; every record's trap planes carry its index
// + 1, so a copy shows where it came from. Volume marks the record as well.
std::unique_ptr<DeviceTable> table(const std::vector<std::string>& names) {
  auto t = DeviceTable::create(static_cast<int32_t>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    DeviceRecord& d = (*t)[static_cast<int32_t>(i)];
    memcpy(d.Name, names[i].data(), std::min<size_t>(names[i].size(), NameBytes - 1));
    d.Kind = names[i].size() > 16 && names[i][16] == 'T' ? KindTrap : KindLane;
    uint16_t mark = static_cast<uint16_t>(i + 1);
    for (int p = 0; p < PeriodsPerDay; ++p) {
      d.SpdTenths[p] = d.LenTenths[p] = d.Bin1[p] = d.Bin2[p] = d.Bin3[p] = d.Bin4[p] = mark;
      d.SpdFlag[p] = d.SpdFlag2[p] = mark;
      d.SpdNPds[p] = static_cast<uint8_t>(mark);
      d.Volume[p] = static_cast<uint16_t>(100 + i);
    }
  }
  return t;
}

// The record whose trap planes it now holds (its index + 1 when untouched).
int source(const DeviceRecord& d) {
  int mark = d.SpdTenths[0];
  for (int p : {0, 1, 180, PeriodsPerDay - 1}) {
    if (d.SpdTenths[p] != mark || d.LenTenths[p] != mark || d.Bin1[p] != mark ||
        d.Bin2[p] != mark || d.Bin3[p] != mark || d.Bin4[p] != mark || d.SpdFlag[p] != mark ||
        d.SpdFlag2[p] != mark || d.SpdNPds[p] != mark) {
      return -1;
    }
  }
  return mark;
}

std::string transferLine(int traps, int lanes, int loops) {
  return "[11:22:33] - Processed [" + std::to_string(traps) + "] Traps into [" +
         std::to_string(lanes) + "] _x Lanes and Sx Lanes [" + std::to_string(loops) +
         "] in file [day.DAT]...\n";
}

TrapCounts run(DeviceTable& t, std::string* log) {
  LogCapture capture;
  TrapCounts counts = transferTrapData(t, "day.DAT", capture.log);
  *log = capture.text();
  return counts;
}

TEST(TrapTransferTest, CountsAreZeroWithoutTraps) {
  std::string log;
  auto t = table({Lane, SpeedLoop, "005es17329:_MN__R1"});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(0, 0, 0));
  EXPECT_EQ(source((*t)[0]), 1);
  auto empty = DeviceTable::create(0);
  run(*empty, &log);
  EXPECT_EQ(log, transferLine(0, 0, 0));
}

TEST(TrapTransferTest, LaneAndSpeedLoopAreFoundInEitherOrder) {
  std::string log;
  auto t = table({Lane, SpeedLoop, Trap});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 1, 1));
  EXPECT_EQ(source((*t)[0]), 3);  // whole planes, every period
  EXPECT_EQ(source((*t)[1]), 3);
  EXPECT_EQ((*t)[0].Volume[0], 100);  // nothing else of the lane changes

  t = table({Trap, SpeedLoop, "other", Lane});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 1, 1));
  EXPECT_EQ(source((*t)[1]), 1);
  EXPECT_EQ(source((*t)[2]), 3);
  EXPECT_EQ(source((*t)[3]), 1);
}

TEST(TrapTransferTest, TheSearchEndsOnceBothKindsAreFound) {
  std::string log;
  // Both lane names before the speed loop: both receive the copy.
  auto t = table({Lane, MarkedLane, Trap});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 2, 0));
  EXPECT_EQ(source((*t)[0]), 3);
  EXPECT_EQ(source((*t)[1]), 3);

  // The marked lane after the point where both kinds were found: left alone.
  t = table({Lane, SpeedLoop, MarkedLane, Trap, SpeedLoop});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 1, 1));
  EXPECT_EQ(source((*t)[2]), 3);
  EXPECT_EQ(source((*t)[4]), 5);
  EXPECT_EQ(source((*t)[0]), 4);

  // Two speed loops before the lane: both get it.
  t = table({SpeedLoop, SpeedLoop, Lane, Trap});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 1, 2));
}

TEST(TrapTransferTest, NamesDecideAndTheLaterTrapWins) {
  std::string log;
  // The kind is not looked at: a lane-kind record with 'T' at 16 is a trap.
  // The second trap names the marked lane first, the first trap second.
  const std::string markedTrap = "005es17329:MMN__T1";
  auto t = table({Trap, MarkedLane, markedTrap});
  (*t)[2].Kind = KindLane;
  run(*t, &log);
  EXPECT_EQ(log, transferLine(2, 2, 0));
  EXPECT_EQ(source((*t)[1]), 3);

  // Names compare whole and case-sensitively.
  t = table({Trap, "005es17329:_MN___2", Lane.substr(0, 17), "005es17329:_mn___1"});
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 0, 0));

  // 'T' stored past the end of a short name still makes a trap; the names
  // formed from it end at its terminator, so it matches itself and the
  // lane of the same short name. The copy onto itself changes nothing.
  t = table({"ABC", "XYZ"});
  (*t)[0].Name[NameTypePosition] = 'T';
  run(*t, &log);
  EXPECT_EQ(log, transferLine(1, 1, 0));
  EXPECT_EQ(source((*t)[0]), 1);
}

TEST(TrapTransferTest, CopyTrapPlanesCopiesTheNinePlanesOnly) {
  auto t = table({Trap, Lane});
  (*t)[1].EstLength[5] = 77;
  (*t)[1].NumLanes[5] = 3;
  copyTrapPlanes(*t, 0, 1);
  EXPECT_EQ(source((*t)[1]), 1);
  EXPECT_EQ((*t)[1].EstLength[5], 77);
  EXPECT_EQ((*t)[1].NumLanes[5], 3);
  EXPECT_EQ((*t)[1].Volume[5], 101);
  EXPECT_STREQ((*t)[1].Name, Lane.c_str());
}

// The plain scan that the transfer is defined by: for each trap, every
// record from the first, until both kinds were found. Returns, for each
// record, which record's trap planes it ends with (index + 1).
std::vector<int> scanReference(const DeviceTable& t, TrapCounts* counts) {
  int32_t n = t.size();
  std::vector<int> from(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) from[static_cast<size_t>(i)] = i + 1;
  auto formed = [](const char* name, char type, char mark) {
    char text[NameBytes];
    memcpy(text, name, NameBytes);
    text[NameTypePosition] = type;
    if (mark != '\0') text[11] = mark;
    text[NameBytes - 1] = '\0';
    return std::string(text, strnlen(text, NameBytes));
  };
  for (int32_t trap = 0; trap < n; ++trap) {
    const char* name = t[trap].Name;
    if (name[NameTypePosition] != 'T') continue;
    ++counts->traps;
    std::string lane = formed(name, '_', '\0'), marked = formed(name, '_', 'M');
    std::string loop = formed(name, 'S', '\0');
    bool laneFound = false, loopFound = false;
    for (int32_t d = 0; d < n && !(laneFound && loopFound); ++d) {
      std::string other(t[d].Name, strnlen(t[d].Name, NameBytes));
      if (other == lane || other == marked) {
        from[static_cast<size_t>(d)] = from[static_cast<size_t>(trap)];
        ++counts->laneCopies;
        laneFound = true;
      } else if (other == loop) {
        from[static_cast<size_t>(d)] = from[static_cast<size_t>(trap)];
        ++counts->speedCopies;
        loopFound = true;
      }
    }
  }
  return from;
}

// The transfer looks names up in a sorted index rather than scanning the
// table once per trap (a file of many traps without lanes would otherwise
// take time in the square of its size). On random tables full of repeated,
// short, unterminated and look-alike names it must give what the plain scan
// gives: the same counts and the same planes in every record.
TEST(TrapTransferTest, IndexedLookupGivesWhatThePlainScanGives) {
  std::mt19937_64 random(1729);
  const char* pieces[] = {"005es17329:_MN__T1",
                          "005es17329:_MN___1",
                          "005es17329:MMN___1",
                          "005es17329:_MN__S1",
                          "005es17329:MMN__T1",
                          "005es17329:MMN__S1",
                          "005es17329:_MN__T2",
                          "005es17329:_MN___2",
                          "AB",
                          "ABC"};
  int tables = 0, copies = 0;
  for (int round = 0; round < 300; ++round) {
    int32_t n = 1 + static_cast<int32_t>(random() % 16);
    std::unique_ptr<DeviceTable> t = DeviceTable::create(n);
    ASSERT_NE(t, nullptr);
    for (int32_t i = 0; i < n; ++i) {
      DeviceRecord& d = (*t)[i];
      const char* piece = pieces[random() % std::size(pieces)];
      memcpy(d.Name, piece, strlen(piece));
      // Now and then a stored 'T', '_' or 'S' past a short name's end, or a
      // name of 19 bytes without terminator.
      switch (random() % 6) {
        case 0: d.Name[NameTypePosition] = "T_S"[random() % 3]; break;
        case 1: d.Name[18] = 'x'; break;
        default: break;
      }
      uint16_t mark = static_cast<uint16_t>(i + 1);
      for (int p : {0, 1, 180, PeriodsPerDay - 1}) {
        d.SpdTenths[p] = d.LenTenths[p] = d.Bin1[p] = d.Bin2[p] = d.Bin3[p] = d.Bin4[p] = mark;
        d.SpdFlag[p] = d.SpdFlag2[p] = mark;
        d.SpdNPds[p] = static_cast<uint8_t>(mark);
      }
    }
    TrapCounts expected;
    std::vector<int> from = scanReference(*t, &expected);
    std::string log;
    TrapCounts got = run(*t, &log);
    ASSERT_EQ(got.traps, expected.traps) << round;
    ASSERT_EQ(got.laneCopies, expected.laneCopies) << round;
    ASSERT_EQ(got.speedCopies, expected.speedCopies) << round;
    for (int32_t i = 0; i < n; ++i) {
      ASSERT_EQ(source((*t)[i]), from[static_cast<size_t>(i)]) << round;
    }
    tables += expected.traps > 0;
    copies += expected.laneCopies + expected.speedCopies;
  }
  EXPECT_GT(tables, 200);
  EXPECT_GT(copies, 500);
}

}  // namespace
}  // namespace loopconv
