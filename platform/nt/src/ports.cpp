// The I/O port bus: port reads and writes reach whichever device model is
// attached at that address; nobody answers 0xFF.
#include <nt_model.h>

#include <mutex>
#include <sstream>

#include "ModelRegistration.h"

namespace ntmodel {
namespace {
struct Attachment {
  ULONG base;
  ULONG length;
  PortDevice *device;
};
std::mutex g_mutex;
std::vector<Attachment> &Attachments() {
  static std::vector<Attachment> list;
  return list;
}

SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  Attachments().clear();
});

bool Find(ULONG port, Attachment &found) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const Attachment &a : Attachments()) {
    if (port >= a.base && port - a.base < a.length) {
      found = a;
      return true;
    }
  }
  return false;
}

ULONG PortNumber(const void *port) {
  ULONG_PTR value = reinterpret_cast<ULONG_PTR>(port);
  if (value > 0xFFFF) {
    std::ostringstream out;
    out << "port access at " << port << ", outside the 64K I/O space";
    ReportViolation(out.str());
  }
  return static_cast<ULONG>(value);
}
}  // namespace

void AttachPortDevice(ULONG base, ULONG length, PortDevice *device) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Attachments().push_back(Attachment{base, length, device});
}

void DetachPortDevice(PortDevice *device) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto &list = Attachments();
  for (auto it = list.begin(); it != list.end();) {
    it = (it->device == device) ? list.erase(it) : it + 1;
  }
}

}  // namespace ntmodel

UCHAR NTAPI READ_PORT_UCHAR(PUCHAR Port) {
  ULONG port = ntmodel::PortNumber(Port);
  ntmodel::Attachment a;
  if (!ntmodel::Find(port, a)) return 0xFF;
  return a.device->ReadUchar(port - a.base);
}

VOID NTAPI WRITE_PORT_USHORT(PUSHORT Port, USHORT Value) {
  ULONG port = ntmodel::PortNumber(Port);
  ntmodel::Attachment a;
  if (ntmodel::Find(port, a)) a.device->WriteUshort(port - a.base, Value);
}
