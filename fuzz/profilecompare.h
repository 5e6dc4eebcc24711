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
