// MODID and the 7101 module simulation on the console line.

#include <gtest/gtest.h>

#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

std::string LastCompleteLine(const std::string& answer) {
  const size_t end = answer.rfind("\r\n");
  const size_t start = answer.rfind("\r\n", end - 1);
  return answer.substr(start + 2, end - start - 2);
}

class ModuleTest : public SimFixture {
 protected:
  void Begin(const std::string& module) {
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Module = module;
    StartSim(options);
    ASSERT_TRUE(Sim().PutFile("\\MODID.EXE", "MZ"));
    ASSERT_TRUE(Sim().PutFile("\\SIMU7101.EXE", "MZ"));
    ASSERT_TRUE(Term.Open(PortPath()));
  }
  std::string Ask(const std::string& command) {
    Term.Write(command + "\r");
    return Term.ReadUntil("\r", std::chrono::milliseconds(2000));
  }
  SimTerminal Term;
};

TEST_F(ModuleTest, modidNamesTheFittedModuleOnItsLastLine) {
  struct Case {
    const char* Module;
    bool Names7101;
  } cases[] = {{"7101", true}, {"NONE", false}, {"7188", false}};
  for (const Case& c : cases) {
    Harness.Stop();
    Begin(c.Module);
    const std::string answer = Term.Command("D:\\MODID");
    EXPECT_EQ(LastCompleteLine(answer).find("7101") != std::string::npos, c.Names7101) << answer;
    if (std::string(c.Module) == "7188") {
      EXPECT_NE(LastCompleteLine(answer).find("7188"), std::string::npos);
    }
  }
}

TEST_F(ModuleTest, simulationAnswersModuleCommandsUntilOL) {
  Begin("7101");
  Sim().SetModuleInputs(0x03);
  ASSERT_TRUE(Term.TypeEchoed("D:\\simu7101\r"));
  EXPECT_EQ(Term.ReadByte(), '\n') << "the shell's line feed before the program";
  EXPECT_EQ(Ask("$012"), "!01400600\r");
  EXPECT_EQ(Ask("$016"), "!000300\r");
  EXPECT_EQ(Ask("#011201"), ">\r");
  EXPECT_EQ(Ask("#011001"), ">\r");
  EXPECT_EQ(Sim().ModuleOutputs(), 0x05);
  Sim().SetModuleInputs(0x0A);
  EXPECT_EQ(Ask("$016"), "!050A00\r");
  EXPECT_EQ(Ask("#011200"), ">\r");
  EXPECT_EQ(Ask("$016"), "!010A00\r");
  EXPECT_EQ(Ask("#01ZZ"), "?01\r");
  EXPECT_EQ(Ask("#011701"), "?01\r");
  // Another address: the module stays silent.
  Term.Write("$026\r");
  EXPECT_EQ(Term.ReadQuiet(std::chrono::milliseconds(200)), "");
  Term.Write("#01OL\r");
  EXPECT_EQ(Term.ReadUntilPrompt(), ">\r\r\nD:\\>");
  EXPECT_EQ(Term.Command("cd"), "\r\nD:\\\r\nD:\\>");
}

}  // namespace
