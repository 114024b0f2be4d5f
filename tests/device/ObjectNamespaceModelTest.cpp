// The kernel model's object namespace holds drivers to NT's rules: names are
// unique without regard to case, extensions come unzeroed, devices sit on
// their driver's list, and whatever is not deleted is left behind.
#include <KernelTest.h>

#include <string>

namespace {

class ObjectNamespaceModelTest : public KernelTest {
 protected:
  NTSTATUS Create(const char16_t *name, PDEVICE_OBJECT *object, ULONG extension = 16,
                  BOOLEAN exclusive = FALSE) {
    UNICODE_STRING text;
    RtlInitUnicodeString(&text, name);
    return IoCreateDevice(&driver_, extension, name != nullptr ? &text : nullptr, 0x8000, 0,
                          exclusive, object);
  }
  NTSTATUS Link(const char16_t *link, const char16_t *target) {
    UNICODE_STRING l;
    UNICODE_STRING t;
    RtlInitUnicodeString(&l, link);
    RtlInitUnicodeString(&t, target);
    return IoCreateSymbolicLink(&l, &t);
  }
  NTSTATUS Unlink(const char16_t *link) {
    UNICODE_STRING l;
    RtlInitUnicodeString(&l, link);
    return IoDeleteSymbolicLink(&l);
  }
  DRIVER_OBJECT driver_{};
};

TEST_F(ObjectNamespaceModelTest, NewDeviceObjectAsTheIoManagerMakesIt) {
  PDEVICE_OBJECT object = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &object, 16, TRUE));
  EXPECT_EQ(&driver_, object->DriverObject);
  EXPECT_EQ(object, driver_.DeviceObject);
  EXPECT_EQ(0x8000u, object->DeviceType);
  EXPECT_EQ(16u, ntmodel::DeviceExtensionSize(object));
  EXPECT_NE(0u, object->Flags & DO_EXCLUSIVE);
  EXPECT_NE(0u, object->Flags & DO_DEVICE_INITIALIZING);

  // The extension is not zeroed: code that relies on it shows.
  const UCHAR *bytes = static_cast<const UCHAR *>(object->DeviceExtension);
  bool all_zero = true;
  for (int i = 0; i < 16; ++i) all_zero = all_zero && bytes[i] == 0;
  EXPECT_FALSE(all_zero);

  ntmodel::FinishDriverInitialization(&driver_);
  EXPECT_EQ(0u, object->Flags & DO_DEVICE_INITIALIZING);
  IoDeleteDevice(object);
  EXPECT_FALSE(ntmodel::DeviceExists(object));
}

TEST_F(ObjectNamespaceModelTest, NamesAreUniqueWithoutRegardToCase) {
  PDEVICE_OBJECT first = nullptr;
  PDEVICE_OBJECT second = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &first));
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, Create(u"\\DEVICE\\dorvik0", &second));
  EXPECT_EQ(nullptr, second);
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, Link(u"\\Device\\DORVIK0", u"\\Device\\Other"));
  EXPECT_EQ(first, ntmodel::FindDevice(u"\\device\\DORVIK0"));

  // Deleting frees the name for reuse.
  IoDeleteDevice(first);
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &second));
  IoDeleteDevice(second);
}

TEST_F(ObjectNamespaceModelTest, UnnamedDevicesNeedNoName) {
  PDEVICE_OBJECT a = nullptr;
  PDEVICE_OBJECT b = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(nullptr, &a));
  ASSERT_EQ(STATUS_SUCCESS, Create(nullptr, &b));
  EXPECT_EQ(b, driver_.DeviceObject);
  EXPECT_EQ(a, b->NextDevice);
  IoDeleteDevice(a);
  IoDeleteDevice(b);
}

struct BadName {
  const char16_t *name;
  NTSTATUS status;
};

class BadNameTest : public ObjectNamespaceModelTest, public ::testing::WithParamInterface<BadName> {};

TEST_P(BadNameTest, IsRefusedForDevicesAndLinks) {
  PDEVICE_OBJECT object = nullptr;
  EXPECT_EQ(GetParam().status, Create(GetParam().name, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(GetParam().status, Link(GetParam().name, u"\\Device\\Dorvik0"));
}

INSTANTIATE_TEST_SUITE_P(Names, BadNameTest,
                         ::testing::Values(BadName{u"Dorvik0", STATUS_OBJECT_NAME_INVALID},
                                           BadName{u"\\Device\\", STATUS_OBJECT_NAME_INVALID},
                                           BadName{u"\\Devices\\Dorvik0", STATUS_OBJECT_PATH_NOT_FOUND}));

TEST_F(ObjectNamespaceModelTest, LinksAnswerAsNtDoes) {
  ASSERT_EQ(STATUS_SUCCESS, Link(u"\\??\\Dorvik0", u"\\Device\\Dorvik0"));
  EXPECT_EQ(u"\\Device\\Dorvik0", ntmodel::SymbolicLinkTarget(u"\\DosDevices\\DORVIK0"));
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, Link(u"\\DosDevices\\Dorvik0", u"\\Device\\Other"));

  PDEVICE_OBJECT object = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &object));
  EXPECT_EQ(object, ntmodel::ResolveWin32Name(u"\\DosDevices\\Dorvik0"));
  EXPECT_EQ(STATUS_OBJECT_TYPE_MISMATCH, Unlink(u"\\Device\\Dorvik0"));

  EXPECT_EQ(STATUS_SUCCESS, Unlink(u"\\DosDevices\\dorvik0"));
  EXPECT_EQ(STATUS_OBJECT_NAME_NOT_FOUND, Unlink(u"\\DosDevices\\Dorvik0"));
  IoDeleteDevice(object);
}

// NT lets a device go while a link still names it; the link then leads nowhere.
TEST_F(ObjectNamespaceModelTest, DeletedDeviceLeavesItsLinkDangling) {
  PDEVICE_OBJECT object = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &object));
  ASSERT_EQ(STATUS_SUCCESS, Link(u"\\DosDevices\\Dorvik0", u"\\Device\\Dorvik0"));
  IoDeleteDevice(object);
  EXPECT_TRUE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  EXPECT_EQ(nullptr, ntmodel::ResolveWin32Name(u"\\DosDevices\\Dorvik0"));
  EXPECT_EQ(STATUS_SUCCESS, Unlink(u"\\DosDevices\\Dorvik0"));
}

TEST_F(ObjectNamespaceModelTest, DevicesAndLinksStillPresentAreLeftBehind) {
  PDEVICE_OBJECT object = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &object));
  ASSERT_EQ(STATUS_SUCCESS, Link(u"\\DosDevices\\Dorvik0", u"\\Device\\Dorvik0"));
  std::string all;
  for (const std::string &item : ntmodel::LeftBehind()) all += item + "\n";
  EXPECT_NE(std::string::npos, all.find("device object \\Device\\Dorvik0"));
  EXPECT_NE(std::string::npos, all.find("symbolic link \\DosDevices\\Dorvik0 -> \\Device\\Dorvik0"));
  EXPECT_EQ(STATUS_SUCCESS, Unlink(u"\\DosDevices\\Dorvik0"));
  IoDeleteDevice(object);
}

TEST_F(ObjectNamespaceModelTest, DeletingWhatIsNoDeviceIsAViolation) {
  DEVICE_OBJECT stranger{};
  ntmodel::ViolationCapture capture;
  IoDeleteDevice(&stranger);
  EXPECT_TRUE(capture.Contains("not a device object"));
}

TEST_F(ObjectNamespaceModelTest, DeviceMissingFromItsDriversListIsAViolation) {
  PDEVICE_OBJECT object = nullptr;
  ASSERT_EQ(STATUS_SUCCESS, Create(u"\\Device\\Dorvik0", &object));
  driver_.DeviceObject = nullptr;  // a driver that overwrote its list
  ntmodel::ViolationCapture capture;
  IoDeleteDevice(object);
  EXPECT_TRUE(capture.Contains("missing from its driver's device list"));
}

}  // namespace
