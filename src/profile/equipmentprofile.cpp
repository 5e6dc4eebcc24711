// The equipment profile: defaults, accessors, snapshots and the PRO script form.
#include "profile/equipmentprofile.h"

EquipmentProfile::EquipmentProfile(ScriptLineList& scriptLines) : scriptLines_(&scriptLines) {}
