// Tests of the session log file: its name, and the lines that typed and received bytes
// make, read back from a file in a temporary folder.
#include "tools/terminal/sessionlog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

namespace {

constexpr LocalTime First{2024, 5, 1, 14, 3, 7, 412};
constexpr LocalTime Later{2024, 5, 1, 14, 3, 9, 5};

class SessionLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("rivan-sessionlog-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        path = (folder / "session.log").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Read() const {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    static void Receive(SessionLog& log, std::string_view bytes, const LocalTime& time) {
        for (char byte : bytes)
            log.Received(static_cast<std::uint8_t>(byte), time);
    }
    static void Type(SessionLog& log, std::string_view bytes, const LocalTime& time) {
        for (char byte : bytes)
            log.Typed(static_cast<std::uint8_t>(byte), time);
    }

    std::filesystem::path folder;
    std::string path;
};

TEST(SessionLogName, NamesThePortAndTheStartToTheSecond) {
    struct Case {
        const char* Name;
        const char* Port;
        LocalTime Started;
        const char* Expected;
    };
    const Case cases[] = {
        {"a COM port", "COM1", First, "terminal-COM1-20240501-140307.log"},
        {"leading zeros", "COM4", {2025, 1, 2, 3, 4, 5, 999}, "terminal-COM4-20250102-030405.log"},
        {"a path cannot lead out of the folder", "../x/y", First,
         "terminal-___x_y-20240501-140307.log"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(SessionLog::NameFor(test.Port, test.Started), test.Expected) << test.Name;
}

TEST_F(SessionLogTest, EachLineStartsWithItsTimeAndTypedLinesAreMarked) {
    struct Case {
        const char* Name;
        std::function<void(SessionLog&)> Write;
        std::string Expected;
    };
    const Case cases[] = {
        {"CR LF, LF and a lone CR each end one line",
         [](SessionLog& log) { Receive(log, "a\r\nb\nc\rd", First); },
         "[14:03:07.412] a\r\n[14:03:07.412] b\r\n[14:03:07.412] c\r\n[14:03:07.412] d\r\n"},
        {"an empty line keeps its stamp", [](SessionLog& log) { Receive(log, "\r\n\r\n", First); },
         "[14:03:07.412] \r\n[14:03:07.412] \r\n"},
        {"a line split over two bursts has the first one's time",
         [](SessionLog& log) {
             Receive(log, "ab", First);
             Receive(log, "c\r", Later);
             Receive(log, "\nd", Later);
         },
         "[14:03:07.412] abc\r\n[14:03:09.005] d\r\n"},
        {"control bytes by name or code, tab and high bytes as they are",
         [](SessionLog& log) { Receive(log, "\x11\x07\x7F\t\xC8\x13", First); },
         "[14:03:07.412] (XON)(07)(7F)\t\xC8(XOFF)\r\n"},
        {"typed bytes interrupt a received line and Enter ends them",
         [](SessionLog& log) {
             Receive(log, "ab", First);
             Type(log, "*?\x03", Later);
             Type(log, "\r", Later);
             Receive(log, "c", Later);
         },
         "[14:03:07.412] ab\r\n[14:03:09.005] typed: *?(ETX)\r\n[14:03:09.005] c\r\n"},
        {"a note ends the open line",
         [](SessionLog& log) {
             Type(log, "x", First);
             log.Note("port back", Later);
         },
         "[14:03:07.412] typed: x\r\n[14:03:09.005] *** port back\r\n"},
    };
    for (const Case& test : cases) {
        std::filesystem::remove(path);
        SessionLog log;
        ASSERT_TRUE(log.Open(path)) << test.Name;
        test.Write(log);
        log.Close();
        EXPECT_EQ(Read(), test.Expected) << test.Name;
    }
}

TEST_F(SessionLogTest, FlushHandsOverEverythingWrittenSoFar) {
    SessionLog log;
    ASSERT_TRUE(log.Open(path));
    Receive(log, "RIVAN", First);
    EXPECT_TRUE(log.Flush());
    EXPECT_EQ(Read(), "[14:03:07.412] RIVAN");
}

TEST_F(SessionLogTest, AnExistingFileIsAddedToNotReplaced) {
    { std::ofstream(path, std::ios::binary) << "before\r\n"; }
    SessionLog log;
    ASSERT_TRUE(log.Open(path));
    log.Note("log of COM1 started", First);
    log.Close();
    EXPECT_EQ(Read(), "before\r\n[14:03:07.412] *** log of COM1 started\r\n");
}

TEST_F(SessionLogTest, AFileThatCannotBeCreatedIsRefused) {
    SessionLog log;
    EXPECT_FALSE(log.Open((folder / "missing" / "session.log").string()));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(log.Flush());
}

TEST_F(SessionLogTest, AWriteThatFailsIsReportedByFlush) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    SessionLog log;
    ASSERT_TRUE(log.Open("/dev/full"));
    Receive(log, std::string(8192, 'a'), First);
    EXPECT_FALSE(log.Flush());
}

} // namespace
