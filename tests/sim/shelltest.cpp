// The shell on the line: echo, prompt, line editing and the file commands'
// answers, driven through the pty as the utility drives it.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

class ShellTest : public SimFixture {
 protected:
  void SetUp() override {
    StartSim();
    ASSERT_TRUE(Term.Open(PortPath())) << PortPath();
  }
  // The answer between the echoed CR's CR LF and the prompt.
  std::string Run(const std::string& command) { return Term.Command(command); }

  SimTerminal Term;
};

TEST_F(ShellTest, echoesEachByteErasesWithBsBlankBsAndAnswersWithCrLfLinesAndPrompt) {
  ASSERT_TRUE(Term.TypeEchoed("cd\r"));
  EXPECT_EQ(Term.ReadUntilPrompt(), "\r\nD:\\\r\nD:\\>");
  ASSERT_TRUE(Term.TypeEchoed("\r"));
  EXPECT_EQ(Term.ReadUntilPrompt(), "\r\nD:\\>");
  Term.Write("cdx\b");
  EXPECT_EQ(Term.ReadExact(6), "cdx\b \b");
  Term.Write("\r");
  EXPECT_EQ(Term.ReadUntilPrompt(), "\r\r\nD:\\\r\nD:\\>");
}

TEST_F(ShellTest, changesFoldersAndRefusesMissingOnes) {
  ASSERT_TRUE(Sim().MakeDir("\\DATA\\LOG"));
  struct Case {
    const char* Command;
    const char* Answer;
  } cases[] = {
      {"cd\\DATA\\LOG", "\r\nD:\\DATA\\LOG>"},
      {"cd..", "\r\nD:\\DATA>"},
      {"CD log", "\r\nD:\\DATA\\LOG>"},
      {"cd\\", "\r\nD:\\>"},
      {"cd data", "\r\nD:\\DATA>"},
      {"cd\\NOPE", "\r\nInvalid directory\r\nD:\\DATA>"},
      {"cd \\DATA\\LOG\\DEEPER", "\r\nInvalid directory\r\nD:\\DATA>"},
      {"c:", "\r\nC:\\>"},
      {"cd \\", "\r\nC:\\>"},
      {"d:", "\r\nD:\\DATA>"},
      {"cd\\", "\r\nD:\\>"},
      {"cd..", "\r\nInvalid directory\r\nD:\\>"},
      {"x:", "\r\nInvalid drive\r\nD:\\>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.Command), c.Answer) << c.Command;
}

TEST_F(ShellTest, makeDirectoryReportsUnableOrInvalid) {
  ASSERT_TRUE(Sim().PutFile("\\FILE.TXT", "x"));
  EXPECT_EQ(Run("md NEW"), "\r\nD:\\>");
  EXPECT_TRUE(Sim().Exists("\\NEW"));
  EXPECT_EQ(Run("mkdir new\\SUB"), "\r\nD:\\>");
  EXPECT_TRUE(Sim().Exists("\\NEW\\SUB"));
  for (const char* command : {"md NEW", "md FILE.TXT", "md \\MISSING\\SUB", "md \\"})
    EXPECT_NE(Run(command).find("Unable to create directory\r\n"), std::string::npos) << command;
  for (const char* command : {"md TOOLONGNAME", "md A.B.C", "md BAD*"})
    EXPECT_NE(Run(command).find("Invalid "), std::string::npos) << command;
}

TEST_F(ShellTest, renameReportsDuplicateOrInvalid) {
  ASSERT_TRUE(Sim().PutFile("\\A.TXT", "a"));
  ASSERT_TRUE(Sim().PutFile("\\B.TXT", "b"));
  EXPECT_EQ(Run("ren A.TXT C.TXT"), "\r\nD:\\>");
  EXPECT_EQ(Sim().GetFile("\\C.TXT"), "a");
  EXPECT_FALSE(Sim().Exists("\\A.TXT"));
  for (const char* command : {"ren C.TXT B.TXT", "ren MISSING.TXT D.TXT"})
    EXPECT_NE(Run(command).find("Duplicate file name or file not found\r\n"), std::string::npos) << command;
  for (const char* command : {"ren C.TXT ABCDEFGHI.TXT", "ren C.TXT \\X\\D.TXT", "ren C.TXT A?.TXT"})
    EXPECT_NE(Run(command).find("Invalid "), std::string::npos) << command;
  EXPECT_EQ(Sim().GetFile("\\C.TXT"), "a");
}

TEST_F(ShellTest, deleteAndRemoveDirectory) {
  ASSERT_TRUE(Sim().PutFile("\\DIR\\F.TXT", "f"));
  EXPECT_EQ(Run("rd DIR"), "\r\nInvalid path, not directory,\r\nor directory not empty\r\nD:\\>");
  EXPECT_EQ(Run("del dir\\f.txt"), "\r\nD:\\>");
  EXPECT_EQ(Run("del DIR\\F.TXT"), "\r\nFile not found\r\nD:\\>");
  EXPECT_EQ(Run("cd DIR"), "\r\nD:\\DIR>");
  EXPECT_EQ(Run("rd \\DIR"), "\r\nAttempt to remove current directory - D:\\DIR\r\nD:\\DIR>");
  EXPECT_EQ(Run("cd\\"), "\r\nD:\\>");
  EXPECT_EQ(Run("rd DIR"), "\r\nD:\\>");
  EXPECT_FALSE(Sim().Exists("\\DIR"));
  ASSERT_TRUE(Sim().PutFile("\\X1.LOG", "1"));
  ASSERT_TRUE(Sim().PutFile("\\X2.LOG", "2"));
  ASSERT_TRUE(Sim().PutFile("\\X3.TXT", "3"));
  EXPECT_EQ(Run("del X?.LOG"), "\r\nD:\\>");
  EXPECT_FALSE(Sim().Exists("\\X1.LOG"));
  EXPECT_TRUE(Sim().Exists("\\X3.TXT"));
}

TEST_F(ShellTest, echoAppendsToFileAndCreatesIt) {
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  EXPECT_EQ(Run("cd\\DATA"), "\r\nD:\\DATA>");
  EXPECT_EQ(Run("echo PROG.EXE>>AutoRun.bat"), "\r\nD:\\DATA>");
  EXPECT_EQ(Run("echo PROG.EXE>>AutoRun.bat"), "\r\nD:\\DATA>");
  EXPECT_EQ(Sim().GetFile("\\DATA\\AUTORUN.BAT"), "PROG.EXE\r\nPROG.EXE\r\n");
  EXPECT_EQ(Run("echo NEW>AUTORUN.BAT"), "\r\nD:\\DATA>");
  EXPECT_EQ(Sim().GetFile("\\DATA\\AUTORUN.BAT"), "NEW\r\n");
  EXPECT_EQ(Run("echo hello"), "\r\nhello\r\nD:\\DATA>");
  EXPECT_EQ(Run("type autorun.bat"), "\r\nNEW\r\nD:\\DATA>");
}

TEST_F(ShellTest, unknownCommandsAndProgramsOnlyWhenPresent) {
  EXPECT_EQ(Run("frobnicate"), "\r\nBad command or file name\r\nD:\\>");
  EXPECT_EQ(Run("A"), "\r\nBad command or file name\r\nD:\\>");
  EXPECT_EQ(Run("D:\\MODID"), "\r\nBad command or file name\r\nD:\\>");
  ASSERT_TRUE(Sim().PutFile("\\MODID.EXE", "MZ"));
  const std::string modid = Run("D:\\MODID");
  EXPECT_NE(modid.find("7101"), std::string::npos) << modid;
  ASSERT_TRUE(Sim().PutFile("\\TOOLS\\DIAG.EXE", "MZ"));
  EXPECT_EQ(Run("tools\\diag"), "\r\nDIAG.EXE: program ended (exit code 0)\r\nD:\\>");
  const std::string mem = Run("C:\\mem");
  EXPECT_NE(mem.find("Conventional"), std::string::npos) << mem;
}

TEST_F(ShellTest, damagedDriveAsksAbortRetryFailUntilFormatted) {
  using std::chrono::milliseconds;
  Sim().FillDemo();
  Sim().Damage();
  ASSERT_TRUE(Term.TypeEchoed("dir\r"));
  const std::string question = "General failure reading drive D\r\nAbort, Retry, Fail?";
  EXPECT_EQ(Term.ReadUntil("Fail?"), "\r\n" + question);
  Term.Write("x");
  EXPECT_EQ(Term.ReadQuiet(milliseconds(200)), "") << "only A, R and F are taken";
  Term.Write("r");
  EXPECT_EQ(Term.ReadUntil("Fail?"), "r\r\n" + question);
  // The utility's ABORT: "A" and CR, each with its echo.
  ASSERT_TRUE(Term.TypeEchoed("A\r"));
  EXPECT_EQ(Term.ReadUntil("\r\r\nD:\\>"), "\nD:\\>\r\r\nD:\\>");
  EXPECT_NE(Term.Command("C:\\mem").find("Conventional"), std::string::npos) << "C: still works";
  // Fail gives the command up too; a retry after the drive is mended goes on.
  ASSERT_TRUE(Term.TypeEchoed("cd\r"));
  EXPECT_EQ(Term.ReadUntil("Fail?"), "\r\n" + question);
  Term.Write("F");
  EXPECT_EQ(Term.ReadUntilPrompt(), "F\r\nD:\\>");
  ASSERT_TRUE(Term.TypeEchoed("cd\r"));
  EXPECT_EQ(Term.ReadUntil("Fail?"), "\r\n" + question);
  Sim().Format();
  Term.Write("R");
  EXPECT_EQ(Term.ReadUntil("\r\nD:\\>"), "R\r\n\r\nD:\\\r\nD:\\>");
}

TEST_F(ShellTest, formatProgramEmptiesTheDriveWithProgressLines) {
  Sim().FillDemo();
  Sim().Damage();
  ASSERT_TRUE(Term.TypeEchoed("cd\\\r"));
  EXPECT_NE(Term.ReadUntil("Fail?").find("Abort, Retry, Fail?"), std::string::npos);
  Term.Write("A");
  Term.ReadUntilPrompt();
  ASSERT_TRUE(Term.TypeEchoed("C:\\DLFMT D: /C\r"));
  const std::string answer = Term.ReadUntilPrompt();
  EXPECT_NE(answer.find("Format complete.\r\n"), std::string::npos) << answer;
  EXPECT_GE(std::count(answer.begin(), answer.end(), '\n'), 6);
  EXPECT_EQ(Sim().FreeBytes(), 999424u);
  EXPECT_NE(Run("dir").find("        0 file(s)              0 bytes\r\n"), std::string::npos);
  ASSERT_TRUE(Term.TypeEchoed("C:\\DLFMT D:\r"));
  EXPECT_EQ(Term.ReadUntil("(Y/N)?"), "\r\nAll data on drive D: will be lost!\r\nProceed with format (Y/N)?");
  Term.Write("n");
  EXPECT_EQ(Term.ReadUntilPrompt(), "n\r\nD:\\>");
}

}  // namespace
