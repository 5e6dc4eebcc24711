// Tests of the port name mapping.
#include "link/portnames.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(PortDevicePath, UsesTheEnvironmentOverrideThenTheSerialDevice) {
    ::unsetenv("RIVAN_COM3");
    EXPECT_EQ(PortDevicePath("COM3"), "/dev/ttyS2");
    EXPECT_EQ(PortDevicePath("COM1"), "/dev/ttyS0");
    ::setenv("RIVAN_COM3", "/dev/pts/4", 1);
    EXPECT_EQ(PortDevicePath("COM3"), "/dev/pts/4");
    EXPECT_EQ(PortDevicePath("COM1"), "/dev/ttyS0");
    ::unsetenv("RIVAN_COM3");
}

TEST(PortDevicePath, LeavesOtherNamesAlone) {
    EXPECT_EQ(PortDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PortDevicePath("COMX"), "COMX");
    EXPECT_EQ(PortDevicePath("COM0"), "COM0");
}
