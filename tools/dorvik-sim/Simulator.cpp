#include "Simulator.h"

#include <DriverEntry.h>
#include <RegistryStore.h>

namespace {
const char kService[] = "Dorvik";

std::string Narrow(const std::u16string &text) {
  std::string out;
  for (char16_t c : text) out += (c < 0x80) ? static_cast<char>(c) : '?';
  return out;
}

JsonObject Action(const std::string &name) {
  JsonObject out;
  out.Add("action", name);
  return out;
}
}  // namespace

Simulator::Simulator() {
  ntmodel::ResetMachine();
  ntmodel::SetViolationHook([this](const std::string &message) {
    ++faults_;
    reports_.push_back(JsonObject().Add("action", "verifier").Add("message", message).Text());
  });
}

Simulator::~Simulator() {
  ntmodel::SetViolationHook(nullptr);
  boards_.clear();
  ntmodel::ResetMachine();
}

std::vector<std::string> Simulator::TakeVerifierReports() {
  std::vector<std::string> out;
  out.swap(reports_);
  return out;
}

JsonObject Simulator::SeedRegistry(const std::string &reg_file) {
  regstore::ImportResult result = regstore::Machine().ImportFile(reg_file);
  JsonObject out = Action("registry");
  out.Add("file", reg_file).Add("ok", result.ok);
  if (!result.ok) {
    ++faults_;
    out.Add("line", static_cast<long long>(result.error_line)).Add("error", result.error);
  }
  return out;
}

JsonObject Simulator::ExportRegistry(const std::string &key) {
  return Action("export").Add("key", key).Add("text", regstore::Machine().Export(key));
}

boardmodel::DorvikBoardModel *Simulator::Board(ULONG port) {
  auto it = boards_.find(port);
  return it == boards_.end() ? nullptr : it->second.get();
}

JsonObject Simulator::AttachBoard(ULONG port, long busy_reads, int status_bits) {
  JsonObject out = Action("board");
  out.Add("port", JsonObject::Hex32(port));
  if (Board(port) != nullptr) {
    ++faults_;
    return out.Add("error", "a board is already attached there");
  }
  boards_[port] = std::make_unique<boardmodel::DorvikBoardModel>(port);
  SetBusy(port, busy_reads);
  SetStatusBits(port, status_bits);
  if (busy_reads < 0) {
    out.Add("busy", "always");
  } else {
    out.Add("busy", static_cast<long long>(busy_reads));
  }
  return out.Add("status_bits", JsonObject::Hex32(static_cast<uint32_t>(status_bits)));
}

boardmodel::DorvikBoardModel *Simulator::BoardFor(ULONG port, JsonObject &out) {
  out.Add("port", JsonObject::Hex32(port));
  boardmodel::DorvikBoardModel *board = Board(port);
  if (board == nullptr) {
    ++faults_;
    out.Add("error", "no board at that port");
  }
  return board;
}

JsonObject Simulator::SetBusy(ULONG port, long busy_reads) {
  JsonObject out = Action("busy");
  boardmodel::DorvikBoardModel *board = BoardFor(port, out);
  if (board == nullptr) return out;
  if (busy_reads < 0) {
    board->SetAlwaysBusy();
    return out.Add("reads", "always");
  }
  board->SetBusyReads(static_cast<unsigned>(busy_reads));
  return out.Add("reads", static_cast<long long>(busy_reads));
}

JsonObject Simulator::SetStatusBits(ULONG port, int bits) {
  JsonObject out = Action("status");
  boardmodel::DorvikBoardModel *board = BoardFor(port, out);
  if (board == nullptr) return out;
  board->SetStatusBits(static_cast<UCHAR>(bits));
  return out.Add("bits", JsonObject::Hex32(static_cast<uint32_t>(bits)));
}

JsonObject Simulator::ClaimPorts(ULONG port, ULONG length) {
  ntmodel::ClaimPortsForAnotherDriver(port, length);
  return Action("claim").Add("port", JsonObject::Hex32(port)).Add("length", static_cast<long long>(length));
}

JsonObject Simulator::Boot() {
  ntmodel::LoadResult result = ntmodel::LoadDriver(kService, DriverEntry);
  JsonObject out = Action("boot");
  out.Add("outcome", ntmodel::OutcomeName(result.outcome));
  if (result.outcome == ntmodel::LoadOutcome::kLoaded ||
      result.outcome == ntmodel::LoadOutcome::kEntryFailed) {
    out.Add("status", JsonObject::Hex32(static_cast<uint32_t>(result.status)));
  }
  std::vector<std::string> devices;
  PDRIVER_OBJECT driver = ntmodel::LoadedDriver(kService);
  for (PDEVICE_OBJECT d = driver ? driver->DeviceObject : nullptr; d != nullptr; d = d->NextDevice) {
    devices.push_back(Narrow(ntmodel::DeviceNameOf(d)));
  }
  // The device list runs newest first; report in board order.
  return out.Add("devices", std::vector<std::string>(devices.rbegin(), devices.rend()));
}

void Simulator::LeftBehind(JsonObject &out) {
  std::vector<std::string> left = ntmodel::LeftBehind();
  faults_ += static_cast<int>(left.size());
  out.Add("left_behind", left);
}

JsonObject Simulator::Unload() {
  JsonObject out = Action("unload");
  const bool loaded = ntmodel::LoadedDriver(kService) != nullptr;
  out.Add("unloaded", loaded && ntmodel::UnloadDriver(kService));
  LeftBehind(out);
  return out;
}

JsonObject Simulator::Restart() {
  JsonObject out = Action("restart");
  if (ntmodel::LoadedDriver(kService) != nullptr) {
    // A restart ends every client first, as shutting the system down does.
    ntmodel::CloseAllHandles();
    out.AddRaw("unload", Unload().Text());
  }
  return out.AddRaw("boot", Boot().Text());
}

JsonObject Simulator::Open(ULONG board, ULONG share_mode) {
  const std::string path = "\\\\.\\Dorvik" + std::to_string(board);
  ntmodel::OpenResult result = ntmodel::CreateFile(path, share_mode);
  return Action("open")
      .Add("path", path)
      .Add("share", JsonObject::Hex32(share_mode))
      .Add("status", JsonObject::Hex32(static_cast<uint32_t>(result.status)))
      .Add("handle", static_cast<long long>(result.handle));
}

std::map<ULONG, Simulator::BoardCounters> Simulator::Snapshot() const {
  std::map<ULONG, BoardCounters> counters;
  for (const auto &entry : boards_) {
    counters[entry.first] = BoardCounters{entry.second->StatusReads(), entry.second->Writes().size()};
  }
  return counters;
}

std::string Simulator::BoardActivity(const std::map<ULONG, BoardCounters> &before) const {
  std::string list = "[";
  for (const auto &entry : boards_) {
    const BoardCounters &was = before.at(entry.first);
    std::vector<boardmodel::PortWrite> writes = entry.second->Writes();
    const unsigned reads = entry.second->StatusReads() - was.reads;
    if (reads == 0 && writes.size() == was.writes) continue;
    std::vector<std::string> words;
    for (size_t i = was.writes; i < writes.size(); ++i) {
      char text[32];
      std::snprintf(text, sizeof text, "%s0x%04x", writes[i].offset ? "+1:" : "", writes[i].value);
      words.push_back(text);
    }
    JsonObject board;
    board.Add("port", JsonObject::Hex32(entry.first))
        .Add("data_words", words)
        .Add("status_reads", static_cast<long long>(reads));
    list += (list.size() > 1 ? "," : "") + board.Text();
  }
  return list + "]";
}

JsonObject Simulator::Ioctl(int handle, ULONG code, ULONG input_length, ULONG output_length,
                            const std::vector<UCHAR> &input) {
  std::vector<UCHAR> bytes(input);
  bytes.resize(input_length, 0);
  const std::map<ULONG, BoardCounters> before = Snapshot();
  ntmodel::IoctlResult result = ntmodel::DeviceIoControl(handle, code, bytes, output_length);
  return Action("ioctl")
      .Add("handle", static_cast<long long>(handle))
      .Add("code", JsonObject::Hex32(code))
      .Add("status", JsonObject::Hex32(static_cast<uint32_t>(result.status)))
      .Add("bytes", static_cast<long long>(result.bytes_returned))
      .Add("output", JsonObject::HexBytes(result.output))
      .AddRaw("boards", BoardActivity(before));
}

JsonObject Simulator::Close(int handle) {
  return Action("close").Add("handle", static_cast<long long>(handle)).Add("closed", ntmodel::CloseHandle(handle));
}
