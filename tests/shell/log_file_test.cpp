#include "shell/log_file.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::ReadFile;
using test::ScratchDir;

std::tm Tm(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

constexpr std::string_view kStartBlock = "--- START ---\t2026-01-09 13:04:05\r\nVersion 2.5\r\n";
constexpr std::string_view kEndLine = "--- END ---\t2026-01-09\t23:59:58\r\n";

// A program folder in a scratch folder, with a program whose header names version 2.5,
// and a clock that answers 13:04:05 first and 23:59:58 after that.
class LogFileTest : public ::testing::Test {
 protected:
  LogFileTest() { scratch_.Write("prog/kasumido", "#!/bin/sh\n# kasumido ver 2.5\n"); }

  std::string ProgramFile() const { return scratch_.File("prog/kasumido"); }
  TLogFile::TimeSource Clock() {
    return [this] {
      return clock_calls_++ == 0 ? Tm(2026, 1, 9, 13, 4, 5) : Tm(2026, 1, 9, 23, 59, 58);
    };
  }
  std::string LogPath() const { return scratch_.File("host/Shelvio.log"); }
  std::string Log() const { return ReadFile(LogPath()); }

  ScratchDir scratch_;
  int clock_calls_ = 0;
};

TEST_F(LogFileTest, StartBlockCreatesOrAppendsToTheFile) {
  struct Case {
    const char* existing;  // nullptr: no file yet
    std::string expected;
  };
  const std::vector<Case> cases = {
      {nullptr, std::string(kStartBlock)},
      {"old line\r\n", "old line\r\n" + std::string(kStartBlock)},
      {"", std::string(kStartBlock)},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(scratch_.Path() / "host");
    std::filesystem::create_directories(scratch_.Path() / "host");
    if (c.existing) scratch_.Write("host/Shelvio.log", c.existing);
    clock_calls_ = 0;
    TLogFile log(ProgramFile(), Clock());
    log.SetLogFileName(LogPath());
    log.SetActive(true);
    EXPECT_TRUE(log.Active());
    EXPECT_EQ(Log(), c.expected) << (c.existing ? c.existing : "(no file)");
    log.SetActive(false);
  }
}

TEST_F(LogFileTest, WritesEachKindOfLineWithItsExactBytes) {
  struct Case {
    std::string message;
    bool is_error;
    std::string line;
  };
  const std::string failed(texts::kLogRunFailed);
  const std::vector<Case> cases = {
      {std::string(texts::kLogPlanStart), false, std::string(texts::kLogPlanStart) + "\r\n"},
      {"http://x/a/ " + std::string(texts::kWordDownload), false,
       "http://x/a/ " + std::string(texts::kWordDownload) + "\r\n"},
      {"", false, "\r\n"},
      {failed, true, "Shelvio.log: " + failed + " (C.ERROR)\r\n"},
      {"x", true, "Shelvio.log: x (C.ERROR)\r\n"},
  };
  TLogFile log(ProgramFile(), Clock());
  log.SetLogFileName(LogPath());
  std::filesystem::create_directories(scratch_.Path() / "host");
  log.SetActive(true);
  std::string expected(kStartBlock);
  for (const Case& c : cases) {
    EXPECT_TRUE(log.WriteLog(c.message, c.is_error)) << test::Utf8FromSjis(c.message);
    expected += c.line;
  }
  log.SetActive(false);
  expected += kEndLine;
  EXPECT_EQ(Log(), expected);
  EXPECT_FALSE(log.WriteLog("after the end", false));
  EXPECT_EQ(Log(), expected);
}

TEST_F(LogFileTest, VersionLineTakesTheProgramsFileVersion) {
  struct Case {
    std::string program;
    std::string version_line;
  };
  const std::vector<Case> cases = {
      {ProgramFile(), "Version 2.5\r\n"},
      {scratch_.File("prog/missing"), "Version \r\n"},
      // The suite itself carries the program's version block.
      {std::filesystem::read_symlink("/proc/self/exe").string(),
       "Version " KASUMIDO_PROJECT_VERSION "\r\n"},
  };
  for (const Case& c : cases) {
    const std::string path = scratch_.File("version.log");
    std::filesystem::remove(path);
    TLogFile log(c.program, Clock());
    log.SetLogFileName(path);
    log.SetActive(true);
    const std::string content = ReadFile(path);
    const std::size_t line_end = content.find("\r\n");
    ASSERT_NE(line_end, std::string::npos) << c.program;
    EXPECT_EQ(content.substr(line_end + 2), c.version_line) << c.program;
    log.SetActive(false);
  }
}

TEST_F(LogFileTest, WritingActiveTrueTwiceWritesTwoStartBlocks) {
  std::filesystem::create_directories(scratch_.Path() / "host");
  TLogFile log(ProgramFile(), [] { return Tm(2026, 1, 9, 13, 4, 5); });
  log.SetLogFileName(LogPath());
  log.SetActive(true);
  log.SetActive(true);
  EXPECT_EQ(Log(), std::string(kStartBlock) + std::string(kStartBlock));
}

TEST_F(LogFileTest, DestructionWhileActiveWritesTheEndLine) {
  std::filesystem::create_directories(scratch_.Path() / "host");
  {
    TLogFile log(ProgramFile(), Clock());
    log.SetLogFileName(LogPath());
    log.SetActive(true);
  }
  EXPECT_EQ(Log(), std::string(kStartBlock) + std::string(kEndLine));
  {
    TLogFile log(ProgramFile(), Clock());  // never switched on
    log.SetLogFileName(LogPath());
  }
  EXPECT_EQ(Log(), std::string(kStartBlock) + std::string(kEndLine));
}

TEST_F(LogFileTest, RelativeNameLiesBelowTheProgramFolderNotTheCurrentDirectory) {
  ScratchDir elsewhere;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.Path());
  TLogFile log(ProgramFile(), Clock());
  log.SetLogFileName("logs/run.log");
  log.SetActive(true);
  const bool written = log.WriteLog("x", true);
  std::filesystem::current_path(previous);

  EXPECT_TRUE(written);
  EXPECT_EQ(log.LogFileName(), scratch_.File("prog/logs/run.log"));
  EXPECT_EQ(scratch_.Read("prog/logs/run.log"),
            std::string(kStartBlock) + "run.log: x (C.ERROR)\r\n");
  EXPECT_FALSE(std::filesystem::exists(elsewhere.Path() / "logs"));
}

TEST_F(LogFileTest, UnwritableLogSwitchesItselfOffWithoutComplaint) {
  std::filesystem::create_directories(scratch_.Path() / "host/Shelvio.log");  // a folder
  scratch_.Write("plain.txt", "not a folder");
  const std::vector<std::string> names = {
      LogPath(),                         // a folder in the file's place
      scratch_.File("plain.txt/x.log"),  // a path through a regular file
      "two/levels/run.log",              // only one missing folder level is created
  };
  for (const std::string& name : names) {
    TLogFile log(ProgramFile(), Clock());
    log.SetLogFileName(name);
    log.SetActive(true);
    EXPECT_FALSE(log.Active()) << name;
    EXPECT_FALSE(log.WriteLog("lost", false)) << name;
  }
  EXPECT_TRUE(std::filesystem::is_directory(LogPath()));
  EXPECT_EQ(ReadFile(scratch_.File("plain.txt")), "not a folder");
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / "prog/two"));
}

TEST_F(LogFileTest, NoLinesWithoutANameOrWhileOff) {
  const std::vector<std::string> names = {"", " \t\r\n"};
  for (const std::string& name : names) {
    TLogFile log(ProgramFile(), Clock());
    log.SetLogFileName(name);
    EXPECT_FALSE(log.WriteLog("while off", false));
    log.SetActive(true);
    EXPECT_FALSE(log.WriteLog("without a name", false));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.Path() / "prog"),
                          std::filesystem::directory_iterator()),
            1);  // only the program
}

TEST_F(LogFileTest, EveryLineReopensTheFileSoTheHostMayRenameItBetweenLines) {
  std::filesystem::create_directories(scratch_.Path() / "host");
  TLogFile log(ProgramFile(), Clock());
  log.SetLogFileName(LogPath());
  log.SetActive(true);
  std::filesystem::rename(LogPath(), scratch_.File("host/Shelvio.old"));
  EXPECT_TRUE(log.WriteLog("next", false));
  EXPECT_EQ(Log(), "next\r\n");
  EXPECT_EQ(scratch_.Read("host/Shelvio.old"), kStartBlock);
}

}  // namespace
}  // namespace kasumido
