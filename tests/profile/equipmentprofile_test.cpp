// Tests of the equipment profile and the PRO script format.
#include "profile/equipmentprofile.h"

#include <gtest/gtest.h>

TEST(EquipmentProfile, NewProfileHasNoLoadedFlags) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    EXPECT_FALSE(profile.MessagesLoaded());
    EXPECT_FALSE(profile.ConfigurationLoaded());
    EXPECT_FALSE(profile.PointsLoaded());
    EXPECT_EQ(&profile.ScriptLines(), &lines);
}
