#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/HtmlDocument.h"
#include "platform/graphics/HtmlSanitizer.h"
#include "platform/graphics/SurfaceContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
    // The options bar builds exactly this for a title and three states, the second one current.
    std::string html =
        "<font face=\"Helvetica\" color=\"#C0C0C0\"><center><h3><font color=\"FFFFFF\">MWM</font></h3>"
        "<strong>MMM &#x22C5; <font color=\"00AEEF\">MMM</font> &#x22C5; MMM</strong></center></font>";
    const int w = 320;
    auto doc = HtmlDocument::create(html, w, {}, bigWhite(30));
    ASSERT_GT(doc->height(), 0);
    // On blue, an edge pixel blended from any of the text colours never equals a text colour.
    const Shown shown = draw(*doc, w, 0, Color::rgba(0, 0, 1));
    auto title = shown.find(0xFFFFFF);
    auto current = shown.find(0x00AEEF);
    auto others = shown.find(0xC0C0C0);
    // Bare hex and #hex both land as exact colours in the glyph interiors.
    EXPECT_GT(title.count, 40);
    EXPECT_GT(current.count, 40);
    EXPECT_GT(others.count, 80);
    // The title line lies wholly above the states line.
    EXPECT_LT(title.maxY, current.minY);
    EXPECT_LT(title.maxY, others.minY);
    // Both lines are centred.
    EXPECT_NEAR((title.minX + title.maxX) / 2.0, w / 2.0, 6);
    EXPECT_NEAR((current.minX + current.maxX) / 2.0, w / 2.0, 6);
    // The unselected states sit either side of the current one.
    EXPECT_LT(others.minX, current.minX);
    EXPECT_GT(others.maxX, current.maxX);
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
    // Text outside any markup takes the style's colour.
    EXPECT_GT(draw("<b>MMMM</b>", 200, 40).find(0xFFFFFF).count, 40);
}

TEST(HtmlDocument, CharacterReferencesDrawAsTheirCharacters) {
    auto bytes = [](const std::string& html) { return draw(html, 300, 20, 60).image->copyData(); };
    auto reference = bytes("<p>AB&lt;\xC2\xA9\xE2\x8B\x85\xE6\x97\xA5</p>");
    EXPECT_EQ(bytes("<p>&#65;&#x42;&lt;&copy;&#x22C5;&#26085;</p>"), reference);
    EXPECT_NE(bytes("<p>&#65;&#x42;&lt;&copy;&#x22C5;X</p>"), reference);  // the comparison can fail
}

TEST(HtmlDocument, HeadingsListsAndParagraphsStackAndBoldIsWider) {
    auto height = [](const std::string& html) { return HtmlDocument::create(html, 300)->height(); };
    EXPECT_GT(height("<h1>Title</h1>"), height("<p>Title</p>"));
    EXPECT_GT(height("<ul><li>a<li>b<li>c</ul>"), height("<ul><li>a</li></ul>"));
    EXPECT_GT(height("<p>a<p>b"), height("<p>a"));
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

// Random bytes and tag soup are the fuzzer's (fuzz/HtmlFuzzer.cpp); these are the shapes that
// once needed care.
TEST(HtmlDocument, MalformedMarkupNeverCrashes) {
    const std::vector<std::string> inputs = {
        "",
        "<",
        "</",
        "<<<>>>",
        "<p><b><i>unclosed",
        "</p></b></table>stray ends",
        "<!-- unterminated comment",
        "<table><tr><td>a<td><table><tr>b</table>",
        "<font color=>x</font><font color=\"zzzzzz\">y</font><font color=\"#12\">z</font>",
        "<img src=><img><a href>x</a><a>y</a>",
        "<ul><li><ol><li>deep<li></ul></ol>",
        "&#0;&#xFFFFFFFF;&#1114112;&bogus;&#;&amp",
        "<script>if (a < b) { </p> }</script>after",
        "<style>p { color: </style>x",
        "<p style=\"width:-5px;margin:-999999px;font-size:-3px\">neg</p>",
        std::string("nul\0byte", 8),
        "\xFF\xFE\xC0\x80\xED\xA0\x80 bad utf-8 \xE6\x97",
    };
    for (const auto& html : inputs) {
        auto doc = HtmlDocument::create(html, 200);
        ASSERT_NE(doc, nullptr);
        EXPECT_GE(doc->height(), 0);
        draw(*doc, 50, 50);
        doc->linkAt({5, 5});
        doc->layout(20);
    }
    EXPECT_EQ(HtmlDocument::create("", 200)->height(), 0);
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
    EXPECT_EQ(HtmlSanitizer::nestingDepth(nested), 2000);
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

TEST(HtmlDocument, DrawsThroughViewAndBitmapContextsUprightWithinTheirClip) {
    // A white line above a blue one; each context must show white on top.
    std::string html =
        "<body style=\"margin:0\"><div style=\"height:20px;background:#FFFFFF\"></div>"
        "<div style=\"height:20px;background:#0000FF\"></div></body>";
    auto doc = HtmlDocument::create(html, 10);
    ASSERT_FLOAT_EQ(doc->height(), 40);
    auto topAndBottom = [](const ImageRef& img, int yTop, int yBottom) {
        const uint8_t* t = img->pixel(2, yTop);
        const uint8_t* b = img->pixel(2, yBottom);
        return std::vector<int>{t[0], t[1], t[2], b[0], b[1], b[2]};
    };
    const std::vector<int> whiteOverBlue = {255, 255, 255, 255, 0, 0};  // B,G,R bytes
    const std::vector<int> onlyBlue = {0, 0, 0, 255, 0, 0};

    // A y-down view context at scale 2: 40 points are 80 pixels; a clip in points.
    auto view = SurfaceContext::create(20, 80, 2, true);
    doc->draw(*view, {0, 0});
    EXPECT_EQ(topAndBottom(view->makeImage(), 10, 70), whiteOverBlue);
    auto clippedView = SurfaceContext::create(20, 80, 2, true);
    doc->draw(*clippedView, {0, 0}, Rect(0, 20, 10, 20));
    EXPECT_EQ(topAndBottom(clippedView->makeImage(), 10, 70), onlyBlue);

    // A y-up bitmap context: the origin names the top-left corner, 40 above the bottom, and a
    // clip given in y-up space keeps only the lower half.
    auto bitmap = BitmapContext::create(10, 40, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
    ASSERT_NE(bitmap, nullptr);
    doc->draw(*bitmap, {0, 40});
    EXPECT_EQ(topAndBottom(bitmap->makeImage(), 5, 35), whiteOverBlue);
    auto clipped = BitmapContext::create(10, 40, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
    doc->draw(*clipped, {0, 40}, Rect(0, 0, 10, 20));
    EXPECT_EQ(topAndBottom(clipped->makeImage(), 5, 35), onlyBlue);
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

    // Thirty kana in one run, no spaces: they must wrap at the width like any CJK text, every
    // line but the last filled to within one character of the edge.
    std::string kana;
    for (int i = 0; i < 30; ++i) kana += "\xE3\x81\x82";  // あ
    auto doc = HtmlDocument::create("<body style=\"margin:0\"><p style=\"margin:0\">" + kana + "</p></body>", 200, {},
                                    bigWhite(20));
    // Ten characters a line, three lines.
    EXPECT_GE(doc->height(), 3 * 20);
    EXPECT_LT(doc->height(), 4 * 20);
    auto ink = draw(*doc, 260).find(0xFFFFFF);
    EXPECT_LE(ink.maxX, 200);
    EXPECT_GE(ink.maxX, 180);
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
