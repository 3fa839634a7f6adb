#include "platform/graphics/HtmlDocument.h"

#include "platform/graphics/HtmlSanitizer.h"
#include "platform/graphics/HtmlStylesheet.h"

#include <cairo.h>
#include <litehtml.h>
#include <el_font.h>
#include <el_text.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <typeinfo>
#include <vector>

namespace platform {
namespace {

bool isHexColor(const std::string& s) {
    if (s.size() != 3 && s.size() != 6) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

std::string cssColor(const Color& c) {
    auto byte = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return "rgba(" + std::to_string(byte(c.r)) + "," + std::to_string(byte(c.g)) + "," +
           std::to_string(byte(c.b)) + "," + std::to_string(c.a) + ")";
}

struct FontHandle {
    PangoFontDescription* desc = nullptr;
    unsigned decoration = 0;
    litehtml::font_metrics metrics;
    int underlineOffset = 0, underlineThickness = 1, strikeOffset = 0;
    ~FontHandle() {
        if (desc) pango_font_description_free(desc);
    }
};

// An image decoded for drawing; keeps the pixels it wraps alive.
struct LoadedImage {
    cairo_surface_t* surface = nullptr;
    ImageRef image;
    std::vector<uint8_t> converted;
    float scale = 1;
    ~LoadedImage() {
        if (surface) cairo_surface_destroy(surface);
    }
    int pointWidth() const { return int(std::lround(cairo_image_surface_get_width(surface) / scale)); }
    int pointHeight() const { return int(std::lround(cairo_image_surface_get_height(surface) / scale)); }
};

// <font face> names a family, but the engine files it under a property no style reads.
class FontElement : public litehtml::el_font {
public:
    using el_font::el_font;
    void parse_attributes() override {
        el_font::parse_attributes();
        if (const char* face = get_attr("face")) m_style.add_property("font-family", face, nullptr, false, this);
    }
};

}  // namespace

// The engine's window onto Pango and Cairo. Units are points; the cairo_t handed to draw may scale.
class HtmlContainer final : public litehtml::document_container {
public:
    HtmlContainer(HtmlDocument::ImageResolver resolver, HtmlDocument::Style style)
        : resolver_(std::move(resolver)), style_(std::move(style)) {
        // Layout must not depend on the scale the document is later drawn at.
        pangoContext_ = FontLibrary::shared().createContext();
        pango_context_set_round_glyph_positions(pangoContext_, FALSE);
        layout_ = pango_layout_new(pangoContext_);
    }
    ~HtmlContainer() {
        g_object_unref(layout_);
        g_object_unref(pangoContext_);
    }

    int width_ = 0;

    litehtml::uint_ptr create_font(const char* faceName, int size, int weight, litehtml::font_style italic,
                                   unsigned int decoration, litehtml::font_metrics* fm) override {
        auto font = std::make_unique<FontHandle>();
        std::string families = faceName ? faceName : "";
        families.erase(std::remove_if(families.begin(), families.end(), [](char c) { return c == '"' || c == '\''; }),
                       families.end());
        // Every script, CJK included, finds its glyphs through the library's fallbacks.
        if (families.empty()) families = style_.fontFamily;
        font->desc = pango_font_description_new();
        pango_font_description_set_family(font->desc, families.c_str());
        pango_font_description_set_absolute_size(font->desc, std::max(1, size) * double(PANGO_SCALE));
        pango_font_description_set_weight(font->desc, PangoWeight(std::clamp(weight, 100, 1000)));
        pango_font_description_set_style(font->desc,
                                         italic == litehtml::fontStyleItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        font->decoration = decoration;

        // Metrics take Pango a while to gather: each thread keeps them per font description.
        struct Measured {
            litehtml::font_metrics metrics;
            int underlineOffset, underlineThickness, strikeOffset;
        };
        thread_local std::map<std::string, Measured> measured;
        gchar* key = pango_font_description_to_string(font->desc);
        auto found = measured.find(key);
        if (found == measured.end()) {
            PangoFontMetrics* m = pango_context_get_metrics(pangoContext_, font->desc, nullptr);
            Measured r{};
            int ascent = int(std::ceil(pango_font_metrics_get_ascent(m) / double(PANGO_SCALE)));
            int descent = int(std::ceil(pango_font_metrics_get_descent(m) / double(PANGO_SCALE)));
            r.underlineOffset = std::max(1, int(std::lround(-pango_font_metrics_get_underline_position(m) / double(PANGO_SCALE))));
            r.underlineThickness = std::max(1, int(std::lround(pango_font_metrics_get_underline_thickness(m) / double(PANGO_SCALE))));
            r.strikeOffset = int(std::lround(pango_font_metrics_get_strikethrough_position(m) / double(PANGO_SCALE)));
            pango_font_metrics_unref(m);
            pango_layout_set_font_description(layout_, font->desc);
            pango_layout_set_text(layout_, "x", 1);
            PangoRectangle ink;
            pango_layout_get_pixel_extents(layout_, &ink, nullptr);
            r.metrics.ascent = ascent;
            r.metrics.descent = descent;
            r.metrics.height = ascent + descent;
            r.metrics.x_height = ink.height > 0 ? ink.height : ascent / 2;
            found = measured.emplace(key, r).first;
        }
        g_free(key);
        font->metrics = found->second.metrics;
        font->underlineOffset = found->second.underlineOffset;
        font->underlineThickness = found->second.underlineThickness;
        font->strikeOffset = found->second.strikeOffset;
        font->metrics.draw_spaces = decoration != 0;
        if (fm) *fm = font->metrics;
        auto handle = reinterpret_cast<litehtml::uint_ptr>(font.get());
        fonts_.push_back(std::move(font));
        return handle;
    }

    void delete_font(litehtml::uint_ptr hFont) override {
        auto* f = reinterpret_cast<FontHandle*>(hFont);
        fonts_.erase(std::remove_if(fonts_.begin(), fonts_.end(), [f](auto& p) { return p.get() == f; }), fonts_.end());
    }

    int text_width(const char* text, litehtml::uint_ptr hFont) override {
        auto* f = reinterpret_cast<FontHandle*>(hFont);
        if (!f || !text) return 0;
        pango_layout_set_font_description(layout_, f->desc);
        pango_layout_set_text(layout_, text, -1);
        PangoRectangle logical;
        pango_layout_get_extents(layout_, nullptr, &logical);
        return int(std::ceil(logical.width / double(PANGO_SCALE)));
    }

    void draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr hFont, litehtml::web_color color,
                   const litehtml::position& pos) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        auto* f = reinterpret_cast<FontHandle*>(hFont);
        if (!cr || !f || !text) return;
        cairo_save(cr);
        applyClip(cr);
        setColor(cr, color);
        pango_layout_set_font_description(layout_, f->desc);
        pango_layout_set_text(layout_, text, -1);
        double baseline = pos.bottom() - f->metrics.descent;
        double top = baseline - pango_layout_get_baseline(layout_) / double(PANGO_SCALE);
        cairo_move_to(cr, pos.x, top);
        pango_cairo_show_layout(cr, layout_);
        int w = text_width(text, hFont);
        auto line = [&](double y) {
            cairo_rectangle(cr, pos.x, y, w, f->underlineThickness);
            cairo_fill(cr);
        };
        if (f->decoration & litehtml::font_decoration_underline) line(baseline + f->underlineOffset);
        if (f->decoration & litehtml::font_decoration_linethrough) line(baseline - f->strikeOffset);
        if (f->decoration & litehtml::font_decoration_overline) line(baseline - f->metrics.ascent);
        cairo_restore(cr);
    }

    int pt_to_px(int pt) const override { return pt; }  // one unit is one point
    int get_default_font_size() const override { return std::max(1, int(std::lround(style_.fontSize))); }
    const char* get_default_font_name() const override { return style_.fontFamily.c_str(); }

    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        if (!cr) return;
        if (!marker.image.empty()) {
            if (LoadedImage* img = image(marker.image)) {
                cairo_save(cr);
                applyClip(cr);
                paintImage(cr, *img, marker.pos.x, marker.pos.y, marker.pos.width, marker.pos.height);
                cairo_restore(cr);
                return;
            }
        }
        cairo_save(cr);
        applyClip(cr);
        setColor(cr, marker.color);
        const auto& p = marker.pos;
        switch (marker.marker_type) {
        case litehtml::list_style_type_circle:
            cairo_set_line_width(cr, 1);
            cairo_arc(cr, p.x + p.width / 2.0, p.y + p.height / 2.0, std::max(0.5, p.width / 2.0 - 0.5), 0, 2 * M_PI);
            cairo_stroke(cr);
            break;
        case litehtml::list_style_type_square:
            cairo_rectangle(cr, p.x, p.y, p.width, p.height);
            cairo_fill(cr);
            break;
        case litehtml::list_style_type_none:
            break;
        default:
            cairo_arc(cr, p.x + p.width / 2.0, p.y + p.height / 2.0, p.width / 2.0, 0, 2 * M_PI);
            cairo_fill(cr);
            break;
        }
        cairo_restore(cr);
    }

    void load_image(const char* src, const char*, bool) override {
        if (src) image(src);
    }

    void get_image_size(const char* src, const char*, litehtml::size& sz) override {
        LoadedImage* img = src ? image(src) : nullptr;
        sz.width = img ? img->pointWidth() : 0;
        sz.height = img ? img->pointHeight() : 0;
    }

    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        if (!cr) return;
        cairo_save(cr);
        applyClip(cr);
        roundedRect(cr, bg.border_box, bg.border_radius);
        cairo_clip(cr);
        cairo_rectangle(cr, bg.clip_box.x, bg.clip_box.y, bg.clip_box.width, bg.clip_box.height);
        cairo_clip(cr);
        if (bg.color.alpha) {
            setColor(cr, bg.color);
            cairo_paint(cr);
        }
        if (!bg.image.empty()) {
            if (LoadedImage* img = image(bg.image)) {
                int w = bg.image_size.width, h = bg.image_size.height;
                if (w > 0 && h > 0) {
                    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(img->surface);
                    cairo_matrix_t m;
                    cairo_matrix_init_scale(&m, cairo_image_surface_get_width(img->surface) / double(w),
                                            cairo_image_surface_get_height(img->surface) / double(h));
                    cairo_matrix_translate(&m, -bg.position_x, -bg.position_y);
                    cairo_pattern_set_matrix(pattern, &m);
                    bool repeatX = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_x;
                    bool repeatY = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_y;
                    // PAD keeps the edges of a scaled single tile sharp; the clip below bounds it.
                    cairo_pattern_set_extend(pattern, repeatX || repeatY ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
                    if (!repeatX || !repeatY) {
                        // One axis repeats: clip the other to a single tile.
                        double x = repeatX ? bg.clip_box.x : bg.position_x, y = repeatY ? bg.clip_box.y : bg.position_y;
                        double cw = repeatX ? bg.clip_box.width : w, ch = repeatY ? bg.clip_box.height : h;
                        cairo_rectangle(cr, x, y, cw, ch);
                        cairo_clip(cr);
                    }
                    cairo_set_source(cr, pattern);
                    cairo_paint(cr);
                    cairo_pattern_destroy(pattern);
                }
            }
        }
        cairo_restore(cr);
    }

    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b, const litehtml::position& pos, bool) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        if (!cr) return;
        cairo_save(cr);
        applyClip(cr);
        auto visible = [](const litehtml::border& e) {
            return e.width > 0 && e.style != litehtml::border_style_none && e.style != litehtml::border_style_hidden;
        };
        // Each side is a band inside the border box; corners belong to the top and bottom sides.
        if (visible(b.top)) {
            setColor(cr, b.top.color);
            cairo_rectangle(cr, pos.x, pos.y, pos.width, b.top.width);
            cairo_fill(cr);
        }
        if (visible(b.bottom)) {
            setColor(cr, b.bottom.color);
            cairo_rectangle(cr, pos.x, pos.bottom() - b.bottom.width, pos.width, b.bottom.width);
            cairo_fill(cr);
        }
        if (visible(b.left)) {
            setColor(cr, b.left.color);
            cairo_rectangle(cr, pos.x, pos.y + b.top.width, b.left.width, pos.height - b.top.width - b.bottom.width);
            cairo_fill(cr);
        }
        if (visible(b.right)) {
            setColor(cr, b.right.color);
            cairo_rectangle(cr, pos.right() - b.right.width, pos.y + b.top.width, b.right.width,
                            pos.height - b.top.width - b.bottom.width);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }

    void set_caption(const char*) override {}
    void set_base_url(const char*) override {}
    void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
    void on_anchor_click(const char*, const litehtml::element::ptr&) override {}
    void set_cursor(const char*) override {}

    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
        gchar* out = nullptr;
        if (tt == litehtml::text_transform_uppercase) out = g_utf8_strup(text.c_str(), -1);
        else if (tt == litehtml::text_transform_lowercase) out = g_utf8_strdown(text.c_str(), -1);
        else if (tt == litehtml::text_transform_capitalize && !text.empty()) {
            const char* next = g_utf8_next_char(text.c_str());
            gchar* first = g_utf8_strup(text.c_str(), next - text.c_str());
            text = std::string(first) + next;
            g_free(first);
        }
        if (out) {
            text = out;
            g_free(out);
        }
    }

    // External style sheets are not fetched: pages carry their styles inline.
    void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}

    void set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool validX, bool validY) override {
        litehtml::position p = pos;
        if (!validX) {
            p.x = -1000000;
            p.width = 2000000;
        }
        if (!validY) {
            p.y = -1000000;
            p.height = 2000000;
        }
        clips_.push_back(p);
    }
    void del_clip() override {
        if (!clips_.empty()) clips_.pop_back();
    }

    void get_client_rect(litehtml::position& client) const override {
        client = litehtml::position(0, 0, width_, 1000000);
    }

    std::shared_ptr<litehtml::element> create_element(const char* tag, const litehtml::string_map&,
                                                      const std::shared_ptr<litehtml::document>& doc) override {
        if (tag && litehtml::t_strcasecmp(tag, "font") == 0) return std::make_shared<FontElement>(doc);
        return nullptr;
    }

    void get_media_features(litehtml::media_features& media) const override {
        media.type = litehtml::media_type_screen;
        media.width = media.device_width = width_;
        media.height = media.device_height = 480;
        media.color = 8;
        media.color_index = 256;
        media.monochrome = 0;
        media.resolution = 163;
    }

    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
        language = "en";
        culture = "";
    }

    // Colours written as bare hex digits ("FFFFFF") mean "#FFFFFF".
    litehtml::tstring resolve_color(const litehtml::tstring& color) const override {
        std::string c = color;
        c.erase(std::remove_if(c.begin(), c.end(), [](char ch) { return std::isspace(static_cast<unsigned char>(ch)); }), c.end());
        return isHexColor(c) ? "#" + c : std::string();
    }

private:
    static void setColor(cairo_t* cr, const litehtml::web_color& c) {
        cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
    }

    void applyClip(cairo_t* cr) const {
        for (const auto& p : clips_) {
            cairo_rectangle(cr, p.x, p.y, p.width, p.height);
            cairo_clip(cr);
        }
    }

    static void roundedRect(cairo_t* cr, const litehtml::position& p, const litehtml::border_radiuses& r) {
        double x = p.x, y = p.y, w = p.width, h = p.height;
        auto corner = [&](double cx, double cy, double rx, double ry, double a0) {
            if (rx <= 0 || ry <= 0) {
                cairo_line_to(cr, cx + std::cos(a0 + M_PI / 4) * 0, cy);
                return;
            }
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_scale(cr, rx, ry);
            cairo_arc(cr, 0, 0, 1, a0, a0 + M_PI / 2);
            cairo_restore(cr);
        };
        cairo_new_path(cr);
        if (r.top_left_x <= 0 && r.top_right_x <= 0 && r.bottom_left_x <= 0 && r.bottom_right_x <= 0) {
            cairo_rectangle(cr, x, y, w, h);
            return;
        }
        cairo_move_to(cr, x + r.top_left_x, y);
        if (r.top_right_x > 0) corner(x + w - r.top_right_x, y + r.top_right_y, r.top_right_x, r.top_right_y, -M_PI / 2);
        else cairo_line_to(cr, x + w, y);
        if (r.bottom_right_x > 0) corner(x + w - r.bottom_right_x, y + h - r.bottom_right_y, r.bottom_right_x, r.bottom_right_y, 0);
        else cairo_line_to(cr, x + w, y + h);
        if (r.bottom_left_x > 0) corner(x + r.bottom_left_x, y + h - r.bottom_left_y, r.bottom_left_x, r.bottom_left_y, M_PI / 2);
        else cairo_line_to(cr, x, y + h);
        if (r.top_left_x > 0) corner(x + r.top_left_x, y + r.top_left_y, r.top_left_x, r.top_left_y, M_PI);
        else cairo_line_to(cr, x, y);
        cairo_close_path(cr);
    }

    static void paintImage(cairo_t* cr, LoadedImage& img, double x, double y, double w, double h) {
        if (w <= 0 || h <= 0) return;
        cairo_translate(cr, x, y);
        cairo_scale(cr, w / cairo_image_surface_get_width(img.surface), h / cairo_image_surface_get_height(img.surface));
        cairo_set_source_surface(cr, img.surface, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_rectangle(cr, 0, 0, cairo_image_surface_get_width(img.surface), cairo_image_surface_get_height(img.surface));
        cairo_fill(cr);
    }

    // The decoded image for `src`, resolved once; null when it cannot be had.
    LoadedImage* image(const std::string& src) {
        auto found = images_.find(src);
        if (found != images_.end()) return found->second.get();
        std::unique_ptr<LoadedImage> loaded;
        if (resolver_) loaded = decode(resolver_(src));
        LoadedImage* raw = loaded.get();
        images_[src] = std::move(loaded);
        return raw;
    }

    static std::unique_ptr<LoadedImage> decode(const HtmlDocument::ResolvedImage& r) {
        auto img = std::make_unique<LoadedImage>();
        img->scale = r.scale > 0 ? r.scale : 1;
        if (r.image && r.image->width() > 0 && r.image->height() > 0) {
            const Image& im = *r.image;
            if (im.colorSpace() == ColorSpace::DeviceRGB && im.bytesPerPixel() == 4 && im.bytesPerRow() % 4 == 0) {
                // B,G,R,X is Cairo's RGB24: wrap the pixels, read-only.
                img->image = r.image;
                img->surface = cairo_image_surface_create_for_data(const_cast<uint8_t*>(im.data()), CAIRO_FORMAT_RGB24,
                                                                   im.width(), im.height(), im.bytesPerRow());
            } else if (im.bytesPerPixel() == 1) {
                img->converted.resize(size_t(im.width()) * im.height() * 4);
                for (int y = 0; y < im.height(); ++y)
                    for (int x = 0; x < im.width(); ++x) {
                        uint8_t v = *im.pixel(x, y);
                        uint8_t* d = &img->converted[(size_t(y) * im.width() + x) * 4];
                        d[0] = d[1] = d[2] = v;
                        d[3] = 255;
                    }
                img->surface = cairo_image_surface_create_for_data(img->converted.data(), CAIRO_FORMAT_RGB24, im.width(),
                                                                   im.height(), im.width() * 4);
            }
        } else if (!r.path.empty()) {
            img->surface = cairo_image_surface_create_from_png(r.path.c_str());
        }
        if (!img->surface || cairo_surface_status(img->surface) != CAIRO_STATUS_SUCCESS ||
            cairo_image_surface_get_width(img->surface) <= 0) {
            return nullptr;
        }
        return img;
    }

    HtmlDocument::ImageResolver resolver_;
    HtmlDocument::Style style_;
    PangoContext* pangoContext_ = nullptr;
    PangoLayout* layout_ = nullptr;
    std::vector<std::unique_ptr<FontHandle>> fonts_;
    std::map<std::string, std::unique_ptr<LoadedImage>> images_;
    std::vector<litehtml::position> clips_;
};

struct HtmlDocument::Impl {
    std::unique_ptr<HtmlContainer> container;
    std::shared_ptr<litehtml::context> context;
    litehtml::document::ptr document;
    int width = 0;
};

namespace {
// The engine cuts text into words at white space and before and after every ideograph, and a line
// may end between any two words. Words are cut again where LineBreaks says a line may end instead:
// kana and CJK punctuation get their opportunities, and with keep-all a CJK word stays whole.
void cutAtLineBreaks(const litehtml::element::ptr& el) {
    if (!el) return;
    // Style sheets and scripts are text the engine has already read, not text it lays out.
    if (const char* tag = el->get_tagName())
        for (const char* skipped : {"style", "script", "title", "head"})
            if (litehtml::t_strcasecmp(tag, skipped) == 0) return;
    std::vector<litehtml::element::ptr> children;
    for (size_t i = 0; i < el->get_children_count(); ++i) children.push_back(el->get_child(int(i)));
    auto isWordPart = [](const litehtml::element::ptr& c) { return typeid(*c) == typeid(litehtml::el_text); };
    const char* wordBreak = el->get_style_property("word-break", true, "normal");
    const WordBreak mode = wordBreak && std::string(wordBreak) == "keep-all" ? WordBreak::KeepAll : WordBreak::Normal;
    std::vector<litehtml::element::ptr> rebuilt;
    bool changed = false;
    for (size_t i = 0; i < children.size();) {
        if (!isWordPart(children[i])) {
            cutAtLineBreaks(children[i]);
            rebuilt.push_back(children[i++]);
            continue;
        }
        size_t end = i;
        std::string word;
        while (end < children.size() && isWordPart(children[end])) children[end++]->get_text(word);
        std::vector<std::string> pieces = LineBreaks::split(word, mode);
        bool same = pieces.size() == end - i;
        for (size_t k = 0; same && k < pieces.size(); ++k) {
            std::string text;
            children[i + k]->get_text(text);
            same = text == pieces[k];
        }
        if (same) {
            rebuilt.insert(rebuilt.end(), children.begin() + long(i), children.begin() + long(end));
        } else {
            changed = true;
            for (const std::string& piece : pieces)
                rebuilt.push_back(std::make_shared<litehtml::el_text>(piece.c_str(), el->get_document()));
        }
        i = end;
    }
    if (!changed) return;
    for (const auto& c : children) el->removeChild(c);
    for (const auto& c : rebuilt) {
        el->appendChild(c);
        if (isWordPart(c)) c->parse_styles(false);
    }
}

// The parsed master stylesheet, shared by the documents of a thread (documents only read it).
std::shared_ptr<litehtml::context> masterContext() {
    thread_local std::shared_ptr<litehtml::context> context = [] {
        auto c = std::make_shared<litehtml::context>();
        c->load_master_stylesheet(HtmlStylesheet::master());
        return c;
    }();
    return context;
}
}  // namespace

std::unique_ptr<HtmlDocument> HtmlDocument::create(const std::string& html, float width, ImageResolver resolver) {
    return create(html, width, std::move(resolver), Style{});
}

std::unique_ptr<HtmlDocument> HtmlDocument::create(const std::string& html, float width, ImageResolver resolver,
                                                   const Style& style) {
    auto impl = std::make_unique<Impl>();
    impl->container = std::make_unique<HtmlContainer>(std::move(resolver), style);
    impl->context = masterContext();
    litehtml::css userStyles;
    const std::string margin = std::to_string(std::max(0, int(std::lround(style.verticalMargin)))) + "px";
    std::string defaults = "html { color: " + cssColor(style.textColor) + ";" +
                           (style.wordBreak == WordBreak::KeepAll ? " word-break: keep-all;" : "") + " }" +
                           " body { margin-top: " + margin + "; margin-bottom: " + margin + "; }";
    userStyles.parse_stylesheet(defaults.c_str(), nullptr, nullptr, nullptr);
    userStyles.sort_selectors();
    std::string clean = HtmlSanitizer::sanitize(html);
    if (clean.find_first_not_of(" \t\r\n\f") == std::string::npos) clean.clear();  // nothing to show, not even margins
    if (!clean.empty())
        impl->document = litehtml::document::createFromUTF8(clean.c_str(), impl->container.get(), impl->context.get(), &userStyles);
    if (impl->document) cutAtLineBreaks(impl->document->root());
    std::unique_ptr<HtmlDocument> doc(new HtmlDocument(std::move(impl)));
    doc->impl_->width = -1;
    doc->layout(width);
    return doc;
}

HtmlDocument::HtmlDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
HtmlDocument::~HtmlDocument() {
    impl_->document.reset();  // its fonts go back to the container, which must still exist
}

void HtmlDocument::layout(float width) {
    int w = std::max(1, int(std::lround(width)));
    if (w == impl_->width) return;
    impl_->width = w;
    impl_->container->width_ = w;
    if (impl_->document) impl_->document->render(w);
}

float HtmlDocument::width() const { return float(impl_->width); }

float HtmlDocument::height() const {
    return impl_->document ? float(std::max(0, impl_->document->height())) : 0.0f;
}

void HtmlDocument::draw(GraphicsContext& context, Point origin, std::optional<Rect> clip) {
    cairo_t* cr = context.cairo();
    if (!cr) return;
    context.prepareForCairo();
    if (context.isFlipped()) {
        draw(cr, origin, clip);
        return;
    }
    // A y-up context: draw in a local y-down frame whose top is at origin.y.
    cairo_save(cr);
    cairo_translate(cr, origin.x, origin.y);
    cairo_scale(cr, 1, -1);
    std::optional<Rect> local;
    if (clip) local = Rect(clip->x() - origin.x, -(clip->maxY() - origin.y), clip->width(), clip->height());
    draw(cr, Point{0, 0}, local);
    cairo_restore(cr);
}

void HtmlDocument::draw(cairo_t* cr, Point origin, std::optional<Rect> clip) {
    if (!cr || !impl_->document) return;
    litehtml::position area;
    if (clip) {
        area = litehtml::position(int(std::floor(clip->minX())), int(std::floor(clip->minY())),
                                  int(std::ceil(clip->width())) + 1, int(std::ceil(clip->height())) + 1);
    } else {
        area = litehtml::position(int(std::floor(origin.x)), int(std::floor(origin.y)), impl_->width + 1,
                                  int(height()) + 1);
    }
    cairo_save(cr);
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
    // The engine draws at whole units; a fractional origin goes into the matrix.
    double fx = std::floor(origin.x), fy = std::floor(origin.y);
    cairo_translate(cr, origin.x - fx, origin.y - fy);
    impl_->document->draw(reinterpret_cast<litehtml::uint_ptr>(cr), int(fx), int(fy), &area);
    cairo_restore(cr);
}

std::optional<std::string> HtmlDocument::linkAt(Point p) const {
    if (!impl_->document || !impl_->document->root()) return std::nullopt;
    int x = int(std::floor(p.x)), y = int(std::floor(p.y));
    litehtml::element::ptr el = impl_->document->root()->get_element_by_point(x, y, x, y);
    for (; el; el = el->parent()) {
        const char* tag = el->get_tagName();
        if (tag && litehtml::t_strcasecmp(tag, "a") == 0) {
            if (const char* href = el->get_attr("href")) return std::string(href);
        }
    }
    return std::nullopt;
}

namespace {
litehtml::element::ptr findNamed(const litehtml::element::ptr& el, const std::string& name) {
    if (!el) return nullptr;
    const char* id = el->get_attr("id");
    if (id && name == id) return el;
    const char* tag = el->get_tagName();
    const char* n = el->get_attr("name");
    if (n && name == n && tag && litehtml::t_strcasecmp(tag, "a") == 0) return el;
    for (size_t i = 0; i < el->get_children_count(); ++i) {
        if (auto found = findNamed(el->get_child(int(i)), name)) return found;
    }
    return nullptr;
}
}  // namespace

std::optional<float> HtmlDocument::anchorTop(const std::string& name) const {
    if (!impl_->document || name.empty()) return std::nullopt;
    auto el = findNamed(impl_->document->root(), name);
    if (!el) return std::nullopt;
    return float(el->get_placement().y);
}

}  // namespace platform
