// The HAL's bus address translation, with rules that tests choose per range,
// and the mapping of physical ranges into system space, tracked until unmapped.
#include <nt_model.h>

#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"

namespace ntmodel {
namespace {

// A mapped range reads as a floating bus until something writes it.
const unsigned char kFloatingBus = 0xFF;

struct HalState {
  std::mutex mutex;
  std::vector<TranslationRule> rules;
  std::vector<TranslationCall> calls;
  std::map<const void *, IoMapping> mappings;
  bool fail_map = false;
};

HalState &State() {
  static HalState state;
  return state;
}

void ResetHal() {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.rules.clear();
  s.calls.clear();
  for (auto &entry : s.mappings) delete[] static_cast<unsigned char *>(entry.second.address);
  s.mappings.clear();
  s.fail_map = false;
}

void CheckHal(std::vector<std::string> &found) {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto &entry : s.mappings) {
    std::ostringstream out;
    out << "I/O space mapping left mapped: physical 0x" << std::hex << entry.second.physical
        << std::dec << ", " << entry.second.length << " bytes";
    found.push_back(out.str());
  }
}

SubsystemRegistration g_registration(ResetHal, CheckHal);

bool Covers(const TranslationRule &rule, INTERFACE_TYPE interface_type, ULONG bus_number,
            ULONG address_space, ULONGLONG address) {
  return rule.interface_type == interface_type && rule.bus_number == bus_number &&
         rule.address_space == address_space && address >= rule.start &&
         address - rule.start < rule.length;
}

}  // namespace

void AddTranslationRule(const TranslationRule &rule) {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.rules.push_back(rule);
}

std::vector<TranslationCall> TranslationCalls() {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.calls;
}

std::vector<IoMapping> IoMappings() {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<IoMapping> out;
  for (auto &entry : s.mappings) out.push_back(entry.second);
  return out;
}

void FailMapIoSpace(bool fail) {
  HalState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_map = fail;
}

}  // namespace ntmodel

using ntmodel::ReportViolation;

BOOLEAN NTAPI HalTranslateBusAddress(INTERFACE_TYPE InterfaceType, ULONG BusNumber,
                                     PHYSICAL_ADDRESS BusAddress, PULONG AddressSpace,
                                     PPHYSICAL_ADDRESS TranslatedAddress) {
  if (AddressSpace == nullptr || TranslatedAddress == nullptr) {
    ReportViolation("HalTranslateBusAddress without an address space or a translated address");
    return FALSE;
  }
  ntmodel::HalState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const ULONG space_in = *AddressSpace;
  const ULONGLONG address = static_cast<ULONGLONG>(BusAddress.QuadPart);

  const ntmodel::TranslationRule *rule = nullptr;
  for (auto it = s.rules.rbegin(); it != s.rules.rend(); ++it) {
    if (ntmodel::Covers(*it, InterfaceType, BusNumber, space_in, address)) {
      rule = &*it;
      break;
    }
  }

  BOOLEAN result = TRUE;
  if (rule == nullptr) {
    TranslatedAddress->QuadPart = BusAddress.QuadPart;
  } else if (rule->result == ntmodel::Translation::kRefused) {
    result = FALSE;
  } else {
    *AddressSpace = rule->result == ntmodel::Translation::kIoSpace ? 1 : 0;
    TranslatedAddress->QuadPart =
        static_cast<LONGLONG>(rule->translated_start + (address - rule->start));
  }
  s.calls.push_back(ntmodel::TranslationCall{InterfaceType, BusNumber, BusAddress.QuadPart, space_in,
                                             result, *AddressSpace,
                                             result ? TranslatedAddress->QuadPart : 0});
  return result;
}

PVOID NTAPI MmMapIoSpace(PHYSICAL_ADDRESS PhysicalAddress, SIZE_T NumberOfBytes,
                         MEMORY_CACHING_TYPE CacheType) {
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) ReportViolation("MmMapIoSpace called above DISPATCH_LEVEL");
  if (NumberOfBytes == 0) {
    ReportViolation("MmMapIoSpace of zero bytes");
    return nullptr;
  }
  ntmodel::HalState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.fail_map) return nullptr;
  auto *view = new unsigned char[NumberOfBytes];
  std::memset(view, ntmodel::kFloatingBus, NumberOfBytes);
  s.mappings[view] = ntmodel::IoMapping{view, PhysicalAddress.QuadPart, NumberOfBytes, CacheType};
  return view;
}

VOID NTAPI MmUnmapIoSpace(PVOID BaseAddress, SIZE_T NumberOfBytes) {
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) ReportViolation("MmUnmapIoSpace called above DISPATCH_LEVEL");
  ntmodel::HalState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.mappings.find(BaseAddress);
  if (it == s.mappings.end()) {
    std::ostringstream out;
    out << "MmUnmapIoSpace of " << BaseAddress << ", which MmMapIoSpace did not return";
    ReportViolation(out.str());
    return;
  }
  if (it->second.length != NumberOfBytes) {
    std::ostringstream out;
    out << "MmUnmapIoSpace of " << NumberOfBytes << " bytes at " << BaseAddress << ", mapped with "
        << it->second.length;
    ReportViolation(out.str());
  }
  // The view goes even after a wrong length, so one fault is reported once.
  delete[] static_cast<unsigned char *>(BaseAddress);
  s.mappings.erase(it);
}
