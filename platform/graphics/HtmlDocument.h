#pragma once
// A laid-out HTML document drawn through Pango and Cairo: the tips band, text views and the help
// page. Markup that is malformed, deeply nested or not UTF-8 is repaired, never fatal.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/FontLibrary.h"
#include "platform/graphics/LineBreaks.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class HtmlDocument {
public:
    // What an <img src> (or a CSS background image) names: an image in memory, or a PNG file.
    // `scale` is pixels per point (2 for an @2x picture). Both empty: the image is left out.
    struct ResolvedImage {
        ImageRef image;
        std::string path;
        float scale = 1;
    };
    using ImageResolver = std::function<ResolvedImage(const std::string& src)>;

    // The look of text that no markup styles. Lines break where LineBreaks allows (between CJK
    // characters included); with KeepAll, as with CSS "word-break: keep-all", only at spaces and
    // punctuation. Markup can set word-break itself.
    struct Style {
        std::string fontFamily = FontLibrary::kInterfaceFamily;
        float fontSize = 16;  // points
        Color textColor = Color::black();
        WordBreak wordBreak = WordBreak::Normal;
        float verticalMargin = 8;  // points above and below the content (the page's body margin)
    };

    // Parses `html` and lays it out `width` points wide. `resolver` may be empty.
    static std::unique_ptr<HtmlDocument> create(const std::string& html, float width, ImageResolver resolver,
                                                const Style& style);
    static std::unique_ptr<HtmlDocument> create(const std::string& html, float width, ImageResolver resolver = {});
    ~HtmlDocument();
    HtmlDocument(const HtmlDocument&) = delete;
    HtmlDocument& operator=(const HtmlDocument&) = delete;

    // Lays the document out again at a new width. Does nothing if the width is unchanged.
    void layout(float width);
    float width() const;
    // The height of the laid-out content, in points; 0 for an empty document.
    float height() const;

    // Draws the document with its top-left corner at `origin` (y-down space). Only what meets
    // `clip` (in the same space) is drawn; no clip draws everything. A y-up context is flipped
    // so the text still reads upright.
    void draw(GraphicsContext& context, Point origin, std::optional<Rect> clip = std::nullopt);
    void draw(cairo_t* cr, Point origin, std::optional<Rect> clip = std::nullopt);

    // The href of the link under `p` (document coordinates), if any.
    std::optional<std::string> linkAt(Point p) const;
    // The top of the element whose id (or, for <a>, name) is `name`, in document coordinates.
    std::optional<float> anchorTop(const std::string& name) const;

private:
    struct Impl;
    explicit HtmlDocument(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
