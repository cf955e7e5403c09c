// libFuzzer harness: any bytes as an argument vector (arguments separated by
// NUL bytes), through the option parser and the run driver, in a scratch
// folder that holds a small data file and a cabinet list. Checks the exit
// status against the console and standard error (0: nothing on standard
// error; 1: the error count, or the log's failure; 2: "Error on command
// line!") and that
// every output left is whole (see fuzz_support.h). Folder arguments that
// could lead out of the scratch folder (absolute, or with "..") are refused
// as uninteresting; the others are taken relative to the scratch folder.
//
// scripts/fuzz.sh builds and runs it on fuzz/corpus/command_line_fuzzer.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "convert/driver.h"
#include "fuzz/fuzz_support.h"
#include "sample/cabinet_list_writer.h"
#include "sample/data_file_writer.h"

namespace {

using loopconv::fuzz::check;
using loopconv::fuzz::endsWith;

constexpr size_t MaxArguments = 16;
constexpr size_t MaxArgumentBytes = 300;

// The scratch folder (the working directory of every run) with its inputs:
// a data file and a cabinet list at the top and in "in/", and the empty
// folders "out/" and "logs/".
struct Workplace {
  loopconv::TempDir root;
  std::vector<std::string> inputs;

  Workplace() {
    loopconv::SampleDay day = loopconv::generateSampleDay(12, "08/18/2021", 1, 40);
    std::string list = loopconv::buildCabinetList(day.cabinets, "08/18/2021", 1);
    std::filesystem::create_directories(root.file("in"));
    std::filesystem::create_directories(root.file("out"));
    std::filesystem::create_directories(root.file("logs"));
    for (const char* folder : {"", "in/"}) {
      inputs.push_back(folder + day.fileName);
      inputs.push_back(std::string(folder) + "Cabinets_08182021.LST");
      loopconv::writeFile(root.file(inputs[inputs.size() - 2]), day.bytes);
      loopconv::writeFile(root.file(inputs.back()), list);
    }
  }

  bool isInput(const std::string& relative) const {
    for (const std::string& input : inputs) {
      if (input == relative) return true;
    }
    return false;
  }

  // Checks every folder's outputs, then removes everything but the inputs
  // and the three folders.
  void checkAndClear() {
    static const char* const firstLines[] = {
        "Name,",
        "name,",
        "Input element count = ",
        "device,lane_type,",
        "date,device,lane_type,",
        "file,kind,date,",
        "corridor,",
        ("Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,Stations,"
         "Speedtraps,Meteredlanes,Status\r\n")};
    for (const char* folder : {"", "in", "out", "logs"}) {
      loopconv::fuzz::checkOutputs(root.file(folder), firstLines);
    }
    for (const char* folder : {"", "in/", "out/", "logs/"}) {
      for (auto& entry : std::filesystem::directory_iterator(root.file(folder))) {
        std::string relative = folder + entry.path().filename().string();
        if (relative == "in" || relative == "out" || relative == "logs" || isInput(relative)) {
          continue;
        }
        std::filesystem::remove_all(entry.path());
      }
    }
  }
};

// A folder option's value must stay inside the scratch folder: relative,
// without "..". It is then made relative to the scratch folder (the run's
// working directory for the folders not given). False for one that could
// lead out.
bool placeInside(const std::string& root, std::string* arg) {
  if (arg->size() < 3 || ((*arg)[0] != '-' && (*arg)[0] != '/')) return true;
  char letter = static_cast<char>(toupper(static_cast<unsigned char>((*arg)[1])));
  if (letter != 'I' && letter != 'O' && letter != 'F') return true;
  std::string value = arg->substr(2);
  if (value.find("..") != std::string::npos || value[0] == '/') return false;
  *arg = arg->substr(0, 2) + root + "/" + value;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Workplace workplace;
  static loopconv::FakePlatform platform;
  platform.cwd = workplace.root.path();

  std::vector<std::string> args = {"loopconv"};
  std::string current;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == 0) {
      if (i < size || !current.empty()) args.push_back(current);
      current.clear();
      if (args.size() > MaxArguments) return -1;
      continue;
    }
    if (current.size() >= MaxArgumentBytes) return -1;
    current.push_back(static_cast<char>(data[i]));
  }
  for (std::string& arg : args) {
    if (!placeInside(workplace.root.path(), &arg)) return -1;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  loopconv::CapturedConsole console;
  loopconv::CapturedConsole errors;
  loopconv::ExitStatus status = loopconv::runConverter(static_cast<int>(argv.size()), argv.data(),
                                                       platform, console.stream(), errors.stream());
  std::string errorText = errors.text();
  std::string consoleText = console.text();
  switch (status) {
    case loopconv::ExitStatus::Ok:
      check(errorText.empty(), "status 0 with standard error", errorText);
      break;
    case loopconv::ExitStatus::RunError:
      // The logged errors and their count, or the log's own failure.
      check(errorText.find(" error(s) logged in [") != std::string::npos ||
                consoleText.find("     E ") != std::string::npos,
            "status 1 without its error lines", errorText + consoleText);
      break;
    case loopconv::ExitStatus::CommandLineError:
      check(endsWith(consoleText, "] E Error on command line!\n"), "status 2 without its line",
            consoleText);
      // Standard error carries the command-line errors where the run copies
      // them there, ending with the same line.
      check(errorText.empty() || endsWith(errorText, "loopconv: Error on command line!\n"),
            "status 2 with other errors", errorText);
      break;
    default: check(false, "unknown exit status");
  }
  workplace.checkAndClear();
  return 0;
}
