// dorvik-sim's script language and output, run in-process.
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
  Simulator simulator;
  ScriptRunner runner(simulator, out);
  const bool ok = runner.RunLines(script);
  return ScriptRun{ok, simulator.AnyFault(), Lines(out.str())};
}
}  // namespace

TEST(SimulatorTest, DemonstrationRunsCleanly) {
  ScriptRun run = RunScript(kDemonstration);
  ASSERT_TRUE(run.ok);
  EXPECT_FALSE(run.fault);
  ASSERT_EQ(kDemonstration.size(), run.lines.size());
  for (size_t i = 0; i < run.lines.size(); ++i) {
    EXPECT_TRUE(Has(run.lines[i], "{\"line\":" + std::to_string(i + 1) + ",")) << run.lines[i];
  }
  EXPECT_TRUE(Has(run.lines[4], "\"devices\":[\"\\\\Device\\\\Dorvik0\",\"\\\\Device\\\\Dorvik1\"]"));
  EXPECT_TRUE(Has(run.lines[8], "\"output\":\"0000\""));
  EXPECT_TRUE(Has(run.lines[8], "\"data_words\":[\"0xabcd\"],\"status_reads\":1201"));
  EXPECT_TRUE(Has(run.lines[10], "\"output\":\"0800\""));
  EXPECT_TRUE(Has(run.lines[10], "\"data_words\":[],\"status_reads\":5000"));
  EXPECT_TRUE(Has(run.lines.back(), "\"unloaded\":true,\"left_behind\":[]"));
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
                                           BadLine{"configure 16 0x368", "usage: configure"}));

TEST(SimulatorTest, CommentsAndBlankLinesPrintNothing) {
  ScriptRun run = RunScript({"# a comment", "", "   # indented"});
  EXPECT_TRUE(run.ok);
  EXPECT_TRUE(run.lines.empty());
}
