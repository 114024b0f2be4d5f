// Reads the simulator's script language, one action per line, and prints one
// JSON object per action on its own line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "AppletSession.h"
#include "Simulator.h"

class ScriptRunner {
 public:
  ScriptRunner(Simulator &simulator, AppletSession &applet, std::ostream &out)
      : simulator_(simulator), applet_(applet), out_(out) {}
  // Runs every line; false (after printing an "error" object) at the first
  // line that cannot be understood.
  bool RunLine(const std::string &line, int number);
  bool Run(std::istream &in);
  bool RunLines(const std::vector<std::string> &lines);

 private:
  void Print(int line, const JsonObject &object);
  bool Error(int line, const std::string &message);  // always false
  bool RunAppletLine(const std::vector<std::string> &args, int number);
  void PrintFaults();
  Simulator &simulator_;
  AppletSession &applet_;
  // Dialog steps wait for OK or Cancel, which runs the dialog; then each is
  // printed with its script line and what the dialog showed after it.
  std::vector<std::pair<int, std::string>> queued_;
  std::ostream &out_;
};

// Numbers in scripts and options: decimal, or hexadecimal with 0x.
bool ParseNumber(const std::string &text, unsigned long long &value);
