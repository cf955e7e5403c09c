#include "sample/cell_transmission.h"

#include <algorithm>
#include <cmath>

namespace loopconv {
namespace {

constexpr double StepHours = SimulationStepSeconds / 3600.0;
constexpr double RampLaneCapacity = 1900.0;  // vehicles per hour per ramp lane
// Share of a lane's capacity left to the other lanes beside a blockage
// (onlookers slow down too).
constexpr double BlockedLaneFactor = 0.85;
// A queue discharges below the capacity of the place it queues for (the
// capacity drop): drivers leaving a queue keep longer gaps.
constexpr double QueueDischargeFactor = 0.94;

// A boundary between cells: what happens where one cell hands over to the
// next. Boundary b lies at the upstream edge of cell b; the last one is the
// corridor's downstream end.
struct Boundary {
  double exitShare = 0;       // off-ramps: share of the arriving flow that leaves
  int onRamp = -1;            // on-ramp merging here (index into corridor.ramps)
  std::vector<int> stations;  // stations measuring the flow that crosses here
};

struct Road {
  std::vector<double> length;  // miles
  std::vector<double> lanes;
  std::vector<Boundary> boundaries;  // cells + 1
};

// Cuts the corridor into cells: every station, ramp and lane change sits on a
// boundary, and between two such places the cells are of equal length, at
// least the free-flow distance of a step. A place closer than that to the
// previous boundary is moved onto it.
Road cutIntoCells(const RoadCorridor& c) {
  const double minCell = c.freeFlowMph * StepHours;
  struct Place {
    double position;
    int station;  // or -1
    int ramp;     // or -1
  };
  std::vector<Place> places;
  for (size_t i = 0; i < c.stations.size(); ++i) {
    places.push_back({c.stations[i].position, static_cast<int>(i), -1});
  }
  for (size_t i = 0; i < c.ramps.size(); ++i) {
    places.push_back({c.ramps[i].position, -1, static_cast<int>(i)});
  }
  for (const LaneChange& change : c.laneChanges) places.push_back({change.position, -1, -1});
  std::stable_sort(places.begin(), places.end(),
                   [](const Place& a, const Place& b) { return a.position < b.position; });

  Road road;
  road.boundaries.emplace_back();
  double at = 0.0;  // position of the last boundary
  auto addCells = [&](double to) {
    int count = std::max(1, static_cast<int>((to - at) / minCell));
    double each = (to - at) / count;
    for (int i = 0; i < count; ++i) {
      double middle = at + (i + 0.5) * each;
      road.length.push_back(each);
      road.lanes.push_back(c.lanesAt(middle));
      road.boundaries.emplace_back();
    }
    at = to;
  };
  for (const Place& place : places) {
    if (place.position - at >= minCell) addCells(place.position);
    Boundary& b = road.boundaries.back();
    if (place.station >= 0) b.stations.push_back(place.station);
    if (place.ramp >= 0) {
      const RampSite& ramp = c.ramps[static_cast<size_t>(place.ramp)];
      if (ramp.kind == RampKind::Off) {
        b.exitShare = 1.0 - (1.0 - b.exitShare) * (1.0 - ramp.exitShare);
      } else if (b.onRamp < 0) {
        b.onRamp = place.ramp;
      }
    }
  }
  addCells(std::max(c.lengthMiles, at + minCell));
  // Nothing is measured or merged at the very upstream edge (the entry).
  if (road.boundaries.size() > 1) {
    Boundary& first = road.boundaries[0];
    Boundary& second = road.boundaries[1];
    second.stations.insert(second.stations.end(), first.stations.begin(), first.stations.end());
    first.stations.clear();
  }
  return road;
}

double median(double a, double b, double c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

}  // namespace

CorridorFlows simulateCorridor(const RoadCorridor& c, const SimulatedCorridorDay& day,
                               int32_t periods) {
  Road road = cutIntoCells(c);
  const size_t cells = road.length.size();
  const double vf = c.freeFlowMph;
  const double q = c.capacityPerLane;
  const double critical = q / vf;                     // density at capacity, per lane
  const double wave = q / (c.jamDensity - critical);  // backward wave speed, mph

  CorridorFlows out;
  out.stations.resize(c.stations.size());
  for (StationFlow& s : out.stations) {
    s.vehicles.assign(static_cast<size_t>(std::max(periods, 0)), 0.0f);
    s.density.assign(static_cast<size_t>(std::max(periods, 0)), 0.0f);
  }
  out.ramps.resize(c.ramps.size());
  for (size_t r = 0; r < c.ramps.size(); ++r) {
    if (c.ramps[r].kind != RampKind::On) continue;
    RampFlow& f = out.ramps[r];
    f.arrivals.assign(static_cast<size_t>(std::max(periods, 0)), 0.0f);
    f.merged = f.queue = f.arrivals;
    f.busy.assign(f.arrivals.size(), 0);
  }

  // Blocked cells per incident.
  std::vector<size_t> incidentCell;
  for (const Incident& incident : day.incidents) {
    double at = 0;
    size_t cell = 0;
    while (cell + 1 < cells && at + road.length[cell] < incident.position) {
      at += road.length[cell++];
    }
    incidentCell.push_back(cell);
  }

  std::vector<double> density(cells, 0.0);  // vehicles per mile, all lanes
  std::vector<double> capacity(cells), sending(cells), receiving(cells);
  std::vector<double> rampQueue(c.ramps.size(), 0.0);
  std::vector<double> through(cells + 1, 0.0);  // mainline flow into each cell
  std::vector<double> merged(cells + 1, 0.0);   // ramp flow into each cell
  std::vector<double> leaving(cells + 1, 0.0);  // flow out of the cell before the boundary
  double entryQueue = 0;

  // The day starts from the night's traffic, not from an empty road: every
  // cell at the free-flow density of midnight's demand.
  double shareAtStart = day.demandShare.empty() ? 0.0 : day.demandShare[0];
  double flowAtStart = c.upstreamPeakVph * shareAtStart;
  for (size_t i = 0; i < cells; ++i) {
    const Boundary& boundary = road.boundaries[i];
    if (i > 0) {
      flowAtStart *= 1.0 - boundary.exitShare;
      if (boundary.onRamp >= 0) {
        flowAtStart += c.ramps[static_cast<size_t>(boundary.onRamp)].peakVph * shareAtStart;
      }
    }
    density[i] = std::min(flowAtStart, road.lanes[i] * q) / vf;
  }
  auto stored = [&]() {
    double vehicles = entryQueue;
    for (size_t i = 0; i < cells; ++i) vehicles += density[i] * road.length[i];
    for (double queue : rampQueue) vehicles += queue;
    return vehicles;
  };
  out.storedChange = -stored();

  for (int32_t p = 0; p < periods; ++p) {
    double share = p < static_cast<int32_t>(day.demandShare.size()) ? day.demandShare[p] : 0.0;
    for (size_t i = 0; i < cells; ++i) capacity[i] = road.lanes[i] * q;
    for (size_t k = 0; k < day.incidents.size(); ++k) {
      const Incident& incident = day.incidents[k];
      if (p >= incident.startPeriod && p < incident.endPeriod) {
        size_t i = incidentCell[k];
        capacity[i] = std::max(road.lanes[i] - 1.0, 0.5) * q * BlockedLaneFactor;
      }
    }
    for (int step = 0; step < StepsPerPeriod; ++step) {
      for (size_t i = 0; i < cells; ++i) {
        sending[i] = std::min(vf * density[i], capacity[i]);
        double room = wave * (road.lanes[i] * c.jamDensity - density[i]);
        receiving[i] = std::max(0.0, std::min(capacity[i], room));
      }
      // The upstream end: demand (and any vehicles held back) as room allows.
      double demand = c.upstreamPeakVph * share;
      double entry = std::min(demand + entryQueue / StepHours, receiving[0]);
      entryQueue += (demand - entry) * StepHours;
      through[0] = entry;
      merged[0] = 0;
      out.entered += demand * StepHours;
      for (size_t b = 1; b <= cells; ++b) {
        const Boundary& boundary = road.boundaries[b];
        double arriving = sending[b - 1];
        if (b == cells) {
          through[b] = arriving;
          leaving[b] = arriving;
          continue;
        }
        double stay = 1.0 - boundary.exitShare;
        double mainline = arriving * stay;
        double ramp = 0;
        double room = receiving[b];
        if (density[b - 1] > road.lanes[b - 1] * critical) {
          room = std::min(room, QueueDischargeFactor * capacity[b]);
        }
        if (boundary.onRamp >= 0) {
          const RampSite& site = c.ramps[static_cast<size_t>(boundary.onRamp)];
          double rampDemand = site.peakVph * share;
          out.entered += rampDemand * StepHours;
          double& queue = rampQueue[static_cast<size_t>(boundary.onRamp)];
          double rampSending =
              std::min(rampDemand + queue / StepHours, site.lanes * RampLaneCapacity);
          if (mainline + rampSending <= room) {
            ramp = rampSending;
          } else {
            // Each lane of the merge takes turns: the ramp's share of the
            // room is its lanes' share.
            double priority = site.lanes / (site.lanes + road.lanes[b - 1]);
            mainline = median(mainline, room - rampSending, (1.0 - priority) * room);
            ramp = std::min(rampSending, room - mainline);
          }
          queue += (rampDemand - ramp) * StepHours;
          {
            RampFlow& f = out.ramps[static_cast<size_t>(boundary.onRamp)];
            f.arrivals[p] += static_cast<float>(rampDemand * StepHours);
            f.merged[p] += static_cast<float>(ramp * StepHours);
            f.queue[p] = static_cast<float>(queue);
            if (density[b] > 0.8 * road.lanes[b] * critical) f.busy[p] = 1;
          }
        } else {
          mainline = std::min(mainline, room);
        }
        through[b] = mainline;
        merged[b] = ramp;
        leaving[b] = stay > 0 ? mainline / stay : arriving;
        out.leftByRamps += (leaving[b] - mainline) * StepHours;
      }
      {
        for (size_t b = 1; b <= cells; ++b) {
          for (int s : road.boundaries[b].stations) {
            StationFlow& f = out.stations[static_cast<size_t>(s)];
            f.vehicles[p] += static_cast<float>(leaving[b] * StepHours);
            f.density[p] += static_cast<float>(density[b - 1] / StepsPerPeriod);
          }
        }
      }
      out.exited += leaving[cells] * StepHours;
      for (size_t i = 0; i < cells; ++i) {
        density[i] += StepHours / road.length[i] * (through[i] + merged[i] - leaving[i + 1]);
        density[i] = std::max(density[i], 0.0);
      }
    }
  }
  out.storedChange += stored();
  return out;
}

}  // namespace loopconv
