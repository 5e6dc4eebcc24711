// The file a terminal session is written to while the user keeps a log: every received
// and typed byte as text lines, each starting with the time, typed lines marked as such.
// Control bytes are written by name ("(XON)") or code ("(07)"); CR, LF and CR LF end a line.
#pragma once

#include "tools/terminal/terminalclock.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class SessionLog {
public:
    // Marks a line of typed bytes, after its time stamp.
    static constexpr std::string_view TypedMark = "typed: ";
    // Marks a line the terminal itself adds (the log starting, the port lost).
    static constexpr std::string_view NoteMark = "*** ";

    // "terminal-COM1-20240501-140307.log": the port and the time the log starts. Characters
    // a file name cannot hold are replaced, so a port name never leads out of the folder.
    static std::string NameFor(const std::string& portName, const LocalTime& started);

    SessionLog() = default;
    ~SessionLog() { Close(); }
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // Creates the file, or adds to it when one of that name is there; false when it cannot
    // be opened for writing.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

    void Received(std::uint8_t byte, const LocalTime& time);
    void Typed(std::uint8_t byte, const LocalTime& time);
    void Note(std::string_view text, const LocalTime& time);
    // Hands everything written so far to the system; false when a write has failed.
    bool Flush();
    // Ends the open line and closes the file.
    void Close();

private:
    enum class Line { None, Received, Typed };

    void Begin(Line kind, const LocalTime& time);
    void EndLine();
    void Append(std::uint8_t byte);
    void Put(std::string_view text);

    std::FILE* file_ = nullptr;
    std::string path_;
    Line open_ = Line::None;
    // The last received byte was a CR, so an LF right after it ends no further line.
    bool receivedCr_ = false;
    bool failed_ = false;
};
