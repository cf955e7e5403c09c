#include "convert/command_line.h"

#include <string>
#include <vector>

#include "base/fake_platform.h"
#include "base/log.h"
#include "base/test_support.h"
#include "gtest/gtest.h"

namespace loopconv {
namespace {

const char kAllHelp[] =
    "\tReport -A  Output Contents - detectors, stations, speed loops, traps, metered lanes with "
    "lane count\n"
    "\tOption -C  Include Ramp Meter Lanes\n"
    "\tReport -L  Output Lane Data\n"
    "\tOption -S  Include Speed detector Data (Lanes with S in the 17th character)\n"
    "\tReport -T  Output Trap Data (virtual speed detectors made from 2 detectors in a lane)\n"
    "\tReport -E  Output Element Data (Lane data merged with virtual Trap data)\n"
    "\tOption -R  Include Lane or Trap data by row first (device) then column (time)\n"
    "\tReport -M  Output metadata files (.LST)\n"
    "\tOption -I[\"path\"] Input folder (-I\"c:\\examplefolder\"  -location of the binary data "
    "files (.DAT))\n"
    "\tOption -O[\"path\"] Output folder (-O\"c:\\examplefolder\"  -location to write reports)\n"
    "\tOption -F[\"path\"] Log file folder (-F\"c:\\examplefolder\"  -location to write log "
    "files)\n"
    "\tOption -P[\"timeperiod\"] Output a single time period (-P\"00:00:00\" (:20, :40))\n"
    "\tOption -D[\"device\"] Output a single device dataset (-D\"005es17329:_MN___1\")\n";

const char kPHelp[] =
    "\tOption -P[\"timeperiod\"] Output a single time period (-P\"00:00:00\" (:20, :40))\n";
const char kDHelp[] =
    "\tOption -D[\"device\"] Output a single device dataset (-D\"005es17329:_MN___1\")\n";

struct Parsed {
  ParseResult result = ParseResult::Error;
  RunOptions options;
  std::string console;
};

Parsed parse(std::vector<std::string> args, const std::string& cwd = "/work/dir") {
  FakePlatform platform;
  platform.cwd = cwd;
  CapturedConsole console;
  Log log(console.stream());
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  Parsed parsed;
  parsed.result =
      parseCommandLine(static_cast<int>(argv.size()), argv.data(), &parsed.options, log, platform);
  parsed.console = console.text();
  return parsed;
}

TEST(CommandLineTest, NoArgumentsSwitchesOnElementReportAndDefaultsFolders) {
  Parsed p = parse({"loopconv"});
  EXPECT_EQ(p.result, ParseResult::GoOn);
  EXPECT_EQ(p.console,
            "Usage: loopconv /? for help\n"
            "Using defaults, processing files in current folder, only printing Element Data.\n");
  EXPECT_TRUE(p.options.elementReport);
  EXPECT_FALSE(p.options.laneReport);
  EXPECT_EQ(p.options.inputFolder, "/work/dir/");
  EXPECT_EQ(p.options.outputFolder, "/work/dir/");
  EXPECT_EQ(p.options.logFolder, "/work/dir/");
  EXPECT_EQ(p.options.commandLetters, "");
}

TEST(CommandLineTest, FlagOptionsInEitherCaseAndSeparator) {
  Parsed p = parse({"loopconv", "/l", "-L", "-e", "/T", "-a", "/c", "-s", "-R", "-m"});
  EXPECT_EQ(p.result, ParseResult::GoOn);
  EXPECT_EQ(p.options.commandLetters, "L L E T A C S R M ");
  EXPECT_TRUE(p.options.laneReport);
  EXPECT_TRUE(p.options.elementReport);
  EXPECT_TRUE(p.options.trapReport);
  EXPECT_TRUE(p.options.contentsReport);
  EXPECT_TRUE(p.options.includeRampMeters);
  EXPECT_TRUE(p.options.includeSpeedLoops);
  EXPECT_TRUE(p.options.rowFirst);
  EXPECT_TRUE(p.options.metadataMode);
  EXPECT_EQ(p.console, std::string(helpLine('L')) + helpLine('L') + helpLine('E') + helpLine('T') +
                           helpLine('A') + helpLine('C') + helpLine('S') + helpLine('R') +
                           helpLine('M'));
}

TEST(CommandLineTest, ArgumentsWithoutSeparatorAreSkippedAndNoReportIsImplied) {
  Parsed p = parse({"loopconv", "L", "", "x-y", "-I/data"});
  EXPECT_EQ(p.result, ParseResult::GoOn);
  EXPECT_FALSE(p.options.elementReport);
  EXPECT_EQ(p.console, "\tOption -I, String = /data\n");
  EXPECT_EQ(p.options.inputFolder, "/data/");
  EXPECT_EQ(p.options.outputFolder, "/work/dir/");
}

TEST(CommandLineTest, MoreThanFifteenFlagLettersStillSetFlags) {
  std::vector<std::string> args = {"loopconv"};
  for (int i = 0; i < 16; ++i) args.push_back("-L");
  args.push_back("-T");
  Parsed p = parse(args);
  EXPECT_EQ(p.result, ParseResult::GoOn);
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += "L ";
  EXPECT_EQ(p.options.commandLetters, fifteen);
  EXPECT_TRUE(p.options.trapReport);
}

TEST(CommandLineTest, FoldersGetExactlyOneTrailingSeparator) {
  Parsed p = parse({"loopconv", "-I/in/", "-o/out", "/F/logs"});
  EXPECT_EQ(p.result, ParseResult::GoOn);
  EXPECT_EQ(p.options.inputFolder, "/in/");
  EXPECT_EQ(p.options.outputFolder, "/out/");
  EXPECT_EQ(p.options.logFolder, "/logs/");
  EXPECT_EQ(p.console,
            "\tOption -I, String = /in/\n"
            "\tOption -O, String = /out\n"
            "\tOption -F, String = /logs\n");
  // A later option replaces an earlier one.
  p = parse({"loopconv", "-I/first", "-I/second"});
  EXPECT_EQ(p.options.inputFolder, "/second/");
}

TEST(CommandLineTest, FolderOptionWithoutText) {
  for (const char* arg : {"-I", "-Ix", "/i"}) {
    Parsed p = parse({"loopconv", arg});
    EXPECT_EQ(p.result, ParseResult::Error) << arg;
    EXPECT_EQ(p.console, std::string("     E Illegal syntax -- no 'I' string!\n") + helpLine('I'))
        << arg;
  }
  Parsed o = parse({"loopconv", "-Oa"});
  EXPECT_EQ(o.console, std::string("     E Illegal syntax -- no 'O' string!\n") + helpLine('O'));
  Parsed f = parse({"loopconv", "-F"});
  EXPECT_EQ(f.console, std::string("     E Illegal syntax -- no 'F' string!\n") + helpLine('F'));
}

TEST(CommandLineTest, FolderLongerThanAPathIsRefused) {
  std::string folder = "/" + std::string(257, 'a');  // 258 + '/' = 259: fits
  Parsed fits = parse({"loopconv", "-I" + folder});
  EXPECT_EQ(fits.result, ParseResult::GoOn);
  EXPECT_EQ(fits.options.inputFolder.size(), 259u);

  std::string tooLong = folder + "b";  // 259 + '/' = 260
  Parsed p = parse({"loopconv", "-O" + tooLong});
  EXPECT_EQ(p.result, ParseResult::Error);
  EXPECT_EQ(p.console, "\tOption -O, String = " + tooLong + "\n" +
                           "     E Illegal syntax -- 'O' folder longer than 259 characters!\n" +
                           helpLine('O'));

  // The working directory as the default counts too.
  Parsed cwd = parse({"loopconv", "-L"}, "/" + std::string(300, 'c'));
  EXPECT_EQ(cwd.result, ParseResult::Error);
  EXPECT_EQ(cwd.console, std::string(helpLine('L')) +
                             "     E Illegal syntax -- 'I' folder longer than 259 characters!\n" +
                             helpLine('I'));
}

// An unknown working directory (getcwd failed) is no default: a run must not
// turn to the root folder.
TEST(CommandLineTest, NoWorkingDirectoryRefusesOnlyTheFoldersThatNeedIt) {
  Parsed p = parse({"loopconv", "-I/in", "-F/logs"}, "");
  EXPECT_EQ(p.result, ParseResult::Error);
  EXPECT_EQ(p.console,
            "\tOption -I, String = /in\n"
            "\tOption -F, String = /logs\n"
            "     E No current folder -- no 'O' string!\n" +
                std::string(helpLine('O')));
  Parsed all = parse({"loopconv", "-I/in", "-O/out", "-F/logs"}, "");
  EXPECT_EQ(all.result, ParseResult::GoOn);
  EXPECT_EQ(all.options.outputFolder, "/out/");
}

TEST(CommandLineTest, PeriodValidation) {
  Parsed ok = parse({"loopconv", "-P00:00:20"});
  EXPECT_EQ(ok.result, ParseResult::GoOn);
  EXPECT_TRUE(ok.options.singlePeriod);
  EXPECT_EQ(ok.options.periodText, "00:00:20");
  EXPECT_EQ(ok.console, "\tOption -P, String = 00:00:20\n");

  const std::string syntax = "     E Illegal 'P' syntax -- too long, too short, or missing ':'!\n";
  for (const char* text : {"0:00:20", "00-00-20", "00:00:200"}) {
    Parsed p = parse({"loopconv", std::string("-P") + text});
    EXPECT_EQ(p.result, ParseResult::Error) << text;
    EXPECT_EQ(p.console, "\tOption -P, String = " + std::string(text) + "\n" + syntax + kPHelp);
  }
  // A text over 15 characters is echoed cut to 15, then refused.
  Parsed longText = parse({"loopconv", "-P00:00:00:00:00:00"});
  EXPECT_EQ(longText.result, ParseResult::Error);
  EXPECT_EQ(longText.console, "\tOption -P, String = 00:00:00:00:00:\n" + syntax + kPHelp);

  Parsed empty = parse({"loopconv", "-P1"});
  EXPECT_EQ(empty.console, std::string("     E Illegal syntax -- no 'P' string!\n") + kPHelp);

  // A failing P ends parsing even after a valid one.
  Parsed later = parse({"loopconv", "-P00:00:20", "-P0:00:20"});
  EXPECT_EQ(later.result, ParseResult::Error);
}

TEST(CommandLineTest, PeriodTimesNameOneTwentySecondPeriod) {
  const std::string timeError =
      "     E Illegal 'P' time -- HH 00 to 23, MM 00 to 59, SS 00, 20 or 40!\n";
  struct Case {
    const char* text;
    bool accepted;
  };
  const Case cases[] = {
      {"00:00:00", true},  {"23:59:40", true},  {"07:00:20", true},  {"12:30:40", true},
      {"24:00:00", false}, {"23:60:00", false}, {"07:00:10", false}, {"07:00:60", false},
      {"07:61:00", false}, {"-1:00:00", false}, {" 7:00:00", false}, {"07:0a:00", false},
      {"07:00:2 ", false}, {"+7:00:00", false},
  };
  for (const Case& c : cases) {
    Parsed p = parse({"loopconv", std::string("-P") + c.text});
    std::string echo = "\tOption -P, String = " + std::string(c.text) + "\n";
    if (c.accepted) {
      EXPECT_EQ(p.result, ParseResult::GoOn) << c.text;
      EXPECT_TRUE(p.options.singlePeriod) << c.text;
      EXPECT_EQ(p.console, echo) << c.text;
    } else {
      EXPECT_EQ(p.result, ParseResult::Error) << c.text;
      EXPECT_EQ(p.console, echo + timeError + kPHelp) << c.text;
    }
  }
}

TEST(CommandLineTest, LongOptions) {
  Parsed all = parse({"loopconv", "--jobs=4", "--rollup=15", "--compress=zstd", "--health",
                      "--picture", "--pages", "-E"});
  EXPECT_EQ(all.result, ParseResult::GoOn);
  EXPECT_EQ(all.options.jobs, 4);
  EXPECT_EQ(all.options.rollupMinutes, 15);
  EXPECT_EQ(all.options.compression, Compression::Zstd);
  EXPECT_TRUE(all.options.healthReport);
  EXPECT_TRUE(all.options.picture);
  EXPECT_TRUE(all.options.pages);
  EXPECT_TRUE(all.options.elementReport);
  EXPECT_EQ(all.options.commandLetters, "E ");  // long options are no command letters
  EXPECT_EQ(all.console.substr(0, 22), "\tOption --jobs=4\n\tOpti");
  EXPECT_EQ(all.options.waitSeconds, 0);
  EXPECT_EQ(parse({"loopconv", "--wait=0"}).options.waitSeconds, 0);
  EXPECT_EQ(parse({"loopconv", "--wait=86400"}).options.waitSeconds, 86400);

  // Only long options: no report is switched on by default.
  Parsed only = parse({"loopconv", "--rollup=5"});
  EXPECT_EQ(only.result, ParseResult::GoOn);
  EXPECT_FALSE(only.options.elementReport);

  // --help has a text of its own: POSIX paths, the letters, every long option.
  Parsed help = parse({"loopconv", "--help", "-Q"});
  EXPECT_EQ(help.result, ParseResult::HelpShown);
  EXPECT_EQ(help.console.rfind("Usage: loopconv [LETTER OPTION]... [--LONG-OPTION]...\n", 0), 0u);
  for (const char* line :
       {"\n  -E            write the Element report",
        "\n  -I<folder>    input folder (default: the working folder), "
        "e.g. -I/data/in\n",
        "\n  --recursive      also the sub-folders of -I", "\n  --skip-done      skip a data file",
        "\n  --summary=FILE   write", "\n  --rollup=MIN     also write",
        "\n  2  the command line was wrong\n"}) {
    EXPECT_NE(help.console.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(help.console.find('\\'), std::string::npos);  // no backslash paths
  EXPECT_EQ(help.console.find('\t'), std::string::npos);
  EXPECT_EQ(parse({"loopconv", "-?"}).console.substr(0, 26), "Command separators - / upp");
  Parsed version = parse({"loopconv", "--version"});
  EXPECT_EQ(version.result, ParseResult::HelpShown);
  EXPECT_EQ(version.console, "loopconv 1.23+\n");

  struct Refused {
    const char* arg;
    const char* message;
  };
  const Refused refused[] = {
      {"--jobs=0", "Illegal value in option -- '--jobs=0'!"},
      {"--jobs=65", "Illegal value in option -- '--jobs=65'!"},
      {"--jobs=2x", "Illegal value in option -- '--jobs=2x'!"},
      {"--jobs", "Illegal option -- '--jobs'!"},
      {"--rollup=10", "Illegal value in option -- '--rollup=10'!"},
      {"--rollup=", "Illegal value in option -- '--rollup='!"},
      {"--compress=lz4", "Illegal value in option -- '--compress=lz4'!"},
      {"--health=yes", "Illegal option -- '--health=yes'!"},
      {"--pages=all", "Illegal option -- '--pages=all'!"},
      {"--frobnicate", "Illegal option -- '--frobnicate'!"},
      {"--", "Illegal option -- '--'!"},
      {"--wait=86401", "Illegal value in option -- '--wait=86401'!"},
      {"--wait=-1", "Illegal value in option -- '--wait=-1'!"},
      {"--wait=", "Illegal value in option -- '--wait='!"},
      {"--wait", "Illegal option -- '--wait'!"},
  };
  for (const Refused& r : refused) {
    Parsed p = parse({"loopconv", "-E", r.arg});
    EXPECT_EQ(p.result, ParseResult::Error) << r.arg;
    std::string line = std::string("     E ") + r.message + "\n\t--jobs=N";
    EXPECT_NE(p.console.find(line), std::string::npos) << p.console;
  }
}

// A long option's name after one dash (or slash) would run as its first
// letter (-rollup=5 as -R) or fail as an unknown letter: refused, with the
// two-dash spelling offered. Letters with text keep their meaning.
TEST(CommandLineTest, OneDashLongOptionsAreRefusedWithTheRightSpelling) {
  struct Case {
    const char* arg;
    const char* suggestion;
  };
  for (const Case& c :
       {Case{"-rollup=5", "--rollup=5"}, Case{"-health", "--health"}, Case{"-jobs=2", "--jobs=2"},
        Case{"-Recursive", "--recursive"}, Case{"-compress=gzip", "--compress=gzip"},
        Case{"/picture", "--picture"}, Case{"-summary=x.csv", "--summary=x.csv"},
        Case{"-skip-done", "--skip-done"}, Case{"-help", "--help"},
        Case{"-VERSION", "--version"}}) {
    Parsed p = parse({"loopconv", "-E", c.arg});
    EXPECT_EQ(p.result, ParseResult::Error) << c.arg;
    std::string line = std::string("     E Long option with one dash -- '") + c.arg +
                       "', did you mean '" + c.suggestion + "'?\n\t--jobs=N";
    EXPECT_NE(p.console.find(line), std::string::npos) << p.console;
  }
  // Not a long option's name: the letters as ever.
  for (const char* arg : {"-Rows", "-Csv", "-health2", "-H", "-h=1", "-S", "-Rjobs"}) {
    Parsed p = parse({"loopconv", arg});
    EXPECT_EQ(p.console.find("Long option with one dash"), std::string::npos) << arg;
  }
  EXPECT_TRUE(parse({"loopconv", "-Rows"}).options.rowFirst);
  EXPECT_TRUE(parse({"loopconv", "-Csv"}).options.includeRampMeters);
}

TEST(CommandLineTest, ArchiveOptions) {
  Parsed p = parse({"loopconv", "--recursive", "--skip-done", "--summary=runs/today.csv"});
  EXPECT_EQ(p.result, ParseResult::GoOn);
  EXPECT_TRUE(p.options.recursive);
  EXPECT_TRUE(p.options.skipDone);
  EXPECT_EQ(p.options.summaryPath, "runs/today.csv");
  EXPECT_FALSE(parse({"loopconv"}).options.recursive);
  const std::vector<std::string> refused = {"--summary", "--summary=", "--recursive=1",
                                            "--skip-done=yes",
                                            "--summary=" + std::string(260, 'x')};
  for (const std::string& arg : refused) {
    EXPECT_EQ(parse({"loopconv", arg}).result, ParseResult::Error) << arg;
  }
}

TEST(CommandLineTest, DeviceValidation) {
  Parsed ok = parse({"loopconv", "-D005es17329:_MN___1"});
  EXPECT_EQ(ok.result, ParseResult::GoOn);
  EXPECT_TRUE(ok.options.singleDevice);
  EXPECT_EQ(ok.options.deviceName, "005es17329:_MN___1");
  EXPECT_EQ(ok.console, "\tOption -D, String = 005es17329:_MN___1\n");

  const std::string syntax = "     E Illegal 'D' syntax -- too long, too short, or missing ':'!\n";
  for (const char* name : {"005es17329:_MN___12", "005es17329x_MN___1", "005es1732:9_MN___1"}) {
    Parsed p = parse({"loopconv", std::string("-D") + name});
    EXPECT_EQ(p.result, ParseResult::Error) << name;
    EXPECT_EQ(p.console, "\tOption -D, String = " + std::string(name) + "\n" + syntax + kDHelp);
  }
  // 17 characters: too short for the text test.
  for (const char* arg : {"-D005es17329:_MN___", "-Dabc"}) {
    Parsed p = parse({"loopconv", arg});
    EXPECT_EQ(p.result, ParseResult::Error);
    EXPECT_EQ(p.console, std::string("     E Illegal syntax -- no 'D' string!\n") + kDHelp);
  }
  std::string longName(40, 'x');
  Parsed longText = parse({"loopconv", "-D" + longName});
  EXPECT_EQ(longText.console,
            "\tOption -D, String = " + std::string(30, 'x') + "\n" + syntax + kDHelp);
}

TEST(CommandLineTest, HelpStopsParsing) {
  const std::string help =
      std::string(
          "Command separators - / upper or lower case are equivalent for any valid "
          "command. (-X, /X, -x, or /x )\n") +
      kAllHelp;
  Parsed p = parse({"loopconv", "-?"});
  EXPECT_EQ(p.result, ParseResult::HelpShown);
  EXPECT_EQ(p.console, help);
  // Skipped arguments before it do not matter; invalid ones after it are not read.
  Parsed q = parse({"loopconv", "junk", "/?", "-Q"});
  EXPECT_EQ(q.result, ParseResult::HelpShown);
  EXPECT_EQ(q.console, help);
}

TEST(CommandLineTest, IllegalOptionPrintsWholeHelp) {
  Parsed q = parse({"loopconv", "-q", "-?"});
  EXPECT_EQ(q.result, ParseResult::Error);
  EXPECT_EQ(q.console, std::string("     E Illegal option code = Q\n") + kAllHelp);
  // Only a separator: the character after it is the terminating NUL.
  Parsed dash = parse({"loopconv", "-"});
  EXPECT_EQ(dash.result, ParseResult::Error);
  EXPECT_EQ(dash.console, std::string("     E Illegal option code = ") + '\0' + "\n" + kAllHelp);
  // Non-ASCII bytes are not upper-cased and do not crash.
  Parsed bytes = parse({"loopconv", "/\xE9\xFF"});
  EXPECT_EQ(bytes.result, ParseResult::Error);
  EXPECT_EQ(bytes.console, std::string("     E Illegal option code = \xE9\n") + kAllHelp);
}

}  // namespace
}  // namespace loopconv
