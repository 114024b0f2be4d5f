// dorvik-sim: runs the Dorvik driver on a simulated machine, without the
// board or the operating system. See the README for the script language and
// the output format.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "AppletSession.h"
#include "Demonstration.h"
#include "ScriptRunner.h"
#include "Simulator.h"

namespace {
const char kUsage[] =
    "usage: dorvik-sim                      run the built-in demonstration\n"
    "       dorvik-sim [options] [SCRIPT|-] set up, boot, then run SCRIPT (default: standard input)\n"
    "options:\n"
    "  --registry FILE          seed the registry from a registry export file (.reg)\n"
    "  --board PORT[,busy=N|always][,status=BITS]\n"
    "                           attach a board model at PORT\n"
    "  --claim PORT,LENGTH      let another driver claim a port range before boot\n"
    "  --no-boot                do not load the driver before the script\n"
    "exit status: 0 all well, 1 the verifier found a fault or something was left behind,\n"
    "             2 a usage or script error\n";


std::vector<std::string> Split(const std::string &text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

int Fail(const std::string &message) {
  std::cerr << "dorvik-sim: " << message << "\n" << kUsage;
  return 2;
}
}  // namespace

int main(int argc, char **argv) {
  ResetWin32Side();
  Simulator simulator;
  AppletSession applet(DORVIK_RES_PATH);
  ScriptRunner runner(simulator, applet, std::cout);

  if (argc == 1) {
    std::cerr << "dorvik-sim: demonstration (run with --help for usage)\n";
    for (const std::string &line : kDemonstration) std::cerr << "  " << line << "\n";
    if (!runner.RunLines(kDemonstration)) return 2;
    return simulator.AnyFault() ? 1 : 0;
  }

  std::vector<std::string> setup;
  bool boot = true;
  std::string script = "-";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--registry" && has_value) {
      setup.push_back("registry " + std::string(argv[++i]));
    } else if (arg == "--board" && has_value) {
      std::vector<std::string> parts = Split(argv[++i], ',');
      std::string line = "board";
      for (const std::string &part : parts) line += " " + part;
      setup.push_back(line);
    } else if (arg == "--claim" && has_value) {
      std::vector<std::string> parts = Split(argv[++i], ',');
      if (parts.size() != 2) return Fail("--claim takes PORT,LENGTH");
      setup.push_back("claim " + parts[0] + " " + parts[1]);
    } else if (arg == "--no-boot") {
      boot = false;
    } else if (i == argc - 1 && (arg == "-" || arg[0] != '-')) {
      script = arg;
    } else {
      return Fail("unknown option " + arg);
    }
  }
  if (boot) setup.push_back("boot");
  if (!runner.RunLines(setup)) return 2;

  bool ok;
  if (script == "-") {
    ok = runner.Run(std::cin);
  } else {
    std::ifstream in(script);
    if (!in) return Fail("cannot read " + script);
    ok = runner.Run(in);
  }
  if (!ok) return 2;
  return simulator.AnyFault() ? 1 : 0;
}
