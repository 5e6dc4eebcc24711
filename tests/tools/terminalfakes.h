// A port and a settings store held in memory, for driving the terminal in tests.
#pragma once

#include "tools/terminalport.h"
#include "tools/terminalsettingsstore.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

class FakeTerminalPort : public TerminalPort {
public:
    // Devices that do not exist: opening them fails with this error number.
    std::map<std::string, int> OpenErrors;
    int ReadSettingsError = 0;
    int WriteSettingsError = 0;
    int WriteError = 0;

    std::vector<std::string> Opened;
    std::vector<std::uint8_t> Written;
    std::vector<int> BaudRates;
    std::vector<std::string> LineChanges; // "DTR+", "RTS+", "RTS-", "DTR-"
    int Closes = 0;

    int Open(const std::string& device) override {
        Opened.push_back(device);
        if (auto error = OpenErrors.find(device); error != OpenErrors.end())
            return error->second;
        open_ = true;
        return 0;
    }
    int ReadLineSettings() override { return ReadSettingsError; }
    int WriteLineSettings(int baudRate) override {
        BaudRates.push_back(baudRate);
        return WriteSettingsError;
    }
    void SetDtr(bool raised) override { LineChanges.push_back(raised ? "DTR+" : "DTR-"); }
    void SetRts(bool raised) override { LineChanges.push_back(raised ? "RTS+" : "RTS-"); }
    int Write(std::uint8_t byte) override {
        if (WriteError)
            return WriteError;
        Written.push_back(byte);
        return 0;
    }
    void Close() override {
        ++Closes;
        open_ = false;
    }
    bool IsOpen() const override { return open_; }

private:
    bool open_ = false;
};

class MemorySettingsStore : public TerminalSettingsStore {
public:
    using Value = std::variant<std::string, bool>;
    bool KeyExists = false;
    std::map<std::string, Value> Values;
    bool Writable = true;
    // Writing this value fails.
    std::string FailingWrite;
    std::vector<std::string> WriteOrder;

    bool Exists() override { return KeyExists; }
    std::optional<std::string> ReadText(const std::string& name) override {
        auto value = Values.find(name);
        if (value == Values.end() || !std::holds_alternative<std::string>(value->second))
            return std::nullopt;
        return std::get<std::string>(value->second);
    }
    std::optional<bool> ReadFlag(const std::string& name) override {
        auto value = Values.find(name);
        if (value == Values.end() || !std::holds_alternative<bool>(value->second))
            return std::nullopt;
        return std::get<bool>(value->second);
    }
    bool OpenForWriting() override {
        if (!Writable)
            return false;
        KeyExists = true;
        return true;
    }
    bool WriteText(const std::string& name, const std::string& value) override {
        return Store(name, value);
    }
    bool WriteFlag(const std::string& name, bool value) override { return Store(name, value); }

private:
    bool Store(const std::string& name, Value value) {
        WriteOrder.push_back(name);
        if (name == FailingWrite)
            return false;
        Values[name] = std::move(value);
        return true;
    }
};
