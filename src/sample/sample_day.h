// Sample days: a small traffic simulation of a network of corridors (its
// roads from the seed, its day from the date) measured by the detectors of
// a real centre and written as one data file, with the cabinet list of the
// same cabinets and the truth the detectors only measure.
#ifndef LOOPCONV_SAMPLE_SAMPLE_DAY_H_
#define LOOPCONV_SAMPLE_SAMPLE_DAY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "datafile/device_table.h"
#include "sample/cabinet_list_writer.h"
#include "sample/demand_profile.h"
#include "sample/road_network.h"
#include "sample/truth_file.h"

namespace loopconv {

struct SampleDevice {
  std::string name;
  uint16_t kind;
};

// Where a station of the file lies in the network.
struct SampleStation {
  std::string device;  // its name, "005es01076:_MN_S00"
  int corridor = 0;    // index into network.corridors
  int station = 0;     // index into that corridor's stations
  // A lane of it is faulty all day or down for an hour: its measured sums
  // are not the traffic's.
  bool faultInjected = false;
};

struct SampleDay {
  std::string fileName;  // "PELMA20Sec_MMDDYYYY.DAT"
  std::string bytes;
  std::vector<SampleDevice> devices;      // in table order
  std::vector<std::string> cabinets;      // the 10-character cabinet names, in order
  std::vector<CabinetLine> cabinetLines;  // what the cabinet list says of each
  RoadNetwork network;                    // the corridors of the file (the last may be cut short)
  int completeCorridors = 0;              // the first ones, whose every device is in the file
  DayConditions conditions;               // the date's demand, peaks, incidents and outages
  std::vector<SampleStation> stations;    // every station device of the file, in order
  std::vector<StationTruth> truth;        // their five-minute truth, station after station
};

// True for a date written MM/DD/YYYY with a plausible month and day.
bool isSampleDate(const std::string& date);

// The most devices a sample day holds.
constexpr int MaxSampleDevices = 1000000;

// A day of `deviceCount` devices (at most MaxSampleDevices): the network of
// layOutNetwork(seed), its traffic simulated over the first `columns`
// periods of `date` (MM/DD/YYYY, see isSampleDate), measured and cut after
// `deviceCount` devices. Every cabinet name has "es" at positions 3 and 4 and
// is unique; a device is named after its cabinet (the 10 characters before
// its ':'), with its corridor's side at position 13. The same arguments give
// the same bytes.
SampleDay generateSampleDay(int deviceCount, const std::string& date, uint64_t seed,
                            int32_t columns = PeriodsPerDay);

// The cabinet list of a sample day (the same for every date of one seed
// apart from its date line).
std::string sampleCabinetList(const SampleDay& day, const std::string& date, uint64_t seed);

}  // namespace loopconv

#endif  // LOOPCONV_SAMPLE_SAMPLE_DAY_H_
