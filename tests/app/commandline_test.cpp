// The command line answered before any window opens.
#include "app/commandline.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

std::optional<CommandLineAnswer> Answer(std::initializer_list<const char*> words) {
    QStringList arguments{QStringLiteral("/usr/bin/rivan")};
    for (const char* word : words)
        arguments << QString::fromLatin1(word);
    return AnswerCommandLine(arguments);
}

} // namespace

TEST(CommandLine, VersionIsTheProgramIdentity) {
    for (const char* option : {"--version", "-v"}) {
        const auto answer = Answer({option});
        ASSERT_TRUE(answer) << option;
        EXPECT_EQ(answer->Status, 0);
        EXPECT_EQ(answer->Text, "RIVAN 2.00 - b00\n"
                                "Copyright (c) 2026 Qelvar Instruments\n");
    }
}

TEST(CommandLine, HelpNamesTheCommandItsOptionsAndThePortSetup) {
    for (const char* option : {"--help", "-h", "--help-all"}) {
        const auto answer = Answer({option});
        ASSERT_TRUE(answer) << option;
        EXPECT_EQ(answer->Status, 0);
        const std::string& text = answer->Text;
        EXPECT_TRUE(text.starts_with("Usage: rivan [options]\nService tool for the RIVAN")) << text;
        for (const char* part : {"\n  -v, --version ", "\n  -h, --help ", "\nSerial ports:\n",
                                 "RIVAN_COMn", "/dev/ttyS0", "dialout", "\nEnvironment:\n"})
            EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}

TEST(CommandLine, AnythingElseStartsTheProgram) {
    EXPECT_FALSE(Answer({}));
    // Options of the window system are not the program's to refuse.
    EXPECT_FALSE(Answer({"-platform", "offscreen"}));
    EXPECT_FALSE(Answer({"--no-such-option"}));
    EXPECT_FALSE(Answer({"file.pro"}));
}

TEST(CommandLine, HelpWinsWhereverItStands) {
    const auto answer = Answer({"-platform", "offscreen", "--help"});
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->Text.find("Usage: rivan"), std::string::npos);
}
