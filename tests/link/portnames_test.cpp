// Tests of the port name mapping.
#include "link/portnames.h"

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef _WIN32
// Windows opens a COM port through the device namespace, which also reaches COM10 and up;
// the Linux override variable means nothing there.
TEST(PortDevicePath, OpensTheDeviceNamespaceAndIgnoresTheOverride) {
    ASSERT_EQ(::_putenv_s("RIVAN_COM3", "/dev/pts/4"), 0);
    EXPECT_EQ(PortDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(PortDevicePath("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(PortDevicePath("COM12"), "\\\\.\\COM12");
    ASSERT_EQ(::_putenv_s("RIVAN_COM3", ""), 0);
}
#else
TEST(PortDevicePath, UsesTheEnvironmentOverrideThenTheSerialDevice) {
    ::unsetenv("RIVAN_COM3");
    EXPECT_EQ(PortDevicePath("COM3"), "/dev/ttyS2");
    EXPECT_EQ(PortDevicePath("COM1"), "/dev/ttyS0");
    ::setenv("RIVAN_COM3", "/dev/pts/4", 1);
    EXPECT_EQ(PortDevicePath("COM3"), "/dev/pts/4");
    EXPECT_EQ(PortDevicePath("COM1"), "/dev/ttyS0");
    ::unsetenv("RIVAN_COM3");
}
#endif

TEST(PortDevicePath, LeavesOtherNamesAlone) {
    EXPECT_EQ(PortDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PortDevicePath("COMX"), "COMX");
    EXPECT_EQ(PortDevicePath("COM0"), "COM0");
}
