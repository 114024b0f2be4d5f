// CDriver installs the framework's routines in the driver object and is
// deleted again while they stay; unload destroys every device.
#include <Driver.h>
#include <KernelTest.h>
#include <StandardRoutines.h>
#include <TestDevice.h>

#include <cstring>

namespace {

class DriverObjectTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    TestDevice::destructions = 0;
  }
  DRIVER_OBJECT driver_ = {};
};

TEST_F(DriverObjectTest, InstallsExactlyTheFourRoutinesAndDeletionLeavesThem) {
  // A filled object shows any field written besides the four.
  std::memset(&driver_, 0x5A, sizeof(driver_));
  DRIVER_OBJECT expected = driver_;
  expected.DriverUnload = FwDriverUnload;
  expected.MajorFunction[IRP_MJ_CREATE] = FwCreateFile;
  expected.MajorFunction[IRP_MJ_CLOSE] = FwCloseHandle;
  expected.MajorFunction[IRP_MJ_CLEANUP] = FwCleanup;

  CDriver *driver = new CDriver(&driver_);
  ASSERT_NE(nullptr, driver);
  EXPECT_EQ(&driver_, driver->DriverObject);
  EXPECT_EQ(0, std::memcmp(&expected, &driver_, sizeof(driver_)));

  std::vector<ntmodel::PoolBlock> pool = ntmodel::OutstandingPool();
  ASSERT_EQ(1u, pool.size());
  EXPECT_EQ(static_cast<const void *>(driver), pool[0].address);
  EXPECT_EQ(PagedPool, pool[0].type);
  EXPECT_EQ("FwkP", ntmodel::TagText(pool[0].tag));
  EXPECT_EQ(sizeof(CDriver), pool[0].size);

  delete driver;
  EXPECT_EQ(0, std::memcmp(&expected, &driver_, sizeof(driver_)));
  EXPECT_TRUE(ntmodel::OutstandingPool().empty());
}

TEST_F(DriverObjectTest, OperatorNewZeroFills) {
  // The pool model fills new blocks with a pattern.
  const size_t size = 3 * sizeof(CDriver);
  UCHAR *bytes = static_cast<UCHAR *>(CDriver::operator new(size));
  ASSERT_NE(nullptr, bytes);
  for (size_t i = 0; i < size; ++i) ASSERT_EQ(0, bytes[i]) << "byte " << i;
  CDriver::operator delete(bytes);
}

TEST_F(DriverObjectTest, ExhaustedPoolYieldsNullAndLeavesTheDriverObject) {
  ntmodel::FailAllocationNumber(1);
  CDriver *driver = new CDriver(&driver_);
  EXPECT_EQ(nullptr, driver);
  EXPECT_EQ(nullptr, driver_.DriverUnload);
  EXPECT_EQ(nullptr, driver_.MajorFunction[IRP_MJ_CREATE]);
}

TEST_F(DriverObjectTest, UnloadDestroysEveryDeviceThroughItsVirtualDestructor) {
  delete new CDriver(&driver_);
  PDEVICE_OBJECT made[3];
  const char16_t *names[3] = {u"Unload0", u"Unload1", u"Unload2"};
  for (int i = 0; i < 3; ++i) {
    CreatedDevice created = CreateTestDevice(&driver_, names[i]);
    ASSERT_EQ(STATUS_SUCCESS, created.status);
    made[i] = created.device_object;
  }

  driver_.DriverUnload(&driver_);

  EXPECT_EQ(3, TestDevice::destructions);
  EXPECT_EQ(nullptr, driver_.DeviceObject);
  for (PDEVICE_OBJECT device : made) EXPECT_FALSE(ntmodel::DeviceExists(device));
}

TEST_F(DriverObjectTest, UnloadWithoutDevicesReturnsAtOnce) {
  FwDriverUnload(&driver_);
  EXPECT_EQ(0, TestDevice::destructions);
  EXPECT_EQ(nullptr, driver_.DeviceObject);
}

TEST_F(DriverObjectTest, UnloadStopsAtADeviceObjectWithoutExtension) {
  DEVICE_OBJECT bare = {};
  driver_.DeviceObject = &bare;
  FwDriverUnload(&driver_);
  EXPECT_EQ(&bare, driver_.DeviceObject);
  EXPECT_EQ(0, TestDevice::destructions);
  driver_.DeviceObject = nullptr;
}

}  // namespace
