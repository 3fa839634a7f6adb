// Line-break opportunities inside a word: what the Unicode rules give, and keep-all.
#include "platform/graphics/LineBreaks.h"

#include <gtest/gtest.h>

using platform::LineBreaks;
using platform::WordBreak;
using Pieces = std::vector<std::string>;

TEST(LineBreaks, CjkBreaksBetweenCharactersUnlessKeptTogether) {
    // "Blue only": any two ideographs may part, unless the word is kept whole.
    EXPECT_EQ(LineBreaks::split("仅蓝色"), (Pieces{"仅", "蓝", "色"}));
    EXPECT_EQ(LineBreaks::split("仅蓝色", WordBreak::KeepAll), Pieces{"仅蓝色"});
    // Kana break between characters too; the small tsu and the long-vowel mark never start a line.
    EXPECT_EQ(LineBreaks::split("セルフタイマー"), (Pieces{"セ", "ル", "フ", "タ", "イ", "マー"}));
    EXPECT_EQ(LineBreaks::split("ちょっと"), (Pieces{"ちょっ", "と"}));
    // Punctuation stays with what it closes; with keep-all a line may still end after it.
    EXPECT_EQ(LineBreaks::split("撮影。次へ"), (Pieces{"撮", "影。", "次", "へ"}));
    EXPECT_EQ(LineBreaks::split("撮影。次へ", WordBreak::KeepAll), (Pieces{"撮影。", "次へ"}));
    EXPECT_EQ(LineBreaks::split("（大）"), (Pieces{"（大）"}));
}

TEST(LineBreaks, LatinWordsPartOnlyAfterHyphensAndNeverAtANoBreakSpace) {
    EXPECT_EQ(LineBreaks::split("Schwarz-Weiß"), (Pieces{"Schwarz-", "Weiß"}));
    EXPECT_EQ(LineBreaks::split("Full\u00A0colour"), Pieces{"Full\u00A0colour"});
    EXPECT_EQ(LineBreaks::split("Négatif"), Pieces{"Négatif"});
    EXPECT_EQ(LineBreaks::split("x"), Pieces{"x"});
    EXPECT_EQ(LineBreaks::split(""), Pieces{""});
    // Bytes that are not UTF-8 are left as they are.
    EXPECT_EQ(LineBreaks::split("\xFF\xFE\xE6\x97"), Pieces{"\xFF\xFE\xE6\x97"});
}
