#include "convert/command_line.h"

#include <cctype>
#include <cstring>

#include "analysis/interval_sums.h"

namespace loopconv {
namespace {

constexpr size_t MaxCommandLetters = 15;
constexpr size_t MaxPeriodText = 15;
constexpr size_t MaxDeviceText = 30;

struct HelpEntry {
  char letter;
  const char* text;
};

// In the order in which the full help lists them.
const HelpEntry kHelp[] = {
    {'A',
     "\tReport -A  Output Contents - detectors, stations, speed loops, traps, metered lanes with "
     "lane count\n"},
    {'C', "\tOption -C  Include Ramp Meter Lanes\n"},
    {'L', "\tReport -L  Output Lane Data\n"},
    {'S', "\tOption -S  Include Speed detector Data (Lanes with S in the 17th character)\n"},
    {'T',
     "\tReport -T  Output Trap Data (virtual speed detectors made from 2 detectors in a lane)\n"},
    {'E', "\tReport -E  Output Element Data (Lane data merged with virtual Trap data)\n"},
    {'R', "\tOption -R  Include Lane or Trap data by row first (device) then column (time)\n"},
    {'M', "\tReport -M  Output metadata files (.LST)\n"},
    {'I',
     "\tOption -I[\"path\"] Input folder (-I\"c:\\examplefolder\"  -location of the binary data "
     "files (.DAT))\n"},
    {'O',
     "\tOption -O[\"path\"] Output folder (-O\"c:\\examplefolder\"  -location to write reports)\n"},
    {'F',
     "\tOption -F[\"path\"] Log file folder (-F\"c:\\examplefolder\"  -location to write log "
     "files)\n"},
    {'P', "\tOption -P[\"timeperiod\"] Output a single time period (-P\"00:00:00\" (:20, :40))\n"},
    {'D', "\tOption -D[\"device\"] Output a single device dataset (-D\"005es17329:_MN___1\")\n"},
};

void printAllHelp(Log& log) {
  for (const HelpEntry& entry : kHelp) log.console("%s", entry.text);
}

void printHelp(Log& log) {
  log.console(
      "Command separators - / upper or lower case are equivalent for any "
      "valid command. (-X, /X, -x, or /x )\n");
  printAllHelp(log);
}

bool* flagFor(char letter, RunOptions* options) {
  switch (letter) {
    case 'A': return &options->contentsReport;
    case 'C': return &options->includeRampMeters;
    case 'E': return &options->elementReport;
    case 'L': return &options->laneReport;
    case 'M': return &options->metadataMode;
    case 'R': return &options->rowFirst;
    case 'S': return &options->includeSpeedLoops;
    case 'T': return &options->trapReport;
    default: return nullptr;
  }
}

std::string* folderFor(char letter, RunOptions* options) {
  switch (letter) {
    case 'I': return &options->inputFolder;
    case 'O': return &options->outputFolder;
    case 'F': return &options->logFolder;
    default: return nullptr;
  }
}

// "HH:MM:SS" naming one 20-second period: two digits each, HH 00 to 23,
// MM 00 to 59, SS 00, 20 or 40 (colons already checked).
bool isPeriodTime(const std::string& text) {
  for (int i : {0, 1, 3, 4, 6, 7}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  auto field = [&text](int at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  int seconds = field(6);
  return field(0) <= 23 && field(3) <= 59 && (seconds == 0 || seconds == 20 || seconds == 40);
}

ParseResult syntaxError(Log& log, const char* message, char letter) {
  log.startupError("%s", message);
  log.console("%s", helpLine(letter));
  return ParseResult::Error;
}

// Gives the folder its default and its trailing separator; refuses one that
// would not fit a path. Without a working directory there is no default: a
// bare "/" would turn the run to the root folder.
bool finishFolder(std::string* folder, char letter, Log& log, Platform& platform) {
  if (folder->empty()) {
    *folder = platform.workingDirectory();
    if (folder->empty()) {
      log.startupError("No current folder -- no '%c' string!\n", letter);
      log.console("%s", helpLine(letter));
      return false;
    }
  }
  if (folder->back() != '/') folder->push_back('/');
  if (folder->size() > MaxPathLength) {
    log.startupError("Illegal syntax -- '%c' folder longer than 259 characters!\n", letter);
    log.console("%s", helpLine(letter));
    return false;
  }
  return true;
}

// The long options, as the error of a wrong one lists them.
const char kLongHelp[] =
    "\t--jobs=N         convert N files at a time (1 to 64; default 1)\n"
    "\t--rollup=MIN     also write interval roll-ups of MIN minutes (1, 5, 15 or 60)\n"
    "\t--compress=KIND  write every CSV compressed: gzip (.gz) or zstd (.zst)\n"
    "\t--health         also write the detector health of each data file\n"
    "\t--picture        also draw each data file's speed picture (SVG)\n"
    "\t--recursive      also the sub-folders of -I, outputs in the same sub-folders of -O\n"
    "\t--skip-done      skip a data file whose every output exists and is newer\n"
    "\t--summary=FILE   write a CSV of what the run did with each file to FILE\n"
    "\t--pages          also write a web page per day (Day_YYYY-MM-DD.html) and Index.html\n"
    "\t--cabinets=FILE  the cabinet list that places stations on roads (for --corridors)\n"
    "\t--corridors      also write each data file's corridors, measures, travel times and\n"
    "\t                 corridor picture (needs --cabinets)\n"
    "\t--wait=SECONDS   wait up to SECONDS for another run using the output folder\n"
    "\t--help           this help\n"
    "\t--version        the version\n";

// The text of --help: usage, the letters with POSIX paths, the long options
// (kLongHelp) and the exit statuses. -? keeps its own text (kHelp).
const char kUsageHelp[] =
    "Usage: loopconv [LETTER OPTION]... [--LONG-OPTION]...\n"
    "Converts the twenty-second loop-detector data files of a folder (every file whose name\n"
    "holds DAT) into CSV reports and analysis files; with -M, the cabinet lists (names holding\n"
    "LST) into metadata CSVs. Without any argument: the Element report of the working folder.\n"
    "\n"
    "Letters follow '-' or '/' in either case (-e, /E); values follow the letter directly.\n"
    "\n"
    "Reports and options:\n"
    "  -E            write the Element report (lane data merged with trap data)\n"
    "  -L            write the Lane report\n"
    "  -T            write the Trap report (speed traps made of two detectors)\n"
    "  -A            write the Contents report (the devices with their lane counts)\n"
    "  -C            include ramp-meter lanes in the Contents report\n"
    "  -S            include speed loops (S at name position 16) in Lane and Element\n"
    "  -R            Lane and Trap reports device by device instead of period by period\n"
    "  -M            metadata mode: convert the cabinet lists (names holding LST)\n"
    "  -I<folder>    input folder (default: the working folder), e.g. -I/data/in\n"
    "  -O<folder>    output folder (default: the working folder), e.g. -O/data/out\n"
    "  -F<folder>    log folder (default: the working folder), e.g. -F/data/logs\n"
    "  -P<HH:MM:SS>  report one 20-second period (seconds 00, 20 or 40), e.g. -P07:00:20\n"
    "  -D<device>    report one device (18 characters, ':' at position 10),\n"
    "                e.g. -D005es17329:_MN___1\n"
    "  -?            the short help\n"
    "\n"
    "Long options (always two dashes):\n";

const char kExitHelp[] =
    "\n"
    "Exit status:\n"
    "  0  no error was logged\n"
    "  1  an error was logged (also on standard error), or the log could not be opened\n"
    "  2  the command line was wrong\n"
    "\n"
    "The log is ConvertorLogMMDD20YY.txt in the log folder. Every column of every output\n"
    "is described in the data dictionary reports.md, installed in share/doc/loopconv/.\n";

// The long option names, as kLongHelp lists them: "\t--name" up to '=' or ' '.
bool isLongOptionName(const std::string& name) {
  const std::string lower = [&] {
    std::string text = name;
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
  }();
  const char* line = kLongHelp;
  while (const char* start = strstr(line, "\t--")) {
    start += 3;
    size_t length = strcspn(start, "= \n");
    if (!lower.empty() && lower == std::string(start, length)) return true;
    line = start + length;
  }
  return false;
}

// "-rollup=5" or "/health": a long option's name after one separator, which
// would otherwise run as its first letter (-R) or fail as an unknown letter.
bool isOneDashLongOption(const char* arg) {
  if ((arg[0] != '-' && arg[0] != '/') || arg[1] == '-' || arg[1] == '\0') return false;
  const char* name = arg + 1;
  return isLongOptionName(std::string(name, strcspn(name, "=")));
}

ParseResult refuseOneDash(Log& log, const char* arg) {
  const char* name = arg + 1;
  size_t nameLength = strcspn(name, "=");
  std::string suggestion = "--";
  for (size_t i = 0; i < nameLength; ++i) {
    suggestion.push_back(static_cast<char>(tolower(static_cast<unsigned char>(name[i]))));
  }
  suggestion += name + nameLength;
  log.startupError("Long option with one dash -- '%s', did you mean '%s'?\n", arg,
                   suggestion.c_str());
  log.console("%s", kLongHelp);
  return ParseResult::Error;
}

// A whole number from 0 to `max` (at most 5 digits) making up all of `text`.
bool parseSeconds(const std::string& text, int max, int* value) {
  if (text.empty() || text.size() > 5) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n > max) return false;
  *value = n;
  return true;
}

// A whole number from 1 to `max` making up all of `text`.
bool parseCount(const std::string& text, int max, int* value) {
  if (text.empty() || text.size() > 3) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > max) return false;
  *value = n;
  return true;
}

enum class LongResult { Accepted, Help, Version, Refused };

LongResult refuseLong(Log& log, const std::string& arg, const char* why) {
  log.startupError("%s option -- '%s'!\n", why, arg.c_str());
  log.console("%s", kLongHelp);
  return LongResult::Refused;
}

// One argument that starts with "--".
LongResult parseLongOption(const std::string& arg, RunOptions* options, Log& log) {
  size_t equals = arg.find('=');
  std::string name = arg.substr(0, equals);
  bool hasValue = equals != std::string::npos;
  std::string value = hasValue ? arg.substr(equals + 1) : std::string();
  if (name == "--help" && !hasValue) return LongResult::Help;
  if (name == "--version" && !hasValue) return LongResult::Version;
  if ((name == "--health" || name == "--picture") && !hasValue) {
    (name == "--health" ? options->healthReport : options->picture) = true;
  } else if ((name == "--recursive" || name == "--skip-done") && !hasValue) {
    (name == "--recursive" ? options->recursive : options->skipDone) = true;
  } else if (name == "--summary" && hasValue) {
    if (value.empty() || value.size() > MaxPathLength) {
      return refuseLong(log, arg, "Illegal value in");
    }
    options->summaryPath = value;
  } else if (name == "--pages" && !hasValue) {
    options->pages = true;
  } else if (name == "--jobs" && hasValue) {
    if (!parseCount(value, MaxJobs, &options->jobs))
      return refuseLong(log, arg, "Illegal value in");
  } else if (name == "--wait" && hasValue) {
    if (!parseSeconds(value, MaxWaitSeconds, &options->waitSeconds)) {
      return refuseLong(log, arg, "Illegal value in");
    }
  } else if (name == "--rollup" && hasValue) {
    int minutes = 0;
    bool known = parseCount(value, 60, &minutes) && isRollupMinutes(minutes);
    if (!known) return refuseLong(log, arg, "Illegal value in");
    options->rollupMinutes = minutes;
  } else if (name == "--corridors" && !hasValue) {
    options->corridors = true;
  } else if (name == "--cabinets" && hasValue) {
    if (value.empty()) return refuseLong(log, arg, "Illegal value in");
    options->cabinetsFile = value;
  } else if (name == "--compress" && hasValue) {
    if (!parseCompression(value, &options->compression)) {
      return refuseLong(log, arg, "Illegal value in");
    }
  } else {
    return refuseLong(log, arg, "Illegal");
  }
  log.console("\tOption %s\n", arg.c_str());
  return LongResult::Accepted;
}

}  // namespace

void printUsageHelp(Log& log) {
  log.console("%s", kUsageHelp);
  // The long option list with two blanks in place of its tab.
  for (const char* line = kLongHelp; *line != '\0';) {
    size_t length = strcspn(line, "\n");
    log.console("  %.*s\n", static_cast<int>(length - 1), line + 1);
    line += length + (line[length] == '\n' ? 1 : 0);
  }
  log.console("%s", kExitHelp);
}

const char* helpLine(char letter) {
  for (const HelpEntry& entry : kHelp) {
    if (entry.letter == letter) return entry.text;
  }
  return "";
}

ParseResult parseCommandLine(int argc, const char* const* argv, RunOptions* options, Log& log,
                             Platform& platform) {
  *options = RunOptions();
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] == '-' && arg[1] == '-') {
      switch (parseLongOption(arg, options, log)) {
        case LongResult::Accepted: continue;
        case LongResult::Help: printUsageHelp(log); return ParseResult::HelpShown;
        case LongResult::Version:
          log.console("loopconv %s\n", VersionText);
          return ParseResult::HelpShown;
        case LongResult::Refused: return ParseResult::Error;
      }
    }
    if (arg[0] != '-' && arg[0] != '/') continue;
    if (isOneDashLongOption(arg)) return refuseOneDash(log, arg);
    char letter = static_cast<char>(toupper(static_cast<unsigned char>(arg[1])));
    size_t length = strlen(arg);
    const char* text = length >= 2 ? arg + 2 : arg + length;

    if (bool* flag = flagFor(letter, options)) {
      log.console("%s", helpLine(letter));
      if (options->commandLetters.size() < 2 * MaxCommandLetters) {
        options->commandLetters.push_back(letter);
        options->commandLetters.push_back(' ');
      }
      *flag = true;
    } else if (std::string* folder = folderFor(letter, options)) {
      if (length < 4) {
        char message[64];
        snprintf(message, sizeof message, "Illegal syntax -- no '%c' string!\n", letter);
        return syntaxError(log, message, letter);
      }
      *folder = text;
      log.console("\tOption -%c, String = %s\n", letter, folder->c_str());
    } else if (letter == 'P') {
      if (length < 4) {
        return syntaxError(log, "Illegal syntax -- no 'P' string!\n", 'P');
      }
      options->periodText.assign(text, strnlen(text, MaxPeriodText));
      log.console("\tOption -%c, String = %s\n", letter, options->periodText.c_str());
      const std::string& period = options->periodText;
      if (period.size() != 8 || period[2] != ':' || period[5] != ':') {
        return syntaxError(log, "Illegal 'P' syntax -- too long, too short, or missing ':'!\n",
                           'P');
      }
      if (!isPeriodTime(period)) {
        return syntaxError(log, "Illegal 'P' time -- HH 00 to 23, MM 00 to 59, SS 00, 20 or 40!\n",
                           'P');
      }
      options->singlePeriod = true;
    } else if (letter == 'D') {
      if (length < 20) {
        return syntaxError(log, "Illegal syntax -- no 'D' string!\n", 'D');
      }
      options->deviceName.assign(text, strnlen(text, MaxDeviceText));
      log.console("\tOption -%c, String = %s\n", letter, options->deviceName.c_str());
      const std::string& device = options->deviceName;
      if (device.size() != 18 || device[10] != ':') {
        return syntaxError(log, "Illegal 'D' syntax -- too long, too short, or missing ':'!\n",
                           'D');
      }
      options->singleDevice = true;
    } else if (letter == '?') {
      printHelp(log);
      return ParseResult::HelpShown;
    } else {
      log.startupError("Illegal option code = %c\n", letter);
      printAllHelp(log);
      return ParseResult::Error;
    }
  }

  if (argc <= 1) {
    log.console("Usage: %s /? for help\n", argc >= 1 && argv[0] ? argv[0] : "");
    log.console(
        "Using defaults, processing files in current folder, only printing "
        "Element Data.\n");
    options->elementReport = true;
  }
  if (options->corridors && options->cabinetsFile.empty()) {
    log.startupError("Option --corridors needs --cabinets=FILE!\n");
    log.console("%s", kLongHelp);
    return ParseResult::Error;
  }
  if (!finishFolder(&options->inputFolder, 'I', log, platform) ||
      !finishFolder(&options->outputFolder, 'O', log, platform) ||
      !finishFolder(&options->logFolder, 'F', log, platform)) {
    return ParseResult::Error;
  }
  return ParseResult::GoOn;
}

}  // namespace loopconv
