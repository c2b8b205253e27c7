#include "orva/ports.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using namespace orva::ports;

// With grants switched off the process behaves as an unprivileged one: every
// access is an empty-bus access and must not fault.
TEST(PortsWithoutGrant, AccessesBehaveAsEmptyBus) {
  SetKernelGrantAllowed(false);
  EXPECT_EQ(In8(0x392), 0xFF);
  EXPECT_EQ(In16(0x398), 0xFFFF);
  Out8(0x392, 0x12);     // dropped
  Out16(0x390, 0x8080);  // dropped
  EXPECT_EQ(In8(0x392), 0xFF);
  EXPECT_FALSE(Granted(0x392));
  EXPECT_EQ(RequestAccess(0x390, 11), EACCES);
  EXPECT_FALSE(Granted(0x390));
  // A word at the last port would need port 0x10000: never granted.
  EXPECT_EQ(In16(0xFFFF), 0xFFFF);
  SetKernelGrantAllowed(true);
}

TEST(PortsRequests, BadRangesAreRefused) {
  EXPECT_EQ(RequestAccess(0x390, 0), EINVAL);
  EXPECT_EQ(RequestAccess(0xFFFF, 2), EINVAL);
  ReleaseAccess(0xFFFF, 2);  // ignored, must not touch anything out of range
  ReleaseAccess(0x390, 11);  // release without a claim is ignored
  EXPECT_FALSE(Granted(0x390));
}

// On a privileged x86 machine the grant succeeds and is given back; elsewhere
// (virtual machines, no capability, other processors) a clear errno comes back.
TEST(PortsRequests, GrantIsGivenBackOrRefusedWithAReason) {
  const int r = RequestAccess(0x3F0, 4);
  if (r == 0) {
    EXPECT_TRUE(Granted(0x3F0));
    EXPECT_TRUE(Granted(0x3F3));
    EXPECT_EQ(RequestAccess(0x3F0, 4), 0);  // a second claim
    ReleaseAccess(0x3F0, 4);
    EXPECT_TRUE(Granted(0x3F0));            // still claimed once
    ReleaseAccess(0x3F0, 4);
    EXPECT_FALSE(Granted(0x3F0));
  } else {
    EXPECT_TRUE(r == EPERM || r == ENOSYS || r == EACCES) << "errno " << r;
    EXPECT_FALSE(Granted(0x3F0));
  }
}

}  // namespace
