// The in-memory image of one unit's settings, and its PRO script form.
#pragma once

#include "profile/memorymap.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The PRO script text of a document, one entry per line, without line ends.
using ScriptLineList = std::vector<std::string>;

struct ConfigurationData {
    std::uint16_t WarningMER = 0;
    std::uint16_t AlarmMER = 0;
    float WarningBER = 0.0f;
    float AlarmBER = 0.0f;
};

struct DetectionPoint {
    std::uint8_t Number = 0;
    std::uint8_t Active = 0;
    std::uint32_t FrequencyKHz = 0;
    std::uint16_t WarningPower = 0; // dBm + 107
    std::uint16_t AlarmPower = 0;   // dBm + 107
};

struct TextMessage {
    std::int32_t EditLevel = 0;
    std::string Text; // at most 16 characters; exactly 16 once set
};

enum class ScriptLineKind { Ignored, DataLine, Malformed };

struct ScriptLineClass {
    ScriptLineKind Kind = ScriptLineKind::Ignored;
    std::string Token; // the upper-cased data token of a DataLine, "*I22A0..."
};

// Classifies one PRO line; reading a file and sending a script both use it.
ScriptLineClass ParseScriptLine(std::string_view line);

class EquipmentProfile {
public:
    static constexpr int PointCount = MemoryMap::PointCount;
    static constexpr int MessageCount = MemoryMap::MessageCount;
    static constexpr int MessageLength = MemoryMap::MessageLength;

    // Binds the document's script lines; the profile never owns them.
    explicit EquipmentProfile(ScriptLineList& scriptLines);

    void SetDefaults();
    void LoadDefaultMessages();
    void LoadDefaultConfiguration();
    void LoadDefaultPoints();

    bool MessagesLoaded() const { return messagesLoaded_; }
    bool ConfigurationLoaded() const { return configurationLoaded_; }
    bool PointsLoaded() const { return pointsLoaded_; }

    std::uint16_t WarningMER() const { return configuration_.WarningMER; }
    void SetWarningMER(std::uint16_t value) { configuration_.WarningMER = value; }
    std::uint16_t AlarmMER() const { return configuration_.AlarmMER; }
    void SetAlarmMER(std::uint16_t value) { configuration_.AlarmMER = value; }
    float WarningBER() const { return configuration_.WarningBER; }
    void SetWarningBER(float value) { configuration_.WarningBER = value; }
    float AlarmBER() const { return configuration_.AlarmBER; }
    void SetAlarmBER(float value) { configuration_.AlarmBER = value; }

    std::uint8_t Number(int point) const { return points_[point].Number; }
    void SetNumber(int point, std::uint8_t value) { points_[point].Number = value; }
    std::uint8_t Active(int point) const { return points_[point].Active; }
    void SetActive(int point, std::uint8_t value) { points_[point].Active = value; }
    std::uint32_t FrequencyKHz(int point) const { return points_[point].FrequencyKHz; }
    void SetFrequencyKHz(int point, std::uint32_t value) { points_[point].FrequencyKHz = value; }
    std::uint16_t WarningPower(int point) const { return points_[point].WarningPower; }
    void SetWarningPower(int point, std::uint16_t value) { points_[point].WarningPower = value; }
    std::uint16_t AlarmPower(int point) const { return points_[point].AlarmPower; }
    void SetAlarmPower(int point, std::uint16_t value) { points_[point].AlarmPower = value; }

    bool CanEditMessage(int slot, std::int32_t level) const;
    std::int32_t MessageEditLevel(int slot) const { return messages_[slot].EditLevel; }
    const std::string& GetMessageText(int slot) const { return messages_[slot].Text; }
    void SetMessageText(int slot, std::string_view text);

    void SnapshotConfiguration();
    void RestoreConfiguration();
    void SnapshotPoints();
    void RestorePoints();
    void SnapshotMessages();
    void RestoreMessages();

    // Rebinds to `lines` and fills it with the PRO text for `fileName`. `now` is the
    // date and time text for the "created at" line (the same text the log uses).
    void WriteScript(ScriptLineList& lines, const std::string& fileName, const std::string& now);
    // Defaults, then the data lines of the bound list up to the first malformed one.
    void ReadScript();
    // Stores one memory block if its address and length fit the map; else changes nothing.
    void ApplyDataBlock(std::uint16_t address, std::string_view data);

    ScriptLineList& ScriptLines() const { return *scriptLines_; }

private:
    struct Snapshot {
        ConfigurationData Configuration;
        std::array<DetectionPoint, PointCount> Points;
        std::array<std::string, MessageCount> MessageTexts;
    };

    ScriptLineList* scriptLines_;
    bool messagesLoaded_ = false;
    bool configurationLoaded_ = false;
    bool pointsLoaded_ = false;
    ConfigurationData configuration_;
    std::array<DetectionPoint, PointCount> points_;
    std::array<TextMessage, MessageCount> messages_;
    Snapshot saved_;
};
