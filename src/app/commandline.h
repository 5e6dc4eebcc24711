// The command line the program answers before any window opens: --help and --version.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

// What to print, and the exit status, when the command line asks for help or the version.
struct CommandLineAnswer {
    int Status = 0;
    std::string Text;
};

// The answer to --help (-h) or --version (-v); nullopt when the program should start
// as usual. Options it does not know are left to the window system (-platform, -style), so
// they never stop the program from starting. Needs no display and no application object.
std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments);
