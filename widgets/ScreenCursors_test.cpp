#include "widgets/ScreenCursors.h"

#include <gtest/gtest.h>

TEST(ScreenCursorsTest, EmptySlotGivesArrow) {
    EXPECT_FALSE(HasScreenCursor(41));
    EXPECT_EQ(ScreenCursor(41).shape(), Qt::ArrowCursor);
}

TEST(ScreenCursorsTest, FilledSlotGivesItsCursorAndCanBeReplaced) {
    SetScreenCursor(42, QCursor(Qt::PointingHandCursor));
    EXPECT_TRUE(HasScreenCursor(42));
    EXPECT_EQ(ScreenCursor(42).shape(), Qt::PointingHandCursor);
    SetScreenCursor(42, QCursor(Qt::CrossCursor));
    EXPECT_EQ(ScreenCursor(42).shape(), Qt::CrossCursor);
}
