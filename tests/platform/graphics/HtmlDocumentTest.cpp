#include "platform/graphics/HtmlDocument.h"
#include "platform/graphics/HtmlSanitizer.h"
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/SurfaceContext.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace platform;

namespace {

// A y-down RGB24 surface filled with one colour; the document is drawn into it at the origin.
class Canvas {
public:
    Canvas(int w, int h, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cr_ = cairo_create(surface_);
        cairo_set_source_rgb(cr_, r / 255.0, g / 255.0, b / 255.0);
        cairo_paint(cr_);
    }
    ~Canvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    cairo_t* cr() { return cr_; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }
    bool is(int x, int y, uint32_t rgb) {
        cairo_surface_flush(surface_);
        auto* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        return (reinterpret_cast<uint32_t*>(row)[x] & 0xFFFFFF) == rgb;
    }
    // Pixels of exactly `rgb` and the rows they span.
    struct Hits {
        int count = 0, minY = 1 << 30, maxY = -1, minX = 1 << 30, maxX = -1;
    };
    Hits find(uint32_t rgb, int y0 = 0, int y1 = -1) {
        Hits h;
        if (y1 < 0) y1 = height();
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < width(); ++x)
                if (is(x, y, rgb)) {
                    ++h.count;
                    h.minY = std::min(h.minY, y), h.maxY = std::max(h.maxY, y);
                    h.minX = std::min(h.minX, x), h.maxX = std::max(h.maxX, x);
                }
        return h;
    }
    std::vector<uint8_t> bytes() {
        cairo_surface_flush(surface_);
        auto* d = cairo_image_surface_get_data(surface_);
        return {d, d + size_t(cairo_image_surface_get_stride(surface_)) * height()};
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

HtmlDocument::Style bigWhite(float size) {
    HtmlDocument::Style s;
    s.fontSize = size;
    s.textColor = Color::white(1);
    return s;
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
    Canvas canvas(w, int(doc->height()) + 2, 0, 0, 255);
    doc->draw(canvas.cr(), {0, 0});

    auto title = canvas.find(0xFFFFFF);
    auto current = canvas.find(0x00AEEF);
    auto others = canvas.find(0xC0C0C0);
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
    auto usual = HtmlDocument::create(html, w, {}, bigWhite(12));
    EXPECT_LE(usual->height(), 90);
}

TEST(HtmlDocument, ColoursAsBareHexHashHexAndNames) {
    for (std::string c : {"00AEEF", "#00AEEF", "00aeef", "0AE", "#0ae"}) {
        auto doc = HtmlDocument::create("<b><font color=\"" + c + "\">MMMM</font></b>", 200, {}, bigWhite(40));
        Canvas canvas(200, int(doc->height()) + 1);
        doc->draw(canvas.cr(), {0, 0});
        uint32_t want = c.size() > 4 ? 0x00AEEF : 0x00AAEE;
        EXPECT_GT(canvas.find(want).count, 40) << c;
        EXPECT_EQ(canvas.find(0xFFFFFF).count, 0) << c;  // no text fell back to the default colour
    }
    auto named = HtmlDocument::create("<b><font color=\"red\">MMMM</font></b>", 200, {}, bigWhite(40));
    Canvas canvas(200, int(named->height()) + 1);
    named->draw(canvas.cr(), {0, 0});
    EXPECT_GT(canvas.find(0xFF0000).count, 40);
    // Text outside any markup takes the style's colour.
    auto plain = HtmlDocument::create("<b>MMMM</b>", 200, {}, bigWhite(40));
    Canvas plainCanvas(200, int(plain->height()) + 1);
    plain->draw(plainCanvas.cr(), {0, 0});
    EXPECT_GT(plainCanvas.find(0xFFFFFF).count, 40);
}

TEST(HtmlDocument, CharacterReferencesDrawAsTheirCharacters) {
    auto render = [](const std::string& html) {
        auto doc = HtmlDocument::create(html, 300, {}, bigWhite(20));
        Canvas canvas(300, 60);
        doc->draw(canvas.cr(), {0, 0});
        return canvas.bytes();
    };
    auto reference = render("<p>AB&lt;\xC2\xA9\xE2\x8B\x85\xE6\x97\xA5</p>");
    EXPECT_EQ(render("<p>&#65;&#x42;&lt;&copy;&#x22C5;&#26085;</p>"), reference);
    EXPECT_NE(render("<p>&#65;&#x42;&lt;&copy;&#x22C5;X</p>"), reference);  // the comparison can fail
}

TEST(HtmlDocument, HeadingsAreLargerAndBoldIsWider) {
    auto h1 = HtmlDocument::create("<h1>Title</h1>", 300);
    auto p = HtmlDocument::create("<p>Title</p>", 300);
    EXPECT_GT(h1->height(), p->height());
    // The same text in bold covers more pixels than in regular weight.
    auto ink = [](const std::string& html) {
        auto doc = HtmlDocument::create(html, 300, {}, bigWhite(30));
        Canvas canvas(300, int(doc->height()) + 1);
        doc->draw(canvas.cr(), {0, 0});
        return canvas.find(0x000000).count;
    };
    EXPECT_LT(ink("<b>Illinois</b>"), ink("Illinois"));  // fewer black pixels left with bold
}

TEST(HtmlDocument, ListsAndParagraphsStackVertically) {
    auto one = HtmlDocument::create("<ul><li>a</li></ul>", 300);
    auto three = HtmlDocument::create("<ul><li>a<li>b<li>c</ul>", 300);
    EXPECT_GT(three->height(), one->height());
    auto paras = HtmlDocument::create("<p>a<p>b", 300);
    auto single = HtmlDocument::create("<p>a", 300);
    EXPECT_GT(paras->height(), single->height());
    // A bullet is drawn left of the item text.
    auto doc = HtmlDocument::create("<ul style=\"color:#FF0000\"><li></li></ul>", 300, {}, bigWhite(30));
    Canvas canvas(300, int(doc->height()) + 40);
    doc->draw(canvas.cr(), {0, 0});
    auto bullet = canvas.find(0xFF0000);
    EXPECT_GT(bullet.count, 4);
    EXPECT_LT(bullet.maxX, 40);
}

TEST(HtmlDocument, ImagesComeFromTheResolverAtTheirPointSize) {
    // A 4 x 2 pixel image, pure green, at scale 2 is 2 x 1 points; drawn into a 20 x 10 box.
    auto green = Image::createBGRX(4, 2, std::vector<uint8_t>(4 * 2 * 4, 0));
    std::vector<uint8_t> px(4 * 2 * 4);
    for (size_t i = 0; i < px.size(); i += 4) px[i + 1] = 255;
    green = Image::createBGRX(4, 2, px);
    std::vector<std::string> asked;
    auto resolver = [&](const std::string& src) {
        asked.push_back(src);
        HtmlDocument::ResolvedImage r;
        if (src == "g.png") r.image = green, r.scale = 2;
        return r;
    };
    std::string html =
        "<body style=\"margin:0\"><img style=\"display:block\" src=\"g.png\" width=\"20\" height=\"10\">"
        "<img src=\"missing.png\"></body>";
    auto doc = HtmlDocument::create(html, 100, resolver);
    Canvas canvas(100, 40);
    doc->draw(canvas.cr(), {0, 0});
    EXPECT_TRUE(canvas.is(10, 5, 0x00FF00));
    EXPECT_TRUE(canvas.is(0, 0, 0x00FF00));
    EXPECT_TRUE(canvas.is(19, 9, 0x00FF00));
    EXPECT_FALSE(canvas.is(20, 5, 0x00FF00));
    EXPECT_FALSE(canvas.is(10, 10, 0x00FF00));
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "g.png"), 1);  // resolved once
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "missing.png"), 1);
    // Without a size the image takes its own size in points.
    auto natural = HtmlDocument::create("<body style=\"margin:0\"><img style=\"display:block\" src=\"g.png\"></body>", 100, resolver);
    Canvas small(10, 10);
    natural->draw(small.cr(), {3, 3});
    EXPECT_TRUE(small.is(3, 3, 0x00FF00));
    EXPECT_TRUE(small.is(4, 3, 0x00FF00));
    EXPECT_FALSE(small.is(5, 3, 0x00FF00));
    EXPECT_FALSE(small.is(3, 4, 0x00FF00));
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

TEST(HtmlDocument, DrawHonoursOriginAndClip) {
    auto doc = HtmlDocument::create("<body style=\"margin:0;background:#FF0000\"><div style=\"height:10px\"></div></body>", 10);
    Canvas canvas(30, 30);
    doc->draw(canvas.cr(), {10, 10}, Rect(10, 10, 5, 5));
    EXPECT_TRUE(canvas.is(12, 12, 0xFF0000));
    EXPECT_FALSE(canvas.is(17, 17, 0xFF0000));  // outside the clip
    EXPECT_FALSE(canvas.is(5, 5, 0xFF0000));
}

TEST(HtmlDocument, MalformedMarkupNeverCrashes) {
    std::vector<std::string> inputs = {
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
    std::mt19937 rng(7);
    for (int n = 0; n < 20; ++n) {
        std::string junk(300, ' ');
        for (auto& c : junk) c = char(rng() % 256);
        inputs.push_back(junk);
        std::string tags;
        const char* parts[] = {"<p>", "</p>", "<b>", "</i>", "<table>", "<td>", "<li>", "<font color=", "\"", ">", "&#", "x"};
        for (int i = 0; i < 200; ++i) tags += parts[rng() % 12];
        inputs.push_back(tags);
    }
    for (const auto& html : inputs) {
        auto doc = HtmlDocument::create(html, 200);
        ASSERT_NE(doc, nullptr);
        EXPECT_GE(doc->height(), 0);
        Canvas canvas(50, 50);
        doc->draw(canvas.cr(), {0, 0});
        doc->linkAt({5, 5});
        doc->layout(20);
    }
    EXPECT_EQ(HtmlDocument::create("", 200)->height(), 0);
}

TEST(HtmlDocument, DeepNestingIsCutButTextSurvives) {
    // Far deeper than any page: without a cap the recursive layout would run out of stack.
    for (std::string tag : {"div", "b", "i", "span"}) {
        std::string html;
        for (int i = 0; i < 50000; ++i) html += "<" + tag + ">";
        html += "<b>MMM</b>";
        auto style = bigWhite(30);
        style.textColor = Color::rgba(1, 0, 0);
        auto doc = HtmlDocument::create(html, 300, {}, style);
        Canvas canvas(300, 300);
        doc->draw(canvas.cr(), {0, 0});
        EXPECT_GT(canvas.find(0xFF0000).count, 20) << tag;
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

TEST(HtmlDocument, DrawsThroughViewAndBitmapContextsUpright) {
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

    // A y-down view context at scale 2: 40 points are 80 pixels.
    auto view = SurfaceContext::create(20, 80, 2, true);
    view->fillAll(Color::black());
    doc->draw(*view, {0, 0});
    EXPECT_EQ(topAndBottom(view->makeImage(), 10, 70), whiteOverBlue);

    // A y-up bitmap context: the origin names the top-left corner, 40 above the bottom.
    auto bitmap = BitmapContext::create(10, 40, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
    ASSERT_NE(bitmap, nullptr);
    doc->draw(*bitmap, {0, 40});
    EXPECT_EQ(topAndBottom(bitmap->makeImage(), 5, 35), whiteOverBlue);
    // And a clip given in y-up space keeps only the lower half (the blue line).
    auto clipped = BitmapContext::create(10, 40, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
    doc->draw(*clipped, {0, 40}, Rect(0, 0, 10, 20));
    auto img = clipped->makeImage();
    EXPECT_EQ(img->pixel(2, 35)[0], 255);
    EXPECT_EQ(img->pixel(2, 5)[1], 0);
}

TEST(HtmlDocument, CjkLinesBreakBetweenCharactersButKeepAllKeepsAWordWhole) {
    // Two states of a tips line, the second highlighted, in a width that holds "黑白 仅蓝" but not
    // the last character: at 20 points each ideograph is 20 wide.
    std::string html = "黑白 <font color=\"00AEEF\">仅蓝色</font>";
    auto highlightedRows = [&](platform::WordBreak mode) {
        HtmlDocument::Style style = bigWhite(20);
        style.wordBreak = mode;
        auto doc = HtmlDocument::create("<body style=\"margin:0\">" + html + "</body>", 100, {}, style);
        Canvas canvas(100, 80);
        doc->draw(canvas.cr(), {0, 0});
        auto hits = canvas.find(0x00AEEF);
        EXPECT_GT(hits.count, 20);
        return hits.maxY - hits.minY + 1;
    };
    // Broken between characters the highlighted word spans two lines; kept whole it fits one.
    EXPECT_GT(highlightedRows(platform::WordBreak::Normal), 30);
    EXPECT_LE(highlightedRows(platform::WordBreak::KeepAll), 22);
    // Markup can ask for keep-all itself.
    auto doc = HtmlDocument::create("<body style=\"margin:0; word-break: keep-all\">" + html + "</body>", 100, {},
                                    bigWhite(20));
    Canvas canvas(100, 80);
    doc->draw(canvas.cr(), {0, 0});
    auto hits = canvas.find(0x00AEEF);
    EXPECT_LE(hits.maxY - hits.minY + 1, 22);
}

TEST(HtmlDocument, KanaRunsFillTheLineInsteadOfBreakingEarly) {
    // Thirty kana in one run, no spaces: they must wrap at the width like any CJK text, every
    // line but the last filled to within one character of the edge.
    std::string kana;
    for (int i = 0; i < 30; ++i) kana += "\xE3\x81\x82";  // あ
    auto doc = HtmlDocument::create("<body style=\"margin:0\"><p style=\"margin:0\">" + kana + "</p></body>", 200, {},
                                    bigWhite(20));
    // Ten characters a line, three lines.
    EXPECT_GE(doc->height(), 3 * 20);
    EXPECT_LT(doc->height(), 4 * 20);
    Canvas canvas(260, int(doc->height()) + 2);
    doc->draw(canvas.cr(), {0, 0});
    auto ink = canvas.find(0xFFFFFF);
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
        Canvas canvas(100, int(doc->height()) + 2);
        doc->draw(canvas.cr(), {0, 0});
        auto ink = canvas.find(0xFFFFFF);
        EXPECT_GE(ink.minX, 8);
        EXPECT_LE(ink.minX, 10);
    }
}
