#include "ScriptRunner.h"

#include <RegistryStore.h>

#include <algorithm>
#include <istream>
#include <map>
#include <ostream>
#include <sstream>

namespace {
const std::map<std::string, unsigned long> kCodeNames = {
    {"create", 0x80002000},    {"close", 0x80002004},     {"version", 0x80002008},
    {"resource", 0x8000200C},  {"dataset", 0x80002010},   {"lasterror", 0x80002014},
    {"getch", 0x80002018},
};
const std::map<std::string, unsigned long> kShareNames = {
    {"exclusive", 0}, {"read", 1}, {"write", 2}, {"shared", 3},
};

bool ParseHexBytes(const std::string &text, std::vector<UCHAR> &bytes) {
  if (text.size() % 2 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned long long value;
    if (!ParseNumber("0x" + text.substr(i, 2), value)) return false;
    bytes.push_back(static_cast<UCHAR>(value));
  }
  return true;
}

// Writes the service key and one board's parameters as the applet saves them.
void Configure(unsigned long board, unsigned long port) {
  regstore::Store &registry = regstore::Machine();
  const std::string service = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";
  registry.CreateKey(service);
  registry.SetDword(service, "Type", 1);
  registry.SetDword(service, "Start", 1);
  registry.SetString(service, "Group", "Extended Base");
  registry.SetDword(service, "ErrorControl", 1);
  const std::string parameters = service + "\\Dorvik" + std::to_string(board) + "\\Parameters";
  registry.CreateKey(parameters);
  registry.SetDword(parameters, "PortAddress0", static_cast<uint32_t>(port));
}
}  // namespace

bool ParseNumber(const std::string &text, unsigned long long &value) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    value = std::stoull(text, &used, 0);
  } catch (...) {
    return false;
  }
  return used == text.size() && text[0] != '-';
}

void ScriptRunner::PrintFaults() {
  for (const std::string &report : simulator_.TakeVerifierReports()) out_ << report << "\n";
  for (const std::string &fault : applet_.TakeFaults()) {
    simulator_.NoteFault();
    out_ << JsonObject().Add("action", "verifier").Add("message", "win32: " + fault).Text() << "\n";
  }
}

void ScriptRunner::Print(int line, const JsonObject &object) {
  PrintFaults();
  std::string text = object.Text();
  if (line > 0) text = "{\"line\":" + std::to_string(line) + "," + text.substr(1);
  out_ << text << "\n";
  out_.flush();
}

bool ScriptRunner::Error(int line, const std::string &message) {
  Print(line, JsonObject().Add("action", "error").Add("message", message));
  return false;
}

bool ScriptRunner::RunLine(const std::string &raw, int number) {
  std::string line = raw.substr(0, raw.find('#'));
  std::istringstream words(line);
  std::vector<std::string> args;
  for (std::string word; words >> word;) args.push_back(word);
  if (args.empty()) return true;
  const std::string command = args[0];
  std::vector<unsigned long long> n;  // numeric arguments, filled on demand
  auto numbers = [&](size_t first, size_t count) {
    n.clear();
    for (size_t i = first; i < first + count; ++i) {
      unsigned long long value;
      if (i >= args.size() || !ParseNumber(args[i], value)) return false;
      n.push_back(value);
    }
    return true;
  };
  auto usage = [&](const char *form) { return Error(number, std::string("usage: ") + form); };

  if (command == "cpl") return RunAppletLine(args, number);
  if (applet_.IsOpen()) {
    return Error(number, "the applet's dialog is open: finish it with \"cpl ok\" or \"cpl cancel\"");
  }
  if (command == "registry") {
    if (args.size() != 2) return usage("registry FILE");
    Print(number, simulator_.SeedRegistry(args[1]));
  } else if (command == "configure") {
    if (args.size() != 3 || !numbers(1, 2) || n[0] > 15) return usage("configure BOARD PORT");
    Configure(static_cast<unsigned long>(n[0]), static_cast<unsigned long>(n[1]));
    Print(number, JsonObject().Add("action", "configure").Add("board", static_cast<long long>(n[0]))
                      .Add("port", JsonObject::Hex32(static_cast<uint32_t>(n[1]))));
  } else if (command == "export") {
    if (args.size() != 2) return usage("export KEY");
    Print(number, simulator_.ExportRegistry(args[1]));
  } else if (command == "board") {
    if (args.size() < 2 || !numbers(1, 1)) return usage("board PORT [busy=N|always] [status=BITS]");
    long busy = 0;
    int bits = 0;
    for (size_t i = 2; i < args.size(); ++i) {
      unsigned long long value;
      if (args[i] == "busy=always") {
        busy = -1;
      } else if (args[i].rfind("busy=", 0) == 0 && ParseNumber(args[i].substr(5), value)) {
        busy = static_cast<long>(value);
      } else if (args[i].rfind("status=", 0) == 0 && ParseNumber(args[i].substr(7), value) &&
                 value <= 0xFF) {
        bits = static_cast<int>(value);
      } else {
        return usage("board PORT [busy=N|always] [status=BITS]");
      }
    }
    Print(number, simulator_.AttachBoard(static_cast<ULONG>(n[0]), busy, bits));
  } else if (command == "busy") {
    if (args.size() != 3 || !numbers(1, 1)) return usage("busy PORT N|always");
    unsigned long long reads = 0;
    if (args[2] != "always" && !ParseNumber(args[2], reads)) return usage("busy PORT N|always");
    Print(number, simulator_.SetBusy(static_cast<ULONG>(n[0]), args[2] == "always" ? -1 : static_cast<long>(reads)));
  } else if (command == "status") {
    if (args.size() != 3 || !numbers(1, 2) || n[1] > 0xFF) return usage("status PORT BITS");
    Print(number, simulator_.SetStatusBits(static_cast<ULONG>(n[0]), static_cast<int>(n[1])));
  } else if (command == "claim") {
    if (args.size() != 3 || !numbers(1, 2)) return usage("claim PORT LENGTH");
    Print(number, simulator_.ClaimPorts(static_cast<ULONG>(n[0]), static_cast<ULONG>(n[1])));
  } else if (command == "boot") {
    Print(number, simulator_.Boot());
  } else if (command == "unload") {
    Print(number, simulator_.Unload());
  } else if (command == "restart") {
    Print(number, simulator_.Restart());
  } else if (command == "open") {
    unsigned long long share = 3;
    if (args.size() < 2 || args.size() > 3 || !numbers(1, 1) || n[0] > 15) {
      return usage("open BOARD [exclusive|read|write|shared|MODE]");
    }
    if (args.size() == 3) {
      auto named = kShareNames.find(args[2]);
      if (named != kShareNames.end()) {
        share = named->second;
      } else if (!ParseNumber(args[2], share)) {
        return usage("open BOARD [exclusive|read|write|shared|MODE]");
      }
    }
    Print(number, simulator_.Open(static_cast<ULONG>(n[0]), static_cast<ULONG>(share)));
  } else if (command == "ioctl") {
    const char *form = "ioctl HANDLE CODE INLEN OUTLEN [HEXBYTES]";
    if (args.size() < 5 || args.size() > 6 || !numbers(0 + 1, 1)) return usage(form);
    const unsigned long long handle = n[0];
    unsigned long long code;
    auto named = kCodeNames.find(args[2]);
    if (named != kCodeNames.end()) {
      code = named->second;
    } else if (!ParseNumber(args[2], code) || code > 0xFFFFFFFFull) {
      return usage(form);
    }
    if (!numbers(3, 2) || n[0] > 0x10000 || n[1] > 0x10000) return usage(form);
    std::vector<UCHAR> input;
    if (args.size() == 6 && (!ParseHexBytes(args[5], input) || input.size() > n[0])) {
      return usage(form);
    }
    Print(number, simulator_.Ioctl(static_cast<int>(handle), static_cast<ULONG>(code),
                                   static_cast<ULONG>(n[0]), static_cast<ULONG>(n[1]), input));
  } else if (command == "close") {
    if (args.size() != 2 || !numbers(1, 1)) return usage("close HANDLE");
    Print(number, simulator_.Close(static_cast<int>(n[0])));
  } else {
    return Error(number, "unknown action \"" + command + "\"");
  }
  return true;
}

namespace {
// The driver's tree as the registry now holds it: the boards with their ports.
std::string ConfiguredBoards() {
  regstore::Store &registry = regstore::Machine();
  const std::string service = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";
  std::string list = "[";
  for (int n = 0; n < 16; ++n) {
    const std::string parameters = service + "\\Dorvik" + std::to_string(n) + "\\Parameters";
    if (!registry.KeyExists(parameters)) continue;
    JsonObject board;
    board.Add("board", static_cast<long long>(n));
    regstore::Value value;
    if (registry.QueryValue(parameters, "PortAddress0", &value) == regstore::Status::kOk &&
        value.data.size() == 4) {
      board.Add("port", JsonObject::Hex32(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                          static_cast<uint32_t>(value.data[3]) << 24));
    }
    list += (list.size() > 1 ? "," : "") + board.Text();
  }
  return JsonObject()
      .Add("service_key", registry.KeyExists(service))
      .AddRaw("boards", list + "]")
      .Text();
}
}  // namespace

bool ScriptRunner::RunAppletLine(const std::vector<std::string> &args, int number) {
  const std::string what = args.size() >= 2 ? args[1] : "";
  const char *form = "cpl open | cpl board N | cpl active on|off | cpl address TEXT | cpl ok | cpl cancel";
  const std::vector<std::string> known = {"open", "board", "active", "address", "ok", "cancel"};
  if (std::find(known.begin(), known.end(), what) == known.end()) {
    return Error(number, std::string("usage: ") + form);
  }
  if (what == "open") {
    std::string name, description, error;
    if (args.size() != 2) return Error(number, std::string("usage: ") + form);
    if (!applet_.Open(name, description, error)) return Error(number, error);
    Print(number, JsonObject().Add("action", "cpl open").Add("name", name).Add("description", description));
    return true;
  }
  if (!applet_.IsOpen()) return Error(number, "the applet is not open: \"cpl open\" first");
  unsigned long long value = 0;
  if (what == "board" && args.size() == 3 && ParseNumber(args[2], value) && value <= 15) {
    applet_.Queue({AppletSession::StepKind::kBoard, static_cast<int>(value), ""});
    queued_.push_back({number, "cpl board"});
  } else if (what == "active" && args.size() == 3 && (args[2] == "on" || args[2] == "off")) {
    applet_.Queue({AppletSession::StepKind::kActive, args[2] == "on" ? 1 : 0, ""});
    queued_.push_back({number, "cpl active"});
  } else if (what == "address" && args.size() <= 3) {
    // What the user types, as it is: nothing typed is an empty field.
    applet_.Queue({AppletSession::StepKind::kAddress, 0, args.size() == 3 ? args[2] : ""});
    queued_.push_back({number, "cpl address"});
  } else if ((what == "ok" || what == "cancel") && args.size() == 2) {
    AppletSession::Result result = applet_.Finish(what == "ok");
    for (size_t i = 0; i < queued_.size(); ++i) {
      JsonObject step;
      step.Add("action", queued_[i].second);
      if (i < result.views.size()) {
        const AppletSession::View &view = result.views[i];
        step.AddRaw("shows", JsonObject()
                                 .Add("board", view.board)
                                 .Add("active", view.active)
                                 .Add("address", view.address)
                                 .Text());
      }
      Print(queued_[i].first, step);
    }
    queued_.clear();
    JsonObject out;
    out.Add("action", "cpl " + what).Add("dialog_result", static_cast<long long>(result.dialog_result));
    if (result.confirmed) {
      out.AddRaw("confirmation",
                 JsonObject().Add("caption", result.caption).Add("text", result.text).Text());
    }
    Print(number, out.AddRaw("registry", ConfiguredBoards()));
  } else {
    return Error(number, std::string("usage: ") + form);
  }
  return true;
}

bool ScriptRunner::Run(std::istream &in) {
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    if (!RunLine(line, ++number)) return false;
  }
  return true;
}

bool ScriptRunner::RunLines(const std::vector<std::string> &lines) {
  int number = 0;
  for (const std::string &line : lines) {
    if (!RunLine(line, ++number)) return false;
  }
  return true;
}
