// A small device class for the framework's tests: its constructor does what a
// driver's device constructor does (link, port range, claim), as far as the
// setup asks, and raises where the setup says. CreateTestDevice builds one the
// way a driver's creator does: in a guarded block, undoing a raised build.
#pragma once

#include <Device.h>
#include <GuardedBlock.h>
#include <Resource.h>

#include <string>

enum class RaiseAt { kNever, kAfterBase, kAfterLink, kAfterMap, kAfterClaim };

struct TestDeviceSetup {
  PCWSTR link_name = nullptr;  // CreateWin32Name when given
  bool map_port = false;       // MapIoAddress(Isa, 0, Port)
  ULONG port_address = 0x368;
  bool claim_port = false;  // report Port as a device-exclusive port range
  RaiseAt raise_at = RaiseAt::kNever;
  NTSTATUS raise_status = STATUS_DEVICE_CONFIGURATION_ERROR;
};

class TestDevice : public CDevice {
 public:
  TestDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName, PDEVICE_OBJECT *deviceObject,
             const TestDeviceSetup &setup);
  ~TestDevice() override;

  using CDevice::ThrowStatusExceptionFromConstructor;

  static int destructions;  // runs of ~TestDevice since the last reset

  _FW_MAPPED_ADDRESS Port;
  BOOLEAN Conflict;

 private:
  void UnmapPort();
};

const ULONG kTestDeviceType = 0x8000;

struct CreatedDevice {
  NTSTATUS status;
  TestDevice *device;             // null when the build raised
  PDEVICE_OBJECT device_object;  // null when the build raised
};

CreatedDevice CreateTestDevice(PDRIVER_OBJECT driver, PCWSTR name,
                               const TestDeviceSetup &setup = TestDeviceSetup(),
                               ULONG extra_size = 0, ULONG characteristics = 0,
                               UCHAR exclusive = FALSE);

inline std::u16string TextOf(const CString &s) {
  if (s.UnicodeString.Buffer == nullptr) return std::u16string();
  return std::u16string(s.UnicodeString.Buffer, s.UnicodeString.Length / sizeof(WCHAR));
}
