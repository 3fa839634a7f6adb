#include "platform/ui/InterfaceValue.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

InterfaceValue numbers(std::initializer_list<double> ns) {
    std::vector<InterfaceValue> items;
    for (double n : ns) items.push_back(InterfaceValue::number(n));
    return InterfaceValue::list(std::move(items));
}

TEST(InterfaceValueTest, ShapesOfRectsColoursAndFonts) {
    // Rects and points as lists or dictionaries; wrong lengths are nothing.
    EXPECT_EQ(numbers({1, 2, 3, 4}).asRect(), (Rect{1, 2, 3, 4}));
    EXPECT_FALSE(numbers({1, 2, 3}).asRect());
    EXPECT_FALSE(numbers({1, 2, 3, 4, 5}).asRect());
    EXPECT_EQ(numbers({5, 6}).asPoint(), (Point{5, 6}));
    auto dict = InterfaceValue::dictionary({{"x", InterfaceValue::number(1)}, {"y", InterfaceValue::number(2)}});
    EXPECT_EQ(dict.asPoint(), (Point{1, 2}));
    EXPECT_FALSE(dict.asRect());

    // Colours: lists clamp to 0..1, hex strings, white with alpha; malformed hex is nothing.
    EXPECT_EQ(numbers({0.5, 2, -1}).asColor(), (Color{0.5f, 1, 0, 1}));
    EXPECT_EQ(numbers({0, 0, 1, 0.25}).asColor(), (Color{0, 0, 1, 0.25f}));
    EXPECT_FALSE(numbers({0, 0, 1, 0.25, 1}).asColor());
    EXPECT_EQ(InterfaceValue::string("#FF000080").asColor(), (Color{1, 0, 0, 128 / 255.0f}));
    EXPECT_FALSE(InterfaceValue::string("#GG0000").asColor());
    EXPECT_FALSE(InterfaceValue::string("FF0000").asColor());
    auto white = InterfaceValue::dictionary({{"white", InterfaceValue::number(0)}, {"alpha", InterfaceValue::number(0.8)}});
    EXPECT_EQ(white.asColor(), Color::white(0, 0.8f));

    // Fonts as the interface files give them; a size must be above 0.
    auto font = InterfaceValue::dictionary({{"size", InterfaceValue::number(13)}, {"bold", InterfaceValue::boolean(true)}});
    EXPECT_EQ(font.asFont(), Font::boldSystem(13));
    EXPECT_FALSE(InterfaceValue::dictionary({{"size", InterfaceValue::number(-3)}}).asFont());
}

}  // namespace
}  // namespace platform
