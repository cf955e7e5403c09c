#include "run/driver.h"

#include <string>
#include <vector>

#include "datafile/pipeline.h"
#include "metadata/cabinet_list.h"
#include "run/log.h"
#include "run/run_context.h"
#include "run/run_options.h"

namespace loopconv {
namespace {

// "ConvertorLog" + MMDD + "20" + YY + ".txt" from the MM/DD/YY date text.
std::string logFilePath(const std::string& folder, const std::string& date) {
  std::string padded = date;
  padded.resize(8, ' ');
  return folder + "ConvertorLog" + padded.substr(0, 2) + padded.substr(3, 2) +
         "20" + padded.substr(6, 2) + ".txt";
}

}  // namespace

int runConverter(int argc, const char* const* argv, Platform& platform,
                 FILE* console) {
  int64_t startTick = platform.ticks();
  Log log(console);
  log.setTimeStamp(platform.timeOfDay());
  const char* stamp = log.timeStamp();

  log.console("\n");
  log.console("[%s] - Welcome to the loopconv twenty-second loop detector data converter\n",
              stamp);
  log.console("           Written by the loopconv developers\n");
  log.console("[%s] - Version = %s\n", stamp, VersionText);

  RunOptions options;
  int parsed = parseCommandLine(argc, argv, &options, log, platform);
  if (parsed == ParseError) {
    log.console("[%s] E Error on command line!\n", stamp);
    return ExitCommandLineError;
  }
  if (parsed == ParseHelpShown) return ExitOk;

  std::string logPath = logFilePath(options.logFolder, platform.dateText());
  if (logPath.size() > MaxPathLength) {
    log.console("     E Log file path [%s] is longer than 259 characters!\n",
                logPath.c_str());
    return ExitRunError;
  }
  int error = 0;
  if (!log.open(logPath, &error)) {
    log.console("     E Could not open log file [%s] - Error = [%d]!\n",
                logPath.c_str(), error);
    log.console("\n[%s] E Log file failed.  [%d]\n", stamp, 0);
    return ExitRunError;
  }

  log.log("\n[%s] - Version = %s\n", stamp, VersionText);
  log.log("[%s] - Commands: ", stamp);
  log.console("[%s] - Commands: ", stamp);
  log.console("%s\n", options.commandLetters.c_str());
  log.log("%s\n", options.commandLetters.c_str());
  const char* folderLines[3] = {"[%s] - Reading folder [%s]\n",
                                "[%s] - Writing folder [%s]\n",
                                "[%s] - Logging folder [%s]\n"};
  const std::string* folders[3] = {&options.inputFolder, &options.outputFolder,
                                   &options.logFolder};
  for (int i = 0; i < 3; ++i) log.log(folderLines[i], stamp, folders[i]->c_str());
  for (int i = 0; i < 3; ++i) log.console(folderLines[i], stamp, folders[i]->c_str());

  std::vector<std::string> names;
  if (!platform.listFolder(options.inputFolder, &names, &error)) {
    log.log("[%s] E Source Directory [%s] not found!\n", stamp,
            options.inputFolder.c_str());
    log.close();
    return ExitRunError;
  }

  RunContext run{options, log, platform};
  int dataFiles = 0;
  int listFiles = 0;
  std::string metadataDate;
  for (const std::string& name : names) {
    if (!options.metadataMode) {
      if (name.find("DAT") != std::string::npos) {
        processDataFile(name, run);
        ++dataFiles;
      }
    } else if (name.find("LST") != std::string::npos) {
      convertCabinetList(name, run, &metadataDate);
      ++listFiles;
    }
  }
  if (dataFiles == 0 && listFiles == 0) {
    log.log("[%s] E Found no input file.\n", stamp);
  }

  double seconds = static_cast<double>(platform.ticks() - startTick) / 1000.0;
  log.console("Finished converting %d .DAT Files and %d .LST Files in [%.1f] seconds.\n",
              dataFiles, listFiles, seconds);
  log.log("[%s] - Finished converting %d .DAT Files and %d .LST Files in [%.1f] seconds.\n\n",
          stamp, dataFiles, listFiles, seconds);
  log.close();
  return log.errorLogged() ? ExitRunError : ExitOk;
}

}  // namespace loopconv
