// Terminal settings held in memory, for driving the terminal in tests.
#pragma once

#include "tools/terminal/terminalsettingsstore.h"

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

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
