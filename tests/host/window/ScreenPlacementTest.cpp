#include "host/window/ScreenPlacement.h"

#include <gtest/gtest.h>

using host::ScreenPlacement;
using platform::Point;

TEST(ScreenPlacement, LargestScaleThatFitsInWholeSteps) {
    // Exactly the screen at 1 and 2.
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(320, 480), 1.0);
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(640, 960), 2.0);
    // A 1366 x 768 laptop less a title bar: height decides, rounded down to a step.
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(1366, 728), 1.5);
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(1366, 768), 51.0 / 32);
    // Width decides on a portrait phone.
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(720, 1440), 2.25);
    // One pixel short of a step is the step below.
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(479, 719), 47.0 / 32);
    // Never nothing.
    EXPECT_DOUBLE_EQ(ScreenPlacement::largestFittingScale(3, 3), 1.0 / 32);
    EXPECT_EQ(ScreenPlacement::pixels(320, 1.5), 480);
    EXPECT_EQ(ScreenPlacement::pixels(480, 1.33), 639);
}

TEST(ScreenPlacement, CentredBetweenBarsWithPointsWhereTheyAre) {
    // 900 x 700: bars left and right.
    auto p = ScreenPlacement::inWindow(900, 700);
    EXPECT_DOUBLE_EQ(p.scale(), 46.0 / 32);
    EXPECT_EQ(p.width(), 460);
    EXPECT_EQ(p.height(), 690);
    EXPECT_EQ(p.x(), 220);
    EXPECT_EQ(p.y(), 5);
    EXPECT_EQ(p.toPoints(220, 5), (Point{0, 0}));
    EXPECT_EQ(p.toPoints(450, 350), (Point{160, 240}));
    EXPECT_EQ(p.toPoints(680, 695), (Point{320, 480}));
    EXPECT_TRUE(p.onScreen(220, 5));
    EXPECT_TRUE(p.onScreen(679, 694));
    EXPECT_FALSE(p.onScreen(219, 350));
    EXPECT_FALSE(p.onScreen(680, 350));
    EXPECT_FALSE(p.onScreen(450, 4));
    EXPECT_FALSE(p.onScreen(450, 695));

    // A portrait phone full screen: bars above and below.
    p = ScreenPlacement::inWindow(720, 1440);
    EXPECT_EQ(p.width(), 720);
    EXPECT_EQ(p.height(), 1080);
    EXPECT_EQ(p.x(), 0);
    EXPECT_EQ(p.y(), 180);
    // A finger given as fractions of the window lands on the same point as the mouse there.
    EXPECT_EQ(p.normalisedToPoints(0.5, 0.5), (Point{160, 240}));
    EXPECT_EQ(p.normalisedToPoints(0.25, 0.75), p.toPoints(180, 1080));
    EXPECT_EQ(p.normalisedToPoints(0.25, 0.75), (Point{80, 400}));
    EXPECT_FALSE(p.onScreen(360, 179));
    EXPECT_TRUE(p.normalisedOnScreen(0.5, 0.13));    // y 187
    EXPECT_FALSE(p.normalisedOnScreen(0.5, 0.12));   // y 173, in the bar above
    EXPECT_FALSE(p.normalisedOnScreen(0.5, 0.88));   // y 1267, in the bar below
}

TEST(ScreenPlacement, AScaleAskedForIsKeptWhileNothingLargerFits) {
    // The window made for 1.33 shows exactly 1.33, though it is no whole step.
    auto p = ScreenPlacement::inWindow(426, 639, 1.33);
    EXPECT_DOUBLE_EQ(p.scale(), 1.33);
    EXPECT_EQ(p.x(), 0);
    EXPECT_EQ(p.y(), 0);
    // Made larger, the screen grows with the window.
    p = ScreenPlacement::inWindow(900, 700, 1.0);
    EXPECT_DOUBLE_EQ(p.scale(), 46.0 / 32);
    // Made smaller, it shrinks to fit.
    p = ScreenPlacement::inWindow(320, 400, 1.5);
    EXPECT_DOUBLE_EQ(p.scale(), 26.0 / 32);
    EXPECT_EQ(p.height(), 390);
}
