#include "platform/graphics/HtmlDocument.h"
#include "platform/graphics/HtmlSanitizer.h"
#include "platform/graphics/LineBreaks.h"
#include "platform/graphics/SurfaceContext.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using namespace platform;

namespace {

// A drawn document and where its colours landed.
struct Shown {
    ImageRef image;
    bool is(int x, int y, uint32_t rgb) const {
        const uint8_t* p = image->pixel(x, y);
        return (uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]) == rgb;
    }
    // Pixels of exactly `rgb` and the box they span.
    struct Hits {
        int count = 0, minY = 1 << 30, maxY = -1, minX = 1 << 30, maxX = -1;
    };
    Hits find(uint32_t rgb) const {
        Hits h;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x) {
                if (!is(x, y, rgb)) continue;
                ++h.count;
                h.minY = std::min(h.minY, y), h.maxY = std::max(h.maxY, y);
                h.minX = std::min(h.minX, x), h.maxX = std::max(h.maxX, x);
            }
        return h;
    }
};

// `doc` drawn at `origin` of a w x h screen (h 0: the document's height and a little) of one colour.
Shown draw(HtmlDocument& doc, int w, int h = 0, Color background = Color::black(), Point origin = {0, 0}) {
    auto ctx = SurfaceContext::create(w, h ? h : int(doc.height()) + 2, 1, true);
    ctx->fillAll(background);
    doc.draw(*ctx, origin);
    return {ctx->makeImage()};
}

HtmlDocument::Style bigWhite(float size) {
    HtmlDocument::Style s;
    s.fontSize = size;
    s.textColor = Color::white(1);
    return s;
}

// `html` laid out `w` wide in white text of `size` points, drawn on black.
Shown draw(const std::string& html, int w, float size, int h = 0) {
    return draw(*HtmlDocument::create(html, float(w), {}, bigWhite(size)), w, h);
}

}  // namespace

TEST(HtmlDocument, TipsLineShowsTitleAndStatesInTheirColours) {
    // The options bar builds exactly this for a title and three states, the second one current
    // (centred in its band: ControlsTest).
    std::string html =
        "<font face=\"Helvetica\" color=\"#C0C0C0\"><center><h3><font color=\"FFFFFF\">MWM</font></h3>"
        "<strong>MMM &#x22C5; <font color=\"00AEEF\">MMM</font> &#x22C5; MMM</strong></center></font>";
    const int w = 320;
    auto doc = HtmlDocument::create(html, w, {}, bigWhite(30));
    // On blue, an edge pixel blended from any of the text colours never equals a text colour.
    const Shown shown = draw(*doc, w, 0, Color::rgba(0, 0, 1));
    auto title = shown.find(0xFFFFFF);
    auto current = shown.find(0x00AEEF);
    // The colours land exactly in the glyph interiors.
    EXPECT_GT(title.count, 40);
    EXPECT_GT(current.count, 40);
    // The title line lies wholly above the states line.
    EXPECT_LT(title.maxY, current.minY);
    // The band is 90 points high: the tips at the options bar's 12 points fit in it.
    EXPECT_LE(HtmlDocument::create(html, w, {}, bigWhite(12))->height(), 90);
}

TEST(HtmlDocument, ColoursAsHexInEitherCaseShortHexAndNames) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"#00AEEF", 0x00AEEF}, {"00aeef", 0x00AEEF}, {"0AE", 0x00AAEE}, {"#0ae", 0x00AAEE}, {"red", 0xFF0000}};
    for (const auto& [colour, rgb] : cases) {
        const Shown shown = draw("<b><font color=\"" + colour + "\">MMMM</font></b>", 200, 40);
        EXPECT_GT(shown.find(rgb).count, 40) << colour;
        EXPECT_EQ(shown.find(0xFFFFFF).count, 0) << colour;  // no text fell back to the default colour
    }
}

TEST(HtmlDocument, CharacterReferencesDrawAsTheirCharacters) {
    auto bytes = [](const std::string& html) { return draw(html, 300, 20, 60).image->copyData(); };
    auto reference = bytes("<p>AB&lt;\xC2\xA9\xE2\x8B\x85\xE6\x97\xA5</p>");
    EXPECT_EQ(bytes("<p>&#65;&#x42;&lt;&copy;&#x22C5;&#26085;</p>"), reference);
    EXPECT_NE(bytes("<p>&#65;&#x42;&lt;&copy;&#x22C5;X</p>"), reference);  // the comparison can fail
}

TEST(HtmlDocument, HeadingsAreLargerBoldIsWiderAndBulletsLeadTheirItems) {
    auto height = [](const std::string& html) { return HtmlDocument::create(html, 300)->height(); };
    EXPECT_GT(height("<h1>Title</h1>"), height("<p>Title</p>"));
    // The same text in bold leaves fewer black pixels than in regular weight.
    EXPECT_LT(draw("<b>Illinois</b>", 300, 30).find(0x000000).count, draw("Illinois", 300, 30).find(0x000000).count);
    // A bullet is drawn left of the item text.
    auto bullet = draw("<ul style=\"color:#FF0000\"><li></li></ul>", 300, 30, 80).find(0xFF0000);
    EXPECT_GT(bullet.count, 4);
    EXPECT_LT(bullet.maxX, 40);
}

TEST(HtmlDocument, ImagesComeFromTheResolverAtTheirPointSize) {
    // A 4 x 2 pixel image, pure green, at scale 2 is 2 x 1 points; drawn into a 20 x 10 box.
    std::vector<uint8_t> px(4 * 2 * 4);
    for (size_t i = 0; i < px.size(); i += 4) px[i + 1] = 255;
    auto green = Image::createBGRX(4, 2, px);
    std::vector<std::string> asked;
    auto resolver = [&](const std::string& src) {
        asked.push_back(src);
        HtmlDocument::ResolvedImage r;
        if (src == "g.png") r.image = green, r.scale = 2;
        return r;
    };
    auto doc = HtmlDocument::create("<body style=\"margin:0\"><img style=\"display:block\" src=\"g.png\" width=\"20\" "
                                    "height=\"10\"><img src=\"missing.png\"></body>",
                                    100, resolver);
    const Shown boxed = draw(*doc, 100, 40);
    for (auto [x, y] : {std::pair{10, 5}, {0, 0}, {19, 9}}) EXPECT_TRUE(boxed.is(x, y, 0x00FF00)) << x << "," << y;
    for (auto [x, y] : {std::pair{20, 5}, {10, 10}}) EXPECT_FALSE(boxed.is(x, y, 0x00FF00)) << x << "," << y;
    EXPECT_EQ(asked, (std::vector<std::string>{"g.png", "missing.png"}));  // each resolved once
    // Without a size the image takes its own size in points.
    auto natural = HtmlDocument::create("<body style=\"margin:0\"><img style=\"display:block\" src=\"g.png\"></body>",
                                        100, resolver);
    const Shown small = draw(*natural, 10, 10, Color::black(), {3, 3});
    for (auto [x, y] : {std::pair{3, 3}, {4, 3}}) EXPECT_TRUE(small.is(x, y, 0x00FF00)) << x << "," << y;
    for (auto [x, y] : {std::pair{5, 3}, {3, 4}}) EXPECT_FALSE(small.is(x, y, 0x00FF00)) << x << "," << y;
}

TEST(HtmlDocument, LinkHitTestAndAnchors) {
    std::string html =
        "<body style=\"margin:0;font-size:20px\">"
        "<div style=\"height:40px\"><a href=\"page2.html\">One</a></div>"
        "<div style=\"height:40px\">plain <b>text</b></div>"
        "<div style=\"height:40px\" id=\"third\"><a href=\"http://example.com/x\"><b>Two</b></a></div>"
        "<div><a name=\"end\">End</a></div></body>";
    auto doc = HtmlDocument::create(html, 300);
    EXPECT_EQ(doc->linkAt({5, 10}), std::optional<std::string>("page2.html"));
    EXPECT_EQ(doc->linkAt({5, 50}), std::nullopt);    // plain text
    EXPECT_EQ(doc->linkAt({5, 90}), std::optional<std::string>("http://example.com/x"));  // through <b>
    EXPECT_EQ(doc->linkAt({280, 10}), std::nullopt);  // right of the link's text
    EXPECT_EQ(doc->linkAt({5, 500}), std::nullopt);   // below the document
    EXPECT_EQ(doc->anchorTop("third"), std::optional<float>(80));
    EXPECT_EQ(doc->anchorTop("end"), std::optional<float>(120));
    EXPECT_EQ(doc->anchorTop("nowhere"), std::nullopt);
}

TEST(HtmlDocument, DeepNestingIsCutButTextSurvives) {
    // Far deeper than any page: without a cap the recursive layout would run out of stack.
    auto style = bigWhite(30);
    style.textColor = Color::rgba(1, 0, 0);
    for (std::string tag : {"div", "b", "i", "span"}) {
        std::string html;
        for (int i = 0; i < 50000; ++i) html += "<" + tag + ">";
        auto doc = HtmlDocument::create(html + "<b>MMM</b>", 300, {}, style);
        EXPECT_GT(draw(*doc, 300, 300).find(0xFF0000).count, 20) << tag;
    }
    std::string nested;
    for (int i = 0; i < 1000; ++i) nested += "<div><i>";
    EXPECT_EQ(HtmlSanitizer::nestingDepth(HtmlSanitizer::sanitize(nested, 50)), 50);
    // Implicitly closed elements do not count as depth; ends match their starts.
    EXPECT_EQ(HtmlSanitizer::nestingDepth("<p>a<p>b<li>c<li>d<br><img>"), 0);
    EXPECT_EQ(HtmlSanitizer::nestingDepth("<div><span></span><span><b>x</b></span></div>"), 3);
    // Unwrapping keeps the text and drops only the over-deep tags and their ends.
    EXPECT_EQ(HtmlSanitizer::sanitize("<b><i><u>x</u></i></b>y", 2), "<b><i>x</i></b>y");
    // Tables, whose layout cost climbs steeply with depth, stop at six.
    std::string tables;
    for (int i = 0; i < 20; ++i) tables += "<table><tr><td>";
    EXPECT_EQ(HtmlSanitizer::nestingDepth(HtmlSanitizer::sanitize(tables)), 6);
    EXPECT_EQ(HtmlSanitizer::sanitize("<b title=\"a>b\"><i>x</i></b>", 1), "<b title=\"a>b\">x</b>");
}

TEST(HtmlDocument, DrawsUprightWithinTheClipInPoints) {
    // A white line above a blue one, in a view context at scale 2: 40 points are 80 pixels.
    auto doc = HtmlDocument::create("<body style=\"margin:0\"><div style=\"height:20px;background:#FFFFFF\"></div>"
                                    "<div style=\"height:20px;background:#0000FF\"></div></body>",
                                    10);
    ASSERT_FLOAT_EQ(doc->height(), 40);
    auto view = SurfaceContext::create(20, 80, 2, true);
    doc->draw(*view, {0, 0});
    const Shown whole{view->makeImage()};
    EXPECT_TRUE(whole.is(2, 10, 0xFFFFFF));
    EXPECT_TRUE(whole.is(2, 70, 0x0000FF));
    // A clip in points keeps only the lower line.
    auto clipped = SurfaceContext::create(20, 80, 2, true);
    doc->draw(*clipped, {0, 0}, Rect(0, 20, 10, 20));
    const Shown lower{clipped->makeImage()};
    EXPECT_TRUE(lower.is(2, 10, 0x000000));
    EXPECT_TRUE(lower.is(2, 70, 0x0000FF));
}

TEST(HtmlDocument, CjkLinesBreakBetweenCharactersButKeepAllKeepsAWordWhole) {
    // Two states of a tips line, the second highlighted, in a width that holds "黑白 仅蓝" but not
    // the last character: at 20 points each ideograph is 20 wide.
    const std::string html = "黑白 <font color=\"00AEEF\">仅蓝色</font>";
    auto highlightedRows = [&](WordBreak mode, const std::string& bodyStyle) {
        HtmlDocument::Style style = bigWhite(20);
        style.wordBreak = mode;
        auto doc = HtmlDocument::create("<body style=\"margin:0" + bodyStyle + "\">" + html + "</body>", 100, {}, style);
        auto hits = draw(*doc, 100, 80).find(0x00AEEF);
        EXPECT_GT(hits.count, 20);
        return hits.maxY - hits.minY + 1;
    };
    // Broken between characters the highlighted word spans two lines; kept whole it fits one,
    // whether the style or the markup asks for it.
    EXPECT_GT(highlightedRows(WordBreak::Normal, ""), 30);
    EXPECT_LE(highlightedRows(WordBreak::KeepAll, ""), 22);
    EXPECT_LE(highlightedRows(WordBreak::Normal, "; word-break: keep-all"), 22);
}

TEST(HtmlDocument, TheVerticalMarginGoesAboveAndBelowTheTextOnly) {
    HtmlDocument::Style style = bigWhite(20);
    auto framed = HtmlDocument::create("x", 100, {}, style);
    style.verticalMargin = 0;
    auto flush = HtmlDocument::create("x", 100, {}, style);
    EXPECT_EQ(framed->height() - flush->height(), 16);
    // The sides keep theirs: the text starts 8 points in either way.
    for (auto* doc : {framed.get(), flush.get()}) {
        auto ink = draw(*doc, 100).find(0xFFFFFF);
        EXPECT_GE(ink.minX, 8);
        EXPECT_LE(ink.minX, 10);
    }
}

// Line-break opportunities inside a word: what the Unicode rules give, and keep-all.
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

// Markup the renderer must survive without crashing: the HTML fuzzer's corpus (three bytes of
// width and point, then the page), malformed inputs among it.
TEST(HtmlDocument, TheFuzzersCorpusLaysOutDrawsAndHitTests) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(testenv::sourceDir() + "/fuzz/corpus/html")) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = testenv::readFile(entry.path());
        ASSERT_GE(bytes.size(), 3u);
        auto doc = HtmlDocument::create(bytes.substr(3), 200);
        ASSERT_NE(doc, nullptr);
        EXPECT_GE(doc->height(), 0);
        draw(*doc, 50, 50);
        doc->linkAt({5, 5});
        ++files;
    }
    EXPECT_GE(files, 19);
}
