// Where the terminal keeps its port name and modes from one run to the next: a key with
// named text and flag values.
#pragma once

#include <optional>
#include <string>

class TerminalSettingsStore {
public:
    virtual ~TerminalSettingsStore() = default;

    // Whether the key exists; asking never creates it.
    virtual bool Exists() = 0;
    // A value of the key; nothing when it is missing or of the wrong kind.
    virtual std::optional<std::string> ReadText(const std::string& name) = 0;
    virtual std::optional<bool> ReadFlag(const std::string& name) = 0;

    // Makes the key ready for writing, creating it when missing; false when it cannot.
    virtual bool OpenForWriting() = 0;
    // Stores a value for good; false when it could not be stored.
    virtual bool WriteText(const std::string& name, const std::string& value) = 0;
    virtual bool WriteFlag(const std::string& name, bool value) = 0;
};
