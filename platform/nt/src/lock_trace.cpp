// A trace of spin lock acquisitions and releases, kept only while a test asks for it.
#include <nt_model.h>

#include <atomic>
#include <mutex>

#include "LockTrace.h"
#include "ModelRegistration.h"

namespace ntmodel {
namespace {
std::atomic<bool> g_tracing{false};
std::mutex g_mutex;
std::vector<LockEvent> &Events() {
  static std::vector<LockEvent> events;
  return events;
}
SubsystemRegistration g_registration([] {
  g_tracing = false;
  std::lock_guard<std::mutex> lock(g_mutex);
  Events().clear();
});
}  // namespace

void TraceLockEvent(const KSPIN_LOCK *lock, bool acquired) {
  if (!g_tracing) return;
  std::lock_guard<std::mutex> guard(g_mutex);
  Events().push_back(LockEvent{lock, acquired});
}

void StartLockTrace() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Events().clear();
  g_tracing = true;
}

std::vector<LockEvent> LockTrace() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Events();
}

}  // namespace ntmodel
