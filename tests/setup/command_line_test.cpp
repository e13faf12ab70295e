// The reader of the command line: the split by the C runtime's rules, the mode
// by the wizard's rule and the quiet run's strict one, and the switches' values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

TEST(CommandLine, TheProgramsNameAndTheBlanksAfterItAreLeftOut) {
  const std::pair<const char*, const char*> cases[] = {
      {R"("C:\Program Files\KQ\install.exe" /setup /quiet)", "/setup /quiet"},
      {"install.exe  \t/setup", "/setup"},
      {R"("C:\a b\install.exe"/setup)", "/setup"},
      {R"(C:\KQ\install.exe)", ""},
      {R"(C:\KQ\kquninst.exe /quiet )", "/quiet "},
  };
  for (const auto& [commandLine, arguments] : cases) {
    EXPECT_EQ(ArgumentsAfterProgramName(commandLine), arguments) << commandLine;
  }
}

TEST(CommandLine, SplitsAsTheCRuntimeDoes) {
  struct Case {
    const char* arguments;
    std::vector<std::string> split;
  };
  const Case cases[] = {
      {"", {}},
      {" \t ", {}},
      {"a  b\tc ", {"a", "b", "c"}},
      {R"("a b" c)", {"a b", "c"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      // Backslashes count only before a quote.
      {R"(a\\b c\)", {R"(a\\b)", R"(c\)"}},
      {R"(a\"b)", {R"(a"b)"}},
      {R"(a\\"b c")", {R"(a\b c)"}},
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"("a\"b")", {R"(a"b)"}},
      {R"("a""b")", {R"(a"b)"}},
      {R"("C:\KQ\\" x)", {R"(C:\KQ\)", "x"}},
      // A folder's last backslash inside quotes: the quote after it still closes.
      {R"(/dir="C:\KQ Test\" /log=x)", {R"(/dir=C:\KQ Test\)", "/log=x"}},
      {R"("C:\KQ\")", {R"(C:\KQ\)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitArguments(c.arguments), c.split) << c.arguments;
  }
}

// The wizard takes "/setup" anywhere, in its case; quietly it counts only as
// a whole argument in its case, and every argument must be one the mode knows.
TEST(CommandLine, ModeByTheWizardsRuleOrTheQuietRunsStrictOne) {
  struct Case {
    const char* arguments;
    bool quiet;
    bool installMode;
    bool understood;
  };
  const Case cases[] = {
      {"", false, false, true},
      {"/setup", false, true, true},
      {"-x /setup", false, true, false},
      {"a/setupb", false, true, false},
      {"/SETUP", false, false, false},
      {"/Setup", false, false, false},
      {R"(/dir="C:\my/setup folder")", false, true, true},
      {"/setup/quiet", false, true, false},
      {"/setup /quiet", true, true, true},
      {"/quiet /setup", true, true, true},
      {"/setup /QUIET", true, true, true},
      {"/SETUP /quiet", true, false, false},
      {"/quiet /Setup", true, false, false},
      {"/quiet", true, false, true},
      {"/quiet /log=kq.log", true, false, true},
      {R"(/quiet /dir=C:\x/setup)", true, false, false},
      {"/quiet /allusers", true, false, false},
      {"/setup /quiet /options=desktop,nope", true, true, false},
      {"/setup /quiet /options=desktop,,group", true, true, false},
      {"/setup /quiet /backup=dates,all", true, true, false},
      {"/setup /quiet /option=desktop", true, true, false},
      {"/setup /quiet now", true, true, false},
      {"/setup /quiet /options=", true, true, true},
  };
  for (const Case& c : cases) {
    const CommandLine command = ReadCommandLine(c.arguments);
    EXPECT_EQ(command.quiet, c.quiet) << c.arguments;
    EXPECT_EQ(command.installMode, c.installMode) << c.arguments;
    EXPECT_EQ(command.understood, c.understood) << c.arguments;
  }
}

TEST(CommandLine, SwitchValuesAndWordsInAnyCase) {
  struct Case {
    const char* arguments;
    bool folderGiven;
    const char* folder;
    InstallOptions options;
    UpdateChoices backups;
    const char* logFile;
  };
  const Case cases[] = {
      {"/setup /quiet", false, "", {}, {}, ""},
      {R"(/setup /quiet /DIR="C:\KQ Test\" /Options=Desktop,ASSOCIATE,startup,Group )"
       R"(/BACKUP=Dates,runs /AllUsers /Log="C:\logs\kq.log")",
       true, R"(C:\KQ Test\)", {true, true, true, true, true}, {true, true}, R"(C:\logs\kq.log)"},
      {"/setup /quiet /dir= /options=group /backup=runs", true, "", {false, false, false, true, false},
       {false, true}, ""},
      {R"(/quiet /log="C:\KQ logs\")", false, "", {}, {}, R"(C:\KQ logs\)"},
      {R"(/setup /log=C:\kq.log)", false, "", {}, {}, R"(C:\kq.log)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CommandLine command = ReadCommandLine(c.arguments);
    EXPECT_TRUE(command.understood);
    EXPECT_EQ(command.folderGiven, c.folderGiven);
    EXPECT_EQ(command.folder, c.folder);
    EXPECT_EQ(command.options.desktop, c.options.desktop);
    EXPECT_EQ(command.options.associate, c.options.associate);
    EXPECT_EQ(command.options.startup, c.options.startup);
    EXPECT_EQ(command.options.group, c.options.group);
    EXPECT_EQ(command.options.allUsers, c.options.allUsers);
    EXPECT_EQ(command.backups.replaceDates, c.backups.replaceDates);
    EXPECT_EQ(command.backups.replaceRuns, c.backups.replaceRuns);
    EXPECT_EQ(command.logFile, c.logFile);
  }
}

}  // namespace
