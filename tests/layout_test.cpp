// What the public headers' own layout asserts take for granted: records a
// host may copy and take offsets of.
#include <gtest/gtest.h>

#include <type_traits>

#include "quelm.h"

TEST(Layout, RecordsArePlain) {
    EXPECT_TRUE(std::is_standard_layout_v<CAMERA>);
    EXPECT_TRUE(std::is_trivially_copyable_v<SCENE>);
}
