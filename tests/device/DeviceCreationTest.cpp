// Creating a framework device: the named device object with the class object
// in its zero-filled extension, the base fields, and the Win32 link.
#include <KernelTest.h>
#include <TestDevice.h>

#include <string>

namespace {

class DeviceCreationTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    TestDevice::destructions = 0;
  }
  DRIVER_OBJECT driver_{};
};

struct NamingCase {
  const char16_t *device_name;
  const char16_t *link_name;
  const char16_t *device_path;
  const char16_t *link_path;
};

class DeviceNamingTest : public DeviceCreationTest,
                         public ::testing::WithParamInterface<NamingCase> {};

TEST_P(DeviceNamingTest, DeviceObjectAndLinkCarryTheNames) {
  const NamingCase &c = GetParam();
  TestDeviceSetup setup;
  setup.link_name = c.link_name;
  CreatedDevice created = CreateTestDevice(&driver_, c.device_name, setup);
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  TestDevice *device = created.device;

  EXPECT_EQ(created.device_object, ntmodel::FindDevice(c.device_path));
  EXPECT_EQ(c.device_path, ntmodel::SymbolicLinkTarget(c.link_path));
  EXPECT_EQ(created.device_object, ntmodel::ResolveWin32Name(c.link_path));
  EXPECT_EQ(c.device_name, TextOf(device->DeviceName));
  EXPECT_EQ(c.link_path, TextOf(device->Win32Name));

  delete device;
  EXPECT_EQ(nullptr, ntmodel::FindDevice(c.device_path));
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(c.link_path));
  EXPECT_EQ(nullptr, driver_.DeviceObject);
  EXPECT_EQ(1, TestDevice::destructions);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeviceNamingTest,
    ::testing::Values(
        NamingCase{u"Dorvik0", u"Dorvik0", u"\\Device\\Dorvik0", u"\\DosDevices\\Dorvik0"},
        // The link leads to the device's own name, whatever the link is called.
        NamingCase{u"Unit7", u"Dorvik15", u"\\Device\\Unit7", u"\\DosDevices\\Dorvik15"}));

TEST_F(DeviceCreationTest, NewDeviceStartsClosedUnclaimedAndDirect) {
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", TestDeviceSetup(), 0,
                                           /*characteristics=*/0x100, /*exclusive=*/TRUE);
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  TestDevice *device = created.device;
  PDEVICE_OBJECT object = created.device_object;

  EXPECT_EQ(static_cast<PVOID>(device), object->DeviceExtension);
  EXPECT_EQ(object, device->DeviceObject);
  EXPECT_EQ(&driver_, device->DriverObject);
  EXPECT_EQ(kTestDeviceType, device->DeviceType);
  EXPECT_EQ(kTestDeviceType, object->DeviceType);
  EXPECT_EQ(0x100u, object->Characteristics);
  EXPECT_NE(0u, object->Flags & DO_EXCLUSIVE);
  EXPECT_NE(0u, object->Flags & DO_DIRECT_IO);
  EXPECT_EQ(object, driver_.DeviceObject);

  EXPECT_EQ(0u, device->OpenCount);
  EXPECT_EQ(FALSE, device->ExclusiveOpen);
  EXPECT_EQ(static_cast<ULONG>(ClaimNone), device->ResourceClaim);
  EXPECT_EQ(nullptr, device->InterruptObject);
  EXPECT_EQ(nullptr, device->ClassName);
  EXPECT_EQ(nullptr, device->OwnedObject1);
  EXPECT_EQ(nullptr, device->OwnedObject2);
  EXPECT_EQ(0, device->Win32Name.UnicodeString.Length);
  EXPECT_EQ(0, device->RegistryPath.UnicodeString.Length);
  EXPECT_EQ(0u, device->SpinLock);
  EXPECT_TRUE(ntmodel::SymbolicLinkCalls().empty());
  delete device;
}

class ExtensionSizeTest : public DeviceCreationTest, public ::testing::WithParamInterface<ULONG> {};

TEST_P(ExtensionSizeTest, ExtensionHoldsTheObjectAndZeroedExtraBytes) {
  const ULONG extra = GetParam();
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", TestDeviceSetup(), extra);
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  EXPECT_EQ(sizeof(TestDevice) + extra, ntmodel::DeviceExtensionSize(created.device_object));
  const UCHAR *behind = reinterpret_cast<const UCHAR *>(created.device) + sizeof(TestDevice);
  for (ULONG i = 0; i < extra; ++i) EXPECT_EQ(0, behind[i]) << "extra byte " << i;
  delete created.device;
}

INSTANTIATE_TEST_SUITE_P(ExtraSizes, ExtensionSizeTest, ::testing::Values(0u, 1u, 24u));

TEST_F(DeviceCreationTest, OperatorNewHandsBackTheWholeExtensionZeroed) {
  PDEVICE_OBJECT object = nullptr;
  const ULONG extra = 8;
  void *storage = CDevice::operator new(sizeof(TestDevice), &driver_, u"Raw0", kTestDeviceType,
                                        &object, 0, FALSE, extra);
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(object->DeviceExtension, storage);
  EXPECT_EQ(object, ntmodel::FindDevice(u"\\Device\\Raw0"));
  const UCHAR *bytes = static_cast<const UCHAR *>(storage);
  for (ULONG i = 0; i < sizeof(TestDevice) + extra; ++i) ASSERT_EQ(0, bytes[i]) << "byte " << i;
  // The name string was only needed for the call.
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(FW_POOL_TAG));
  IoDeleteDevice(object);
}

TEST_F(DeviceCreationTest, NameInUseRaisesTheCollisionAndBuildsNothing) {
  CreatedDevice first = CreateTestDevice(&driver_, u"Dorvik0");
  ASSERT_EQ(STATUS_SUCCESS, first.status);

  CreatedDevice second = CreateTestDevice(&driver_, u"DORVIK0");
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, second.status);
  EXPECT_EQ(nullptr, second.device_object);
  EXPECT_EQ(first.device_object, driver_.DeviceObject);
  EXPECT_EQ(nullptr, first.device_object->NextDevice);
  EXPECT_EQ(0, TestDevice::destructions);

  delete first.device;
}

// Whichever allocation of the name fails, no device object may appear, under
// a short name or any other.
TEST_F(DeviceCreationTest, NameThatCannotBeMadeCreatesNoDeviceObject) {
  const unsigned long long before = ntmodel::AllocationCount();
  PDEVICE_OBJECT object = nullptr;
  CDevice::operator new(sizeof(TestDevice), &driver_, u"Dorvik0", kTestDeviceType, &object, 0,
                        FALSE, 0);
  const unsigned long long allocations = ntmodel::AllocationCount() - before;
  IoDeleteDevice(object);
  ASSERT_GE(allocations, 1u);

  for (unsigned long long k = 1; k <= allocations; ++k) {
    SCOPED_TRACE("failing allocation " + std::to_string(k));
    ntmodel::FailAllocationNumber(k);
    CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
    ntmodel::ClearPoolFaults();
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, created.status);
    EXPECT_EQ(nullptr, created.device_object);
    EXPECT_EQ(nullptr, driver_.DeviceObject);
    EXPECT_EQ(0, TestDevice::destructions);
    EXPECT_EQ(0u, ntmodel::OutstandingBlocks(FW_POOL_TAG));
  }
}

TEST_F(DeviceCreationTest, IoCreateDeviceFailureIsRaisedWithItsStatus) {
  ntmodel::FailNextCreateDevice(STATUS_INSUFFICIENT_RESOURCES);
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, created.status);
  EXPECT_EQ(nullptr, driver_.DeviceObject);
}

// Someone else's link under the same name stays as it was.
TEST_F(DeviceCreationTest, LinkNameInUseFailsAndLeavesTheOtherLink) {
  UNICODE_STRING link;
  UNICODE_STRING target;
  RtlInitUnicodeString(&link, u"\\DosDevices\\Dorvik0");
  RtlInitUnicodeString(&target, u"\\Device\\Elsewhere");
  ASSERT_EQ(STATUS_SUCCESS, IoCreateSymbolicLink(&link, &target));

  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, created.device->CreateWin32Name(CString(u"Dorvik0")));
  EXPECT_EQ(0, created.device->Win32Name.UnicodeString.Length);

  delete created.device;
  EXPECT_EQ(u"\\Device\\Elsewhere", ntmodel::SymbolicLinkTarget(u"\\DosDevices\\Dorvik0"));
  for (const ntmodel::SymbolicLinkCall &call : ntmodel::SymbolicLinkCalls()) EXPECT_TRUE(call.create);
  EXPECT_EQ(STATUS_SUCCESS, IoDeleteSymbolicLink(&link));
}

// With the pool failing at any point of CreateWin32Name there is either the
// right link and success, or no link, a failure and no link name kept.
TEST_F(DeviceCreationTest, LinkIsRightOrAbsentWhenThePoolFails) {
  for (unsigned long long k = 1; k <= 8; ++k) {
    SCOPED_TRACE("failing allocation " + std::to_string(k));
    CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
    ASSERT_EQ(STATUS_SUCCESS, created.status);
    NTSTATUS status;
    {
      const CString linkName(u"Dorvik0");
      ntmodel::FailAllocationNumber(k);
      status = created.device->CreateWin32Name(linkName);
      ntmodel::ClearPoolFaults();
    }

    if (ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0")) {
      EXPECT_EQ(STATUS_SUCCESS, status);
      EXPECT_EQ(u"\\Device\\Dorvik0", ntmodel::SymbolicLinkTarget(u"\\DosDevices\\Dorvik0"));
      EXPECT_EQ(u"\\DosDevices\\Dorvik0", TextOf(created.device->Win32Name));
    } else {
      EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, status);
      EXPECT_EQ(0, created.device->Win32Name.UnicodeString.Length);
      EXPECT_TRUE(ntmodel::SymbolicLinkCalls().empty());
    }
    delete created.device;
    EXPECT_TRUE(ntmodel::LeftBehind().empty());
    ntmodel::ResetMachine();
  }
}

VOID RaiseFromConstructorHelper(PVOID context) {
  TestDevice::ThrowStatusExceptionFromConstructor(STATUS_DEVICE_CONFIGURATION_ERROR,
                                                  "test: raised on purpose");
  *static_cast<bool *>(context) = true;
}

TEST_F(DeviceCreationTest, ConstructorFailureIsRaisedWithItsStatus) {
  bool continued = false;
  EXPECT_EQ(STATUS_DEVICE_CONFIGURATION_ERROR, FwCallGuarded(RaiseFromConstructorHelper, &continued));
  EXPECT_FALSE(continued);
}

}  // namespace
