// dorvik-sim's script language and output, run in-process.
#include <AppletSession.h>
#include <Demonstration.h>
#include <ScriptRunner.h>
#include <Simulator.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {
std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::string &line, const std::string &fragment) {
  return line.find(fragment) != std::string::npos;
}

struct ScriptRun {
  bool ok;
  bool fault;
  std::vector<std::string> lines;
};

ScriptRun RunScript(const std::vector<std::string> &script) {
  std::ostringstream out;
  ResetWin32Side();
  Simulator simulator;
  AppletSession applet(DORVIK_RES_PATH);
  ScriptRunner runner(simulator, applet, out);
  const bool ok = runner.RunLines(script);
  return ScriptRun{ok, simulator.AnyFault(), Lines(out.str())};
}
}  // namespace

// The one output line of the script line that holds fragment.
std::string OutputOf(const ScriptRun &run, const std::vector<std::string> &script,
                     const std::string &fragment) {
  for (size_t i = 0; i < script.size(); ++i) {
    if (script[i].find(fragment) == std::string::npos) continue;
    const std::string prefix = "{\"line\":" + std::to_string(i + 1) + ",";
    for (const std::string &line : run.lines) {
      if (line.rfind(prefix, 0) == 0) return line;
    }
  }
  return "";
}

TEST(SimulatorTest, DemonstrationRunsCleanly) {
  ScriptRun run = RunScript(kDemonstration);
  ASSERT_TRUE(run.ok);
  EXPECT_FALSE(run.fault);
  ASSERT_EQ(kDemonstration.size(), run.lines.size());
  for (size_t i = 0; i < run.lines.size(); ++i) {
    EXPECT_TRUE(Has(run.lines[i], "{\"line\":" + std::to_string(i + 1) + ",")) << run.lines[i];
  }
  const std::vector<std::string> &demo = kDemonstration;
  EXPECT_TRUE(Has(OutputOf(run, demo, "cpl ok"),
                  "\"boards\":[{\"board\":0,\"port\":\"0x00000368\"},{\"board\":1,\"port\":\"0x000003e8\"}]"));
  EXPECT_TRUE(Has(OutputOf(run, demo, "boot"),
                  "\"devices\":[\"\\\\Device\\\\Dorvik0\",\"\\\\Device\\\\Dorvik1\"]"));
  const std::string first_data = OutputOf(run, demo, "0000cdab");
  EXPECT_TRUE(Has(first_data, "\"output\":\"0000\""));
  EXPECT_TRUE(Has(first_data, "\"data_words\":[\"0xabcd\"],\"status_reads\":1201"));
  const std::string busy_data = OutputOf(run, demo, "00003412");
  EXPECT_TRUE(Has(busy_data, "\"output\":\"0800\""));
  EXPECT_TRUE(Has(busy_data, "\"data_words\":[],\"status_reads\":5000"));
  EXPECT_TRUE(Has(run.lines.back(), "\"unloaded\":true,\"left_behind\":[]"));
}

TEST(SimulatorTest, AppletWithBoardZeroInactiveRemovesTheDriver) {
  const std::vector<std::string> script = {
      "configure 0 0x300", "boot", "cpl open", "cpl active off", "cpl ok", "restart"};
  ScriptRun run = RunScript(script);
  ASSERT_TRUE(run.ok);
  EXPECT_FALSE(run.fault);
  EXPECT_TRUE(Has(OutputOf(run, script, "cpl active"),
                  "\"shows\":{\"board\":\"0\",\"active\":false,\"address\":\"300\"}"));
  EXPECT_TRUE(Has(OutputOf(run, script, "cpl ok"), "\"registry\":{\"service_key\":false,\"boards\":[]}"));
  EXPECT_TRUE(Has(OutputOf(run, script, "restart"), "\"outcome\":\"no service key\""));
}

TEST(SimulatorTest, CancelWritesNothing) {
  const std::vector<std::string> script = {
      "cpl open", "cpl board 2", "cpl active on", "cpl address 2a0", "cpl cancel"};
  ScriptRun run = RunScript(script);
  ASSERT_TRUE(run.ok);
  EXPECT_TRUE(Has(OutputOf(run, script, "cpl address"),
                  "\"shows\":{\"board\":\"2\",\"active\":true,\"address\":\"2a0\"}"));
  const std::string cancel = OutputOf(run, script, "cpl cancel");
  EXPECT_FALSE(Has(cancel, "confirmation"));
  EXPECT_TRUE(Has(cancel, "\"service_key\":false"));
}

TEST(SimulatorTest, HandleLeftOpenAtUnloadIsReported) {
  ScriptRun run = RunScript({"configure 0 0x368", "boot", "open 0", "unload"});
  ASSERT_TRUE(run.ok);
  EXPECT_TRUE(run.fault);
  bool reported = false;
  for (const std::string &line : run.lines) reported |= Has(line, "\"action\":\"verifier\"");
  EXPECT_TRUE(reported);
}

TEST(SimulatorTest, RegistryFileSeedsTheMachine) {
  char path[] = "/tmp/dorvik-sim-test-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik]\r\n"
      "\"Type\"=dword:00000001\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters]\r\n"
      "\"PortAddress0\"=dword:00000300\r\n";
  ASSERT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
  close(fd);
  ScriptRun run = RunScript({std::string("registry ") + path, "boot", "open 0", "ioctl 1 resource 2 4",
                       "close 1", "unload"});
  std::remove(path);
  ASSERT_TRUE(run.ok);
  EXPECT_FALSE(run.fault);
  EXPECT_TRUE(Has(run.lines[0], "\"ok\":true"));
  EXPECT_TRUE(Has(run.lines[3], "\"output\":\"00000003\""));
}

TEST(SimulatorTest, ClaimedRangeKeepsTheDriverFromLoading) {
  ScriptRun run = RunScript({"configure 0 0x368", "claim 0x368 2", "boot"});
  ASSERT_TRUE(run.ok);
  EXPECT_TRUE(Has(run.lines[2], "\"outcome\":\"entry point failed\",\"status\":\"0xc000009a\""));
}

struct BadLine {
  const char *line;
  const char *message;
};

class SimulatorScriptErrorTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(SimulatorScriptErrorTest, StopsWithAnErrorObject) {
  ScriptRun run = RunScript({GetParam().line, "boot"});
  EXPECT_FALSE(run.ok);
  ASSERT_EQ(1u, run.lines.size());
  EXPECT_TRUE(Has(run.lines[0], "\"action\":\"error\"")) << run.lines[0];
  EXPECT_TRUE(Has(run.lines[0], GetParam().message)) << run.lines[0];
}

INSTANTIATE_TEST_SUITE_P(Lines, SimulatorScriptErrorTest,
                         ::testing::Values(BadLine{"launch", "unknown action"},
                                           BadLine{"open", "usage: open"},
                                           BadLine{"open 16", "usage: open"},
                                           BadLine{"ioctl 1 create 4 4 zz", "usage: ioctl"},
                                           BadLine{"ioctl 1 create 1 4 3412", "usage: ioctl"},
                                           BadLine{"board 0x368 busy=x", "usage: board"},
                                           BadLine{"configure 16 0x368", "usage: configure"},
                                           BadLine{"cpl board 1", "not open"},
                                           BadLine{"cpl", "usage: cpl"}));

TEST(SimulatorTest, OtherActionsWaitForTheDialog) {
  ScriptRun run = RunScript({"cpl open", "boot"});
  EXPECT_FALSE(run.ok);
  ASSERT_EQ(2u, run.lines.size());
  EXPECT_TRUE(Has(run.lines[1], "finish it with")) << run.lines[1];
}

TEST(SimulatorTest, CommentsAndBlankLinesPrintNothing) {
  ScriptRun run = RunScript({"# a comment", "", "   # indented"});
  EXPECT_TRUE(run.ok);
  EXPECT_TRUE(run.lines.empty());
}
