// The equipment profile: defaults, message access and the editors' snapshots.
#include "profile/equipmentprofile.h"

#include <array>
#include <cstddef>
#include <string>

namespace {

struct DefaultMessage {
    std::int32_t EditLevel;
    const char* Text; // exactly 16 characters
};

// Slot 0 carries the unit maker's copyright line; slots 22 to 31 have no defaults.
constexpr std::array<DefaultMessage, 22> DefaultMessages = {{
    {2, "(c)2026 Qelvar  "}, {2, "   MEVRAL-1+    "}, {1, "1> DETECT       "},
    {1, "2> IDENTIFY     "}, {1, "3> ADJUST       "}, {1, "  CABLE SHORT   "},
    {1, "  BATTERY LOW   "}, {1, "  SERVICE MODE  "}, {1, "Manual power OFF"},
    {1, "Auto power OFF  "}, {1, "No LNB?         "}, {1, "Elapsed time:   "},
    {0, "User:           "}, {0, "Co:             "}, {1, "   TEST MODE    "},
    {2, "----lock ber snr"}, {1, " Please wait... "}, {1, " Li-ion Battery "},
    {1, "  NiMH Battery  "}, {1, "   No Battery   "}, {1, "  Backlight ON  "},
    {1, "  Backlight OFF "},
}};

constexpr bool AllDefaultTextsFillTheDisplay() {
    for (const DefaultMessage& message : DefaultMessages) {
        if (std::char_traits<char>::length(message.Text) != EquipmentProfile::MessageLength) {
            return false;
        }
    }
    return true;
}
static_assert(AllDefaultTextsFillTheDisplay(),
              "each default message fills the 16-character display");

constexpr std::uint16_t DefaultWarningMER = 28;
constexpr std::uint16_t DefaultAlarmMER = 22;
constexpr float DefaultWarningBER = 1.0E-05f;
constexpr float DefaultAlarmBER = 1.0E-04f;

constexpr std::uint8_t DefaultActive = 0;
constexpr std::uint32_t DefaultFrequencyKHz = 650000;
constexpr std::uint16_t DefaultWarningPower = 70; // -37 dBm
constexpr std::uint16_t DefaultAlarmPower = 60;   // -47 dBm

constexpr char MessagePad = ' ';

} // namespace

EquipmentProfile::EquipmentProfile(ScriptLineList& scriptLines) : scriptLines_(&scriptLines) {}

void EquipmentProfile::SetDefaults() {
    LoadDefaultMessages();
    messagesLoaded_ = true;
    LoadDefaultConfiguration();
    configurationLoaded_ = true;
    LoadDefaultPoints();
    pointsLoaded_ = true;
}

void EquipmentProfile::LoadDefaultMessages() {
    for (std::size_t slot = 0; slot < DefaultMessages.size(); ++slot) {
        messages_[slot].EditLevel = DefaultMessages[slot].EditLevel;
        messages_[slot].Text = DefaultMessages[slot].Text;
    }
}

void EquipmentProfile::LoadDefaultConfiguration() {
    configuration_.WarningMER = DefaultWarningMER;
    configuration_.AlarmMER = DefaultAlarmMER;
    configuration_.WarningBER = DefaultWarningBER;
    configuration_.AlarmBER = DefaultAlarmBER;
}

void EquipmentProfile::LoadDefaultPoints() {
    for (int point = 0; point < PointCount; ++point) {
        DetectionPoint& target = points_[point];
        target.Number = static_cast<std::uint8_t>(point);
        target.Active = DefaultActive;
        target.FrequencyKHz = DefaultFrequencyKHz;
        target.WarningPower = DefaultWarningPower;
        target.AlarmPower = DefaultAlarmPower;
    }
}

bool EquipmentProfile::CanEditMessage(int slot, std::int32_t level) const {
    return level >= messages_[slot].EditLevel;
}

void EquipmentProfile::SetMessageText(int slot, std::string_view text) {
    std::string& target = messages_[slot].Text;
    target.assign(text.substr(0, MessageLength));
    target.resize(MessageLength, MessagePad);
}

void EquipmentProfile::SnapshotConfiguration() {
    saved_.Configuration = configuration_;
}

void EquipmentProfile::RestoreConfiguration() {
    configuration_ = saved_.Configuration;
}

void EquipmentProfile::SnapshotPoints() {
    saved_.Points = points_;
}

void EquipmentProfile::RestorePoints() {
    points_ = saved_.Points;
}

void EquipmentProfile::SnapshotMessages() {
    for (int slot = 0; slot < MessageCount; ++slot) {
        saved_.MessageTexts[slot] = messages_[slot].Text;
    }
}

void EquipmentProfile::RestoreMessages() {
    for (int slot = 0; slot < MessageCount; ++slot) {
        messages_[slot].Text = saved_.MessageTexts[slot];
    }
}
