// The terminal's port on Qt Serial Port: error numbers as the unit's documentation gives
// them, exclusive use, and bytes both ways with rivan-sim on a pseudo-terminal.
#include "link/device/deviceterminalport.h"
#include "link/device/serialerrors.h"

#include "support/simprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct ErrorRow {
    const char* Behaviour;
    QSerialPort::SerialPortError Error;
    int Number;
};

class SerialErrorNumbers : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(SerialErrorNumbers, AreThoseOfTheUnitsDocumentation) {
    EXPECT_EQ(SystemErrorNumber(GetParam().Error), GetParam().Number);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, SerialErrorNumbers,
    ::testing::Values(ErrorRow{"NoErrorIsZero", QSerialPort::NoError, 0},
                      ErrorRow{"MissingPortIsFileNotFound", QSerialPort::DeviceNotFoundError, 2},
                      ErrorRow{"RefusedPortIsAccessDenied", QSerialPort::PermissionError, 5},
                      ErrorRow{"PortOpenAlreadyIsAccessDenied", QSerialPort::OpenError, 5},
                      ErrorRow{"ClosedPortIsAnInvalidHandle", QSerialPort::NotOpenError, 6},
                      ErrorRow{"WriteFault", QSerialPort::WriteError, 29},
                      ErrorRow{"FailedReadIsAccessDenied", QSerialPort::ReadError, 5},
                      ErrorRow{"VanishedDeviceIsAccessDenied", QSerialPort::ResourceError, 5},
                      ErrorRow{"UnsupportedSettingIsAnInvalidParameter",
                               QSerialPort::UnsupportedOperationError, 87},
                      ErrorRow{"TimeOutIsASemaphoreTimeOut", QSerialPort::TimeoutError, 121},
                      ErrorRow{"UnknownIsAGeneralFailure", QSerialPort::UnknownError, 31}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

// Lets the event loop run until `done` holds, for at most a few seconds.
bool RunUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

class DeviceTerminalPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        std::string error;
        ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "1", "--heartbeat", "60000"}, error))
            << error;
        port.SetReadyNotice([this] { ++notices; });
    }

    // Everything the unit sent until `expected` came, or until nothing more came.
    std::string Received(std::size_t expected, int& error) {
        std::vector<std::uint8_t> bytes;
        error = 0;
        RunUntil([&] {
            error = port.ReadAvailable(bytes, 4096);
            return bytes.size() >= expected || error != 0;
        });
        return std::string(bytes.begin(), bytes.end());
    }

    SimProcess sim;
    DeviceTerminalPort port;
    int notices = 0;
};

TEST_F(DeviceTerminalPortTest, AMissingDeviceIsErrorTwo) {
    EXPECT_EQ(port.Open("/dev/rivan-no-such-port"), 2);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(DeviceTerminalPortTest, TypedBytesReachTheUnitAndItsAnswerComesBack) {
    ASSERT_EQ(port.Open(sim.DevicePath()), 0);
    EXPECT_EQ(port.ReadLineSettings(), 0);
    EXPECT_EQ(port.WriteLineSettings(115200), 0);
    port.SetDtr(true);
    port.SetRts(true);
    for (const char c : std::string("*?NAM\r"))
        ASSERT_EQ(port.Write(static_cast<std::uint8_t>(c)), 0);
    int error = 0;
    const std::string answer = "\x13\x06*NAM RIVAN\r\n\x11";
    EXPECT_EQ(Received(answer.size(), error), answer);
    EXPECT_EQ(error, 0);
    EXPECT_GT(notices, 0);
}

TEST_F(DeviceTerminalPortTest, APortInUseByAnotherTerminalIsAccessDenied) {
    ASSERT_EQ(port.Open(sim.DevicePath()), 0);
    DeviceTerminalPort other;
    EXPECT_EQ(other.Open(sim.DevicePath()), 5);
    EXPECT_FALSE(other.IsOpen());
    port.Close();
    EXPECT_EQ(other.Open(sim.DevicePath()), 0) << "free again once closed";
}

TEST_F(DeviceTerminalPortTest, TheUnitHangingUpFailsTheLineWithErrorFive) {
    ASSERT_EQ(port.Open(sim.DevicePath()), 0);
    sim.Stop();
    int error = 0;
    Received(1, error);
    EXPECT_EQ(error, 5);
}

TEST_F(DeviceTerminalPortTest, AClosedPortCannotBeWritten) {
    EXPECT_EQ(port.Write('x'), 6);
}

} // namespace
