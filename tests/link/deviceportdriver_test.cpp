// The device driver's reads and writes on a pseudo-terminal whose other end the test holds.
#include "link/device/deviceportdriver.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class DeviceReads : public ::testing::Test {
protected:
    void SetUp() override {
        unit_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (unit_ < 0)
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        ASSERT_EQ(::grantpt(unit_), 0);
        ASSERT_EQ(::unlockpt(unit_), 0);
        ::setenv("RIVAN_COM8", ::ptsname(unit_), 1);
        port = driver.Open("COM8");
        ASSERT_NE(port, InvalidPortHandle);
        PortTimeouts timeouts;
        timeouts.ReadTotalTimeoutMultiplier = 5;
        timeouts.ReadTotalTimeoutConstant = 100;
        ASSERT_TRUE(driver.SetTimeouts(port, timeouts));
    }

    void TearDown() override {
        driver.Close(port);
        if (unit_ >= 0)
            ::close(unit_);
        ::unsetenv("RIVAN_COM8");
    }

    // What the unit sends: all of it at once, so that it waits in the host's queue.
    void UnitSends(const std::string& bytes) const {
        ASSERT_EQ(::write(unit_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // The next read, as "A" for a byte, "timeout" or "failed".
    std::string Read() {
        const ByteRead read = driver.ReadByte(port);
        switch (read.Status) {
        case ReadStatus::Byte:
            return std::string(1, static_cast<char>(read.Byte));
        case ReadStatus::TimedOut:
            return "timeout";
        case ReadStatus::Failed:
            break;
        }
        return "failed";
    }

    std::vector<std::string> Reads(int count) {
        std::vector<std::string> reads;
        for (int i = 0; i < count; ++i)
            reads.push_back(Read());
        return reads;
    }

    // What reached the unit; the driver's writes are complete when Write returns.
    std::string UnitReceived() const {
        std::string received;
        char bytes[512];
        pollfd watched{unit_, POLLIN, 0};
        while (::poll(&watched, 1, 0) > 0) {
            const ssize_t count = ::read(unit_, bytes, sizeof bytes);
            if (count <= 0)
                break;
            received.append(bytes, static_cast<std::size_t>(count));
        }
        return received;
    }

    void UnitHangsUp() {
        ::close(unit_);
        unit_ = -1;
    }

    DevicePortDriver driver;
    PortHandle port = InvalidPortHandle;

private:
    int unit_ = -1;
};

TEST_F(DeviceReads, QueuedBytesComeOneAtATimeInOrderThenTheReadTimesOut) {
    UnitSends("*NAM\x11\r\n\x13");
    EXPECT_EQ(Reads(9), std::vector<std::string>(
                            {"*", "N", "A", "M", "\x11", "\r", "\n", "\x13", "timeout"}));
    UnitSends("\x06");
    EXPECT_EQ(Read(), "\x06");
}

TEST_F(DeviceReads, BytesQtTookInDuringEventsComeAfterTheOnesAlreadyTaken) {
    UnitSends("AB");
    EXPECT_EQ(Read(), "A"); // B waits in the driver
    UnitSends("C");
    // The window handles its events between exchanges; the port's own notifier may read C.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(Reads(3), std::vector<std::string>({"B", "C", "timeout"}));
}

TEST_F(DeviceReads, PurgingTheInputDropsBytesTakenButNotHandedOut) {
    UnitSends("XYZ");
    EXPECT_EQ(Read(), "X");
    EXPECT_TRUE(driver.Purge(port, PurgeQueue::Receive));
    EXPECT_EQ(Read(), "timeout");
}

TEST_F(DeviceReads, AWrittenLineReachesTheUnitWhole) {
    const std::string line = std::string(253, 'W') + "\r\n";
    std::uint32_t written = 0;
    ASSERT_TRUE(driver.Write(port, line, written));
    EXPECT_EQ(written, 255u);
    EXPECT_EQ(UnitReceived(), line);
}

TEST_F(DeviceReads, AGoneLineFailsTheReadAndClosesThePort) {
    UnitSends("Q");
    UnitHangsUp();
    // What came before the line dropped may be lost with it; then the read fails for good.
    std::string read = Read();
    if (read == "Q")
        read = Read();
    EXPECT_EQ(read, "failed");
    EXPECT_EQ(Read(), "failed");
    std::uint32_t written = 0;
    EXPECT_FALSE(driver.Write(port, "X", written));
}

} // namespace
