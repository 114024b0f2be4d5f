// Executive pool with per-tag accounting and fault injection.
#include <nt_model.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"

namespace ntmodel {
namespace {
struct PoolState {
  std::mutex mutex;
  std::map<const void *, PoolBlock> blocks;
  unsigned long long attempts = 0;
  unsigned long long fail_at = 0;  // 0: none
  std::vector<ULONG> failing_tags;
};

PoolState &State() {
  static PoolState state;
  return state;
}

void ResetPool() {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  // Blocks a test left behind were already reported; release them so the
  // host's own leak checker only sees the model's faults once.
  for (auto &entry : s.blocks) std::free(const_cast<void *>(entry.first));
  s.blocks.clear();
  s.attempts = 0;
  s.fail_at = 0;
  s.failing_tags.clear();
}

void CheckPool(std::vector<std::string> &found) {
  for (const PoolBlock &b : OutstandingPool()) {
    std::ostringstream out;
    out << "pool block left allocated: tag \"" << TagText(b.tag) << "\", " << b.size << " bytes, "
        << (b.type == PagedPool ? "paged" : "non-paged");
    found.push_back(out.str());
  }
}

SubsystemRegistration g_registration(ResetPool, CheckPool);
}  // namespace

std::string TagText(ULONG tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
    text += (c >= 32 && c < 127) ? c : '?';
  }
  return text;
}

std::vector<PoolBlock> OutstandingPool() {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<PoolBlock> out;
  for (auto &entry : s.blocks) out.push_back(entry.second);
  return out;
}

SIZE_T OutstandingBlocks(ULONG tag) {
  SIZE_T n = 0;
  for (const PoolBlock &b : OutstandingPool()) n += (b.tag == tag) ? 1 : 0;
  return n;
}

unsigned long long AllocationCount() {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.attempts;
}

void FailAllocationNumber(unsigned long long k) {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_at = s.attempts + k;
}

void FailAllocationsWithTag(ULONG tag) {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.failing_tags.push_back(tag);
}

void ClearPoolFaults() {
  PoolState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_at = 0;
  s.failing_tags.clear();
}

}  // namespace ntmodel

PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
  KIRQL irql = KeGetCurrentIrql();
  if (PoolType == PagedPool && irql >= DISPATCH_LEVEL) {
    ntmodel::ReportViolation("paged pool allocated at DISPATCH_LEVEL or above (tag \"" +
                             ntmodel::TagText(Tag) + "\")");
  } else if (irql > DISPATCH_LEVEL) {
    ntmodel::ReportViolation("pool allocated above DISPATCH_LEVEL");
  }
  ntmodel::PoolState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.attempts;
  if (s.fail_at != 0 && s.attempts == s.fail_at) return nullptr;
  for (ULONG failing : s.failing_tags) {
    if (failing == Tag) return nullptr;
  }
  void *p = std::malloc(NumberOfBytes == 0 ? 1 : NumberOfBytes);
  if (p == nullptr) return nullptr;
  // Pool is not zeroed: a pattern exposes code that relies on it.
  std::memset(p, 0xA5, NumberOfBytes);
  s.blocks[p] = ntmodel::PoolBlock{p, PoolType, Tag, NumberOfBytes};
  return p;
}

VOID NTAPI ExFreePool(PVOID P) {
  ntmodel::PoolState &s = ntmodel::State();
  bool known;
  POOL_TYPE type = NonPagedPool;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.blocks.find(P);
    known = it != s.blocks.end();
    if (known) {
      type = it->second.type;
      std::memset(P, 0xDD, it->second.size);
      s.blocks.erase(it);
    }
  }
  if (!known) {
    std::ostringstream out;
    out << "ExFreePool of " << P << ", which is not an allocated pool block";
    ntmodel::ReportViolation(out.str());
    return;
  }
  if (type == PagedPool && KeGetCurrentIrql() >= DISPATCH_LEVEL) {
    ntmodel::ReportViolation("paged pool freed at DISPATCH_LEVEL or above");
  }
  std::free(P);
}
