// Record layouts as a host sees them, and the C interface's own types.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "gresk.h"
#include "quelm.h"
#include "tolvan.h"

TEST(Layout, RecordsArePlainAndLaidOutInDeclaredOrder) {
    EXPECT_TRUE(std::is_standard_layout_v<CAMERA>);
    EXPECT_TRUE(std::is_trivially_copyable_v<SCENE>);
    EXPECT_LT(offsetof(CAMERA, Xtarget), offsetof(CAMERA, Xcamera));
    EXPECT_LT(offsetof(CAMERA, RenderRect), offsetof(CAMERA, Magnification));
    EXPECT_EQ(offsetof(SCENE, Perspective) + sizeof(VANTAGE), sizeof(SCENE));
    EXPECT_EQ(sizeof(VANTAGE), 64 * sizeof(double));
}

TEST(Layout, SceneSettingsPlanPartMatchesPlanBits) {
    EXPECT_EQ(SCENE_SETTINGS_INITIAL & VIS_PLAN_MASK, 0xE9000u);
    EXPECT_EQ(PLAN_NEAR | PLAN_FINE | PLAN_SPARE | PLAN_STANDS | PLAN_GROUND, 0xE9000u);
    EXPECT_EQ(ACT_LINK_P_MASK | ACT_LINK_Q_MASK | ACT_FLAGS, 0xFFFFFFFFu);
}
