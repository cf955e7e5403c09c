#include "outputs/day_summary.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace loopconv {
namespace {

using Json = nlohmann::json;

// Version of the block; a page with another is read as unknown.
constexpr int SummaryFormat = 1;

}  // namespace

std::string daySummaryJson(const DaySummary& summary) {
  Json corridors = Json::array();
  for (const CorridorDigest& corridor : summary.corridors) {
    Json speeds = Json::array();
    for (const std::optional<double>& speed : corridor.hourlySpeed) {
      if (speed.has_value() && std::isfinite(*speed)) {
        speeds.push_back(std::round(*speed * 10) / 10);
      } else {
        speeds.push_back(nullptr);
      }
    }
    corridors.push_back({{"name", corridor.name},
                         {"vmt", corridor.vmt},
                         {"delay60_vh", corridor.delay60},
                         {"hourly_speed_mph", speeds}});
  }
  Json json = {{"format", SummaryFormat},        {"date", summary.date},
               {"data_file", summary.dataFile},  {"devices", summary.devices},
               {"detectors", summary.detectors}, {"observed_pct", summary.observedPct},
               {"not_good", summary.notGood},    {"errors", summary.errors},
               {"warnings", summary.warnings},   {"corridors", corridors}};
  // Invalid UTF-8 cannot reach here (names are made UTF-8 first); replace
  // rather than throw all the same.
  std::string text = json.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    safe.push_back(text[i]);
    if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') safe.push_back('\\');
  }
  return safe;
}

bool readDaySummary(std::string_view head, DaySummary* summary, std::string* why) {
  size_t open = head.find(SummaryOpen);
  if (open == std::string_view::npos) {
    *why = "no day summary block";
    return false;
  }
  size_t start = open + SummaryOpen.size();
  size_t close = head.find(SummaryClose, start);
  if (close == std::string_view::npos) {
    *why = "the day summary block does not end";
    return false;
  }
  Json json = Json::parse(head.substr(start, close - start), nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    *why = "the day summary is not JSON";
    return false;
  }
  try {
    if (json.at("format").get<int>() != SummaryFormat) {
      *why = "the day summary has an unknown format";
      return false;
    }
    DaySummary read;
    read.date = json.at("date").get<std::string>();
    read.dataFile = json.at("data_file").get<std::string>();
    read.devices = json.at("devices").get<int64_t>();
    read.detectors = json.at("detectors").get<int64_t>();
    read.observedPct = json.at("observed_pct").get<std::string>();
    read.notGood = json.at("not_good").get<int64_t>();
    read.errors = json.at("errors").get<int64_t>();
    read.warnings = json.at("warnings").get<int64_t>();
    for (const Json& corridor : json.at("corridors")) {
      CorridorDigest digest;
      digest.name = corridor.at("name").get<std::string>();
      digest.vmt = corridor.at("vmt").get<std::string>();
      digest.delay60 = corridor.at("delay60_vh").get<std::string>();
      for (const Json& speed : corridor.at("hourly_speed_mph")) {
        if (speed.is_null()) {
          digest.hourlySpeed.emplace_back();
        } else {
          digest.hourlySpeed.emplace_back(speed.get<double>());
        }
      }
      read.corridors.push_back(std::move(digest));
    }
    *summary = std::move(read);
  } catch (const Json::exception& e) {
    *why = std::string("the day summary lacks a field or has a wrong one: ") + e.what();
    return false;
  }
  return true;
}

}  // namespace loopconv
