#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/FontLibrary.h"
#include "platform/graphics/ImageSurface.h"
#include "platform/graphics/ShadowMask.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

struct GraphicsContext::Shadow {
    Size offset;
    float blur = 0;
    Color color;
};

struct GraphicsContext::State {
    struct Saved {
        Color fill, stroke;
        float alpha;
        bool clipped;
        std::unique_ptr<Shadow> shadow;
    };
    Color fill = Color::black();
    Color stroke = Color::black();
    float alpha = 1;
    bool clipped = false;
    std::vector<Saved> stack;
};

namespace {

constexpr double kTwoPi = 6.283185307179586;

void setSource(cairo_t* cr, const Color& c, float alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, double(c.a) * alpha);
}

// Device-space bounding box of a user-space box.
void userBoxToDevice(cairo_t* cr, double& x0, double& y0, double& x1, double& y1) {
    double xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
    double nx0 = INFINITY, ny0 = INFINITY, nx1 = -INFINITY, ny1 = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        cairo_user_to_device(cr, &xs[i], &ys[i]);
        nx0 = std::min(nx0, xs[i]);
        ny0 = std::min(ny0, ys[i]);
        nx1 = std::max(nx1, xs[i]);
        ny1 = std::max(ny1, ys[i]);
    }
    x0 = nx0, y0 = ny0, x1 = nx1, y1 = ny1;
}

// A layout over our own fonts, laid out for `cr`'s transformation. Fonts render the same at every
// scale factor: no hinting of metrics or outlines.
PangoLayout* createLayout(cairo_t* cr) {
    PangoContext* context = FontLibrary::shared().createContext();
    pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango_layout_new(context);
    g_object_unref(context);
    return layout;
}

void configureLayout(PangoLayout* layout, const std::string& text, const Font& font, float maxWidth,
                     TextAlignment align) {
    // Families the font lacks glyphs for fall back through the library's own list.
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.family.c_str());
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(desc, double(font.size) * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    if (maxWidth > 0) {
        pango_layout_set_width(layout, int(double(maxWidth) * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_layout_set_alignment(layout, align == TextAlignment::Center  ? PANGO_ALIGN_CENTER
                                       : align == TextAlignment::Right ? PANGO_ALIGN_RIGHT
                                                                       : PANGO_ALIGN_LEFT);
    pango_layout_set_text(layout, text.data(), int(text.size()));
}

}  // namespace

GraphicsContext::GraphicsContext(cairo_t* cr, bool yUp, float height) : GraphicsContext(cr, yUp, height, 1) {}

GraphicsContext::GraphicsContext(cairo_t* cr, bool yUp, float height, float scale)
    : cr_(cr), yUp_(yUp), baseHeight_(height), baseScale_(scale), state_(std::make_unique<State>()) {
    cairo_matrix_t m;
    if (yUp)
        cairo_matrix_init(&m, scale, 0, 0, -scale, 0, double(scale) * height);
    else
        cairo_matrix_init_scale(&m, scale, scale);
    cairo_set_matrix(cr_, &m);
    cairo_set_line_width(cr_, 1);
    cairo_set_miter_limit(cr_, 10);
}

GraphicsContext::~GraphicsContext() {
    if (cr_) cairo_destroy(cr_);
}

// --- State ---

void GraphicsContext::saveGState() {
    cairo_save(cr_);
    State::Saved s{state_->fill, state_->stroke, state_->alpha, state_->clipped,
                   shadow_ ? std::make_unique<Shadow>(*shadow_) : nullptr};
    state_->stack.push_back(std::move(s));
}

void GraphicsContext::restoreGState() {
    if (state_->stack.empty()) return;  // unbalanced restore: ignored, as on the original platform
    cairo_restore(cr_);  // the current path is not part of the state, in Cairo as there
    auto& s = state_->stack.back();
    state_->fill = s.fill;
    state_->stroke = s.stroke;
    state_->alpha = s.alpha;
    state_->clipped = s.clipped;
    shadow_ = std::move(s.shadow);
    state_->stack.pop_back();
}

void GraphicsContext::translateCTM(float tx, float ty) { cairo_translate(cr_, tx, ty); }
void GraphicsContext::rotateCTM(float radians) { cairo_rotate(cr_, radians); }
void GraphicsContext::scaleCTM(float sx, float sy) {
    if (sx == 0 || sy == 0) return;  // a singular matrix would put Cairo into an error state
    cairo_scale(cr_, sx, sy);
}

void GraphicsContext::concatCTM(const AffineTransform& t) {
    if (t.determinant() == 0) return;
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr_, &m);
}

AffineTransform GraphicsContext::getCTM() const {
    cairo_matrix_t userToDevice, deviceToBase, r;
    cairo_get_matrix(cr_, &userToDevice);
    double s = baseScale_;
    if (yUp_)
        cairo_matrix_init(&deviceToBase, 1 / s, 0, 0, -1 / s, 0, baseHeight_);
    else
        cairo_matrix_init_scale(&deviceToBase, 1 / s, 1 / s);
    cairo_matrix_multiply(&r, &userToDevice, &deviceToBase);
    return {float(r.xx), float(r.yx), float(r.xy), float(r.yy), float(r.x0), float(r.y0)};
}

void GraphicsContext::setAlpha(float alpha) { state_->alpha = std::clamp(alpha, 0.0f, 1.0f); }
float GraphicsContext::alpha() const { return state_->alpha; }

void GraphicsContext::clipToRect(const Rect& r) {
    // Clipping must not eat the current path.
    cairo_path_t* path = cairo_copy_path(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.x(), r.y(), r.width(), r.height());
    cairo_clip(cr_);
    cairo_append_path(cr_, path);
    cairo_path_destroy(path);
    state_->clipped = true;
}

bool GraphicsContext::unclipped() const { return !state_->clipped; }

// --- Colours and lines ---

void GraphicsContext::setFillColor(const Color& c) { state_->fill = c; }
void GraphicsContext::setStrokeColor(const Color& c) { state_->stroke = c; }
Color GraphicsContext::fillColor() const { return state_->fill; }
Color GraphicsContext::strokeColor() const { return state_->stroke; }
void GraphicsContext::setLineWidth(float w) { cairo_set_line_width(cr_, std::max(0.0f, w)); }

void GraphicsContext::setLineJoin(LineJoin j) {
    cairo_set_line_join(cr_, j == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                             : j == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                    : CAIRO_LINE_JOIN_MITER);
}

void GraphicsContext::setLineCap(LineCap c) {
    cairo_set_line_cap(cr_, c == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                            : c == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                   : CAIRO_LINE_CAP_BUTT);
}

void GraphicsContext::setShadow(Size offset, float blur, const Color& color) {
    shadow_ = std::make_unique<Shadow>(Shadow{offset, std::max(0.0f, blur), color});
}

void GraphicsContext::clearShadow() { shadow_.reset(); }

// Draws the shadow of what `draw` paints (given a context and whether it paints a mask).
// (x0,y0)-(x1,y1) bound the drawing in user space.
template <typename Draw>
void GraphicsContext::withShadow(double x0, double y0, double x1, double y1, Draw&& draw) {
    if (!shadow_ || shadow_->color.a <= 0) return;
    const double s = baseScale_;
    const double blurPx = double(shadow_->blur) * s;
    const int radius = ShadowMask::boxRadiusForBlur(blurPx);
    const double dx = shadow_->offset.width * s;
    const double dy = (yUp_ ? -shadow_->offset.height : shadow_->offset.height) * s;

    userBoxToDevice(cr_, x0, y0, x1, y1);
    // Only the part of the shadow that can land inside the clip matters.
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr_, &cx0, &cy0, &cx1, &cy1);
    userBoxToDevice(cr_, cx0, cy0, cx1, cy1);
    const int pad = 3 * radius + 2;
    int mx0 = int(std::floor(std::max(x0, cx0 - dx - pad))) - pad;
    int my0 = int(std::floor(std::max(y0, cy0 - dy - pad))) - pad;
    int mx1 = int(std::ceil(std::min(x1, cx1 - dx + pad))) + pad;
    int my1 = int(std::ceil(std::min(y1, cy1 - dy + pad))) + pad;
    if (mx1 <= mx0 || my1 <= my0) return;
    if (double(mx1 - mx0) * double(my1 - my0) > 64.0 * 1024 * 1024) return;  // absurd sizes

    ShadowMask mask(mx1 - mx0, my1 - my0);
    if (!mask.valid()) return;
    cairo_t* m = cairo_create(mask.surface());
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    ctm.x0 -= mx0;
    ctm.y0 -= my0;
    cairo_set_matrix(m, &ctm);
    cairo_set_line_width(m, cairo_get_line_width(cr_));
    cairo_set_line_join(m, cairo_get_line_join(cr_));
    cairo_set_line_cap(m, cairo_get_line_cap(cr_));
    cairo_set_miter_limit(m, cairo_get_miter_limit(cr_));
    cairo_set_fill_rule(m, cairo_get_fill_rule(cr_));
    draw(m, true);
    cairo_destroy(m);
    mask.blur(radius);

    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    setSource(cr_, shadow_->color, 1);
    cairo_mask_surface(cr_, mask.surface(), mx0 + dx, my0 + dy);
    cairo_restore(cr_);
}

// --- Paths ---

void GraphicsContext::beginPath() { cairo_new_path(cr_); }
void GraphicsContext::moveToPoint(float x, float y) { cairo_move_to(cr_, x, y); }

void GraphicsContext::addLineToPoint(float x, float y) {
    if (!cairo_has_current_point(cr_)) cairo_move_to(cr_, x, y);
    else cairo_line_to(cr_, x, y);
}

void GraphicsContext::addArc(float x, float y, float radius, float startAngle, float endAngle, bool clockwise) {
    if (radius < 0) return;
    if (clockwise)
        cairo_arc_negative(cr_, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(cr_, x, y, radius, startAngle, endAngle);
}

void GraphicsContext::addArcToPoint(float x1, float y1, float x2, float y2, float radius) {
    if (!cairo_has_current_point(cr_)) {
        cairo_move_to(cr_, x1, y1);
        return;
    }
    double x0, y0;
    cairo_get_current_point(cr_, &x0, &y0);
    // Unit vectors from the corner towards the current point and towards the second point.
    double ax = x0 - x1, ay = y0 - y1, bx = x2 - x1, by = y2 - y1;
    double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    double cross = ax * by - ay * bx;
    if (radius <= 0 || la == 0 || lb == 0 || std::fabs(cross) < 1e-9 * la * lb) {
        cairo_line_to(cr_, x1, y1);
        return;
    }
    ax /= la, ay /= la, bx /= lb, by /= lb;
    double cosTheta = std::clamp(ax * bx + ay * by, -1.0, 1.0);
    double theta = std::acos(cosTheta);  // angle at the corner
    double dist = radius / std::tan(theta / 2);  // corner to the tangent points
    double t1x = x1 + ax * dist, t1y = y1 + ay * dist;
    double t2x = x1 + bx * dist, t2y = y1 + by * dist;
    // The centre lies on the bisector, radius / sin(theta/2) from the corner.
    double mx = ax + bx, my = ay + by, lm = std::hypot(mx, my);
    double cd = radius / std::sin(theta / 2);
    double ccx = x1 + mx / lm * cd, ccy = y1 + my / lm * cd;
    double a1 = std::atan2(t1y - ccy, t1x - ccx), a2 = std::atan2(t2y - ccy, t2x - ccx);
    cairo_line_to(cr_, t1x, t1y);
    // Turning from a to b: positive cross means the corner turns towards increasing angles.
    if (cross < 0)
        cairo_arc(cr_, ccx, ccy, radius, a1, a2);
    else
        cairo_arc_negative(cr_, ccx, ccy, radius, a1, a2);
}

void GraphicsContext::addRect(const Rect& r) { cairo_rectangle(cr_, r.x(), r.y(), r.width(), r.height()); }

void GraphicsContext::addEllipseInRect(const Rect& r) {
    if (r.width() == 0 || r.height() == 0) return;
    cairo_matrix_t saved;
    cairo_get_matrix(cr_, &saved);
    cairo_new_sub_path(cr_);
    cairo_translate(cr_, r.midX(), r.midY());
    cairo_scale(cr_, r.width() / 2.0, r.height() / 2.0);
    cairo_arc(cr_, 0, 0, 1, 0, kTwoPi);
    cairo_set_matrix(cr_, &saved);
    cairo_close_path(cr_);
}

void GraphicsContext::closePath() { cairo_close_path(cr_); }
void GraphicsContext::fillPath() { drawPath(PathDrawingMode::Fill); }
void GraphicsContext::strokePath() { drawPath(PathDrawingMode::Stroke); }
void GraphicsContext::drawPath(PathDrawingMode mode) { fillOrStroke(mode); }

void GraphicsContext::fillOrStroke(PathDrawingMode mode) {
    willDrawWithCairo();
    const bool fill = mode != PathDrawingMode::Stroke;
    const bool stroke = mode == PathDrawingMode::Stroke || mode == PathDrawingMode::FillStroke;
    cairo_set_fill_rule(cr_, mode == PathDrawingMode::EOFill ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    const float a = state_->alpha;
    if (shadow_) {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (stroke) cairo_stroke_extents(cr_, &x0, &y0, &x1, &y1);
        else cairo_fill_extents(cr_, &x0, &y0, &x1, &y1);
        cairo_path_t* path = cairo_copy_path(cr_);
        const Color fc = state_->fill, sc = state_->stroke;
        withShadow(x0, y0, x1, y1, [&](cairo_t* m, bool) {
            cairo_append_path(m, path);
            if (fill) {
                cairo_set_source_rgba(m, 0, 0, 0, double(fc.a) * a);
                if (stroke) cairo_fill_preserve(m);
                else cairo_fill(m);
            }
            if (stroke) {
                cairo_set_source_rgba(m, 0, 0, 0, double(sc.a) * a);
                cairo_stroke(m);
            }
        });
        cairo_path_destroy(path);
    }
    if (fill) {
        setSource(cr_, state_->fill, a);
        if (stroke) cairo_fill_preserve(cr_);
        else cairo_fill(cr_);
    }
    if (stroke) {
        setSource(cr_, state_->stroke, a);
        cairo_stroke(cr_);
    }
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void GraphicsContext::fillRect(const Rect& r) {
    beginPath();
    addRect(r);
    fillPath();
}

void GraphicsContext::strokeRect(const Rect& r) {
    beginPath();
    addRect(r);
    strokePath();
}

void GraphicsContext::fillEllipseInRect(const Rect& r) {
    beginPath();
    addEllipseInRect(r);
    fillPath();
}

void GraphicsContext::clearRect(const Rect& r) {
    willDrawWithCairo();
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr_, r.x(), r.y(), r.width(), r.height());
    cairo_fill(cr_);
    cairo_restore(cr_);
}

// --- Images and text ---

void GraphicsContext::drawImage(const Rect& r, const ImageRef& image) {
    if (!image || r.width() == 0 || r.height() == 0) return;
    if (!shadow_ && state_->alpha >= 1 && drawImageDirect(r, *image)) return;
    willDrawWithCairo();
    ImageSurface src(*image);
    if (!src.surface()) return;
    const double iw = image->width(), ih = image->height();
    auto paint = [&](cairo_t* c, bool mask) {
        cairo_save(c);
        cairo_new_path(c);
        // Row 0 of the image is its top: at maxY in y-up space, at minY in y-down space.
        if (yUp_) {
            cairo_translate(c, r.x(), double(r.y()) + r.height());
            cairo_scale(c, r.width() / iw, -r.height() / ih);
        } else {
            cairo_translate(c, r.x(), r.y());
            cairo_scale(c, r.width() / iw, r.height() / ih);
        }
        cairo_rectangle(c, 0, 0, iw, ih);
        cairo_clip(c);
        cairo_set_source_surface(c, src.surface(), 0, 0);
        cairo_pattern_t* p = cairo_get_source(c);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
        double ux = 1, uy = 0, vx = 0, vy = 1;
        cairo_user_to_device_distance(c, &ux, &uy);
        cairo_user_to_device_distance(c, &vx, &vy);
        bool shrinking = std::hypot(ux, uy) < 1 || std::hypot(vx, vy) < 1;
        cairo_pattern_set_filter(p, shrinking ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
        cairo_paint_with_alpha(c, state_->alpha);
        cairo_restore(c);
    };
    if (shadow_) withShadow(r.minX(), r.minY(), r.maxX(), r.maxY(), paint);
    paint(cr_, false);
}

float GraphicsContext::drawText(const std::string& text, const Rect& r, const Font& font, const Color& color,
                                TextAlignment align) {
    if (text.empty()) return 0;
    willDrawWithCairo();
    PangoLayout* layout = createLayout(cr_);
    configureLayout(layout, text, font, r.width(), align);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double height = double(logical.height) / PANGO_SCALE;
    const float a = state_->alpha;
    auto show = [&](cairo_t* c, bool mask) {
        cairo_save(c);
        cairo_new_path(c);
        // Text always reads upright: in y-up space it hangs down from the top of `r`.
        if (yUp_) {
            cairo_translate(c, r.x(), double(r.y()) + r.height());
            cairo_scale(c, 1, -1);
        } else {
            cairo_translate(c, r.x(), r.y());
        }
        if (mask) cairo_set_source_rgba(c, 0, 0, 0, double(color.a) * a);
        else setSource(c, color, a);
        if (c != cr_) pango_cairo_update_layout(c, layout);
        pango_cairo_show_layout(c, layout);
        cairo_restore(c);
    };
    if (shadow_) {
        double y0 = yUp_ ? double(r.maxY()) - height : r.y();
        withShadow(r.x(), y0, double(r.x()) + std::max(double(r.width()), double(logical.width) / PANGO_SCALE),
                   y0 + height, show);
        pango_cairo_update_layout(cr_, layout);
    }
    show(cr_, false);
    g_object_unref(layout);
    return float(height);
}

Size GraphicsContext::measureText(const std::string& text, const Font& font, float maxWidth) {
    if (text.empty()) return {0, 0};
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(s);
    PangoLayout* layout = createLayout(cr);
    configureLayout(layout, text, font, maxWidth, TextAlignment::Left);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return {float(double(logical.width) / PANGO_SCALE), float(double(logical.height) / PANGO_SCALE)};
}

}  // namespace platform
