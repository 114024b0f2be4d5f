// Interrupt objects: the model connects none, it records disconnections.
#include <nt_model.h>

#include <mutex>

#include "ModelRegistration.h"

namespace ntmodel {
namespace {
std::mutex g_mutex;
std::vector<const void *> &Disconnected() {
  static std::vector<const void *> list;
  return list;
}
SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  Disconnected().clear();
});
}  // namespace

std::vector<const void *> DisconnectedInterrupts() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Disconnected();
}

}  // namespace ntmodel

VOID NTAPI IoDisconnectInterrupt(PKINTERRUPT InterruptObject) {
  if (InterruptObject == nullptr) {
    ntmodel::ReportViolation("IoDisconnectInterrupt of a null interrupt object");
    return;
  }
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    ntmodel::ReportViolation("IoDisconnectInterrupt called above PASSIVE_LEVEL");
  }
  std::lock_guard<std::mutex> lock(ntmodel::g_mutex);
  ntmodel::Disconnected().push_back(InterruptObject);
}
