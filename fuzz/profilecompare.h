// Field-for-field comparisons of two profiles, for the fuzz targets' promises.
#pragma once

#include "profile/equipmentprofile.h"

inline bool SameConfiguration(const EquipmentProfile& a, const EquipmentProfile& b) {
    return a.WarningMER() == b.WarningMER() && a.AlarmMER() == b.AlarmMER() &&
           a.WarningBER() == b.WarningBER() && a.AlarmBER() == b.AlarmBER();
}

inline bool SamePoint(const EquipmentProfile& a, const EquipmentProfile& b, int point) {
    return a.Number(point) == b.Number(point) && a.Active(point) == b.Active(point) &&
           a.FrequencyKHz(point) == b.FrequencyKHz(point) &&
           a.WarningPower(point) == b.WarningPower(point) &&
           a.AlarmPower(point) == b.AlarmPower(point);
}

inline bool SamePoints(const EquipmentProfile& a, const EquipmentProfile& b) {
    for (int point = 0; point < EquipmentProfile::PointCount; ++point) {
        if (!SamePoint(a, b, point)) {
            return false;
        }
    }
    return true;
}

inline bool SameMessage(const EquipmentProfile& a, const EquipmentProfile& b, int slot) {
    return a.GetMessageText(slot) == b.GetMessageText(slot) &&
           a.MessageEditLevel(slot) == b.MessageEditLevel(slot);
}

inline bool SameMessages(const EquipmentProfile& a, const EquipmentProfile& b) {
    for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot) {
        if (!SameMessage(a, b, slot)) {
            return false;
        }
    }
    return true;
}

inline bool SameFlags(const EquipmentProfile& a, const EquipmentProfile& b) {
    return a.MessagesLoaded() == b.MessagesLoaded() &&
           a.ConfigurationLoaded() == b.ConfigurationLoaded() &&
           a.PointsLoaded() == b.PointsLoaded();
}

inline bool SameProfile(const EquipmentProfile& a, const EquipmentProfile& b) {
    return SameConfiguration(a, b) && SamePoints(a, b) && SameMessages(a, b) && SameFlags(a, b);
}
