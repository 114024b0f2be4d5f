// The kernel model's HAL: translation rules by range, and mappings tracked
// from MmMapIoSpace to MmUnmapIoSpace.
#include <KernelTest.h>

#include <string>

namespace {

class HalModelTest : public KernelTest {
 protected:
  // Translates one I/O space address on ISA bus 0.
  BOOLEAN Translate(LONGLONG address, ULONG *space, PHYSICAL_ADDRESS *translated,
                    INTERFACE_TYPE interface_type = Isa, ULONG bus = 0) {
    PHYSICAL_ADDRESS bus_address;
    bus_address.QuadPart = address;
    *space = 1;
    translated->QuadPart = -1;
    return HalTranslateBusAddress(interface_type, bus, bus_address, space, translated);
  }
};

TEST_F(HalModelTest, RuleAppliesToItsRangeBusAndSpaceOnly) {
  ntmodel::AddTranslationRule({Isa, 0, 1, 0x360, 0x10, ntmodel::Translation::kMemorySpace, 0xFE000000});
  ULONG space;
  PHYSICAL_ADDRESS translated;

  ASSERT_TRUE(Translate(0x36F, &space, &translated));
  EXPECT_EQ(0u, space);
  EXPECT_EQ(0xFE00000F, translated.QuadPart);

  for (LONGLONG outside : {0x35F, 0x370}) {
    ASSERT_TRUE(Translate(outside, &space, &translated));
    EXPECT_EQ(1u, space);
    EXPECT_EQ(outside, translated.QuadPart);
  }
  ASSERT_TRUE(Translate(0x368, &space, &translated, Isa, 1));
  EXPECT_EQ(1u, space);
  ASSERT_TRUE(Translate(0x368, &space, &translated, Eisa, 0));
  EXPECT_EQ(1u, space);
}

TEST_F(HalModelTest, LatestMatchingRuleWins) {
  ntmodel::AddTranslationRule({Isa, 0, 1, 0x300, 0x100, ntmodel::Translation::kMemorySpace, 0xFE000000});
  ntmodel::AddTranslationRule({Isa, 0, 1, 0x368, 2, ntmodel::Translation::kRefused, 0});
  ULONG space;
  PHYSICAL_ADDRESS translated;
  EXPECT_FALSE(Translate(0x368, &space, &translated));
  EXPECT_TRUE(Translate(0x36A, &space, &translated));
  EXPECT_EQ(0u, space);
}

TEST_F(HalModelTest, MappingsAreTrackedUntilUnmapped) {
  PHYSICAL_ADDRESS physical;
  physical.QuadPart = 0xFE000368;
  PVOID view = MmMapIoSpace(physical, 2, MmNonCached);
  ASSERT_NE(nullptr, view);
  ASSERT_EQ(1u, ntmodel::IoMappings().size());

  std::vector<std::string> left = ntmodel::LeftBehind();
  ASSERT_EQ(1u, left.size());
  EXPECT_NE(std::string::npos, left[0].find("0xfe000368"));

  MmUnmapIoSpace(view, 2);
  EXPECT_TRUE(ntmodel::IoMappings().empty());
}

TEST_F(HalModelTest, MappingFailureIsInjectable) {
  PHYSICAL_ADDRESS physical;
  physical.QuadPart = 0xFE000000;
  ntmodel::FailMapIoSpace(true);
  EXPECT_EQ(nullptr, MmMapIoSpace(physical, 2, MmNonCached));
  ntmodel::FailMapIoSpace(false);
  PVOID view = MmMapIoSpace(physical, 2, MmNonCached);
  EXPECT_NE(nullptr, view);
  MmUnmapIoSpace(view, 2);
}

TEST_F(HalModelTest, UnmappingWrongOrUnknownIsAViolation) {
  PHYSICAL_ADDRESS physical;
  physical.QuadPart = 0xFE000000;
  PVOID view = MmMapIoSpace(physical, 4, MmNonCached);
  ntmodel::ViolationCapture capture;
  MmUnmapIoSpace(view, 2);
  EXPECT_TRUE(capture.Contains("mapped with 4"));
  EXPECT_TRUE(ntmodel::IoMappings().empty());

  MmUnmapIoSpace(view, 4);  // gone already
  EXPECT_TRUE(capture.Contains("which MmMapIoSpace did not return"));
}

}  // namespace
