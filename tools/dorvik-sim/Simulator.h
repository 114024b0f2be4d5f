// The simulated machine: the kernel model with the registry, board models on
// the ISA bus, the service loader with the Dorvik driver linked in, and a
// user-mode client. Each action answers with one JSON object.
#pragma once

#include <DorvikBoardModel.h>
#include <nt_system.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Json.h"

class Simulator {
 public:
  Simulator();
  ~Simulator();

  // ---- Machine set-up ----
  JsonObject SeedRegistry(const std::string &reg_file);
  JsonObject AttachBoard(ULONG port, long busy_reads, int status_bits);  // busy -1: always
  JsonObject SetBusy(ULONG port, long busy_reads);
  JsonObject SetStatusBits(ULONG port, int bits);
  JsonObject ClaimPorts(ULONG port, ULONG length);
  JsonObject ExportRegistry(const std::string &key);

  // ---- Driver ----
  JsonObject Boot();
  JsonObject Unload();
  JsonObject Restart();

  // ---- Client ----
  JsonObject Open(ULONG board, ULONG share_mode);
  JsonObject Ioctl(int handle, ULONG code, ULONG input_length, ULONG output_length,
                   const std::vector<UCHAR> &input);
  JsonObject Close(int handle);

  // Verifier reports since the last call, each as its own JSON line.
  std::vector<std::string> TakeVerifierReports();
  bool AnyFault() const { return faults_ != 0; }
  void NoteFault() { ++faults_; }

 private:
  struct BoardCounters {
    unsigned reads;
    size_t writes;
  };
  boardmodel::DorvikBoardModel *Board(ULONG port);
  // The board at port, or null after adding the error to out.
  boardmodel::DorvikBoardModel *BoardFor(ULONG port, JsonObject &out);
  std::map<ULONG, BoardCounters> Snapshot() const;
  std::string BoardActivity(const std::map<ULONG, BoardCounters> &before) const;
  void LeftBehind(JsonObject &out);

  std::map<ULONG, std::unique_ptr<boardmodel::DorvikBoardModel>> boards_;
  std::vector<std::string> reports_;
  int faults_ = 0;
};
