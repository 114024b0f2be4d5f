// Running out of pool at any allocation of the load: the driver either does
// not load or loads fewer boards, and in every case nothing is left behind.
#include "DriverMachine.h"

class PoolExhaustionTest : public DriverMachineTest {
 protected:
  void Configure() {
    WriteServiceKey();
    ConfigureBoards({{0, 0x368}, {1, 0x3E8}});
  }
};

TEST_F(PoolExhaustionTest, NoDriverObjectMemoryFailsWithNoMemory) {
  Configure();
  ntmodel::FailAllocationNumber(1);  // the CDriver is the entry point's first allocation
  ntmodel::LoadResult result = Boot();
  EXPECT_EQ(ntmodel::LoadOutcome::kEntryFailed, result.outcome);
  EXPECT_EQ(STATUS_NO_MEMORY, result.status);
}

TEST_F(PoolExhaustionTest, EveryFailedAllocationLeavesNothingBehind) {
  Configure();
  ASSERT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  const unsigned long long allocations = ntmodel::AllocationCount();
  ASSERT_TRUE(Unload());
  ASSERT_GT(allocations, 10u);

  for (unsigned long long k = 1; k <= allocations; ++k) {
    SCOPED_TRACE("allocation " + std::to_string(k) + " of " + std::to_string(allocations));
    ntmodel::ResetMachine();
    Configure();
    ntmodel::FailAllocationNumber(k);
    ntmodel::LoadResult result = Boot();
    ntmodel::ClearPoolFaults();
    if (result.outcome == ntmodel::LoadOutcome::kLoaded) {
      EXPECT_GE(Devices().size(), 1u);
      EXPECT_LE(Devices().size(), 2u);
      EXPECT_TRUE(Unload());
    } else {
      EXPECT_EQ(ntmodel::LoadOutcome::kEntryFailed, result.outcome);
      EXPECT_LT(result.status, 0);
    }
    ExpectNothingLeftBehind();
    if (HasFailure()) break;
  }
}
