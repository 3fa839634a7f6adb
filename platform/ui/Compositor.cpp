#include "platform/ui/Compositor.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ViewAnimationState.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

int toPixels(float points, float scale) { return int(std::ceil(points * scale - 1e-3f)); }

// What later, opaque views will cover, so that the compositor need not fill or paint what
// nobody would see. The live preview fills most of the screen thirty times a second; the window
// and page backgrounds beneath it would otherwise be filled just as often.
struct DeviceRect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return !(x1 > x0 && y1 > y0); }
    DeviceRect intersection(const DeviceRect& o) const {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
    double area() const { return empty() ? 0 : (x1 - x0) * (y1 - y0); }
};

struct Occluder {
    int order;          // drawing order of the view that covers
    DeviceRect covers;  // whole device pixels
};

struct Occlusion {
    struct Entry {
        int order = -1;
        std::optional<DeviceRect> clip;  // what its superviews' clips leave; none: nothing clips it
    };
    float scale = 1;
    std::optional<DeviceRect> limit;  // only this part of the target is drawn again
    std::unordered_map<const View*, Entry> views;
    std::vector<Occluder> occluders;

    const Entry* find(const View& v) const {
        auto it = views.find(&v);
        return it == views.end() ? nullptr : &it->second;
    }
    int orderOf(const View& v) const {
        const Entry* e = find(v);
        return e ? e->order : -1;
    }
};

// Set while the compositor draws its window; unset for snapshots and inside transitions, where
// looks are drawn somewhere other than where they end up.
thread_local const Occlusion* gOcclusion = nullptr;

bool axisAligned(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xy == 0 && m.yx == 0;
}

// `r` in device space; only meaningful when the matrix is axis-aligned.
DeviceRect toDevice(cairo_t* cr, const Rect& r) {
    double ax = r.minX(), ay = r.minY(), bx = r.maxX(), by = r.maxY();
    cairo_user_to_device(cr, &ax, &ay);
    cairo_user_to_device(cr, &bx, &by);
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
}

// True when the view's content, kept at `scale`, lands pixel for pixel on whole device pixels
// and the view is opaque: then it covers its bounds exactly. Stretched or turned content is
// filtered, and its edges let what is beneath show through.
bool contentCoversExactly(cairo_t* cr, const View& v, const ViewGeometry& g, float scale) {
    if (!v.opaque() || v.drawsNothing()) return false;
    if (g.bounds.width() != v.bounds().width() || g.bounds.height() != v.bounds().height()) return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    auto whole = [](double d) { return std::fabs(d - std::round(d)) < 1e-6; };
    return m.xy == 0 && m.yx == 0 && std::fabs(m.xx - scale) < 1e-6 && std::fabs(m.yy - scale) < 1e-6 &&
           whole(m.x0 + m.xx * g.bounds.x()) && whole(m.y0 + m.yy * g.bounds.y());
}

void collectInner(cairo_t* cr, View& v, const ViewGeometry& g, double alpha, std::optional<DeviceRect> clip,
                  int& counter, Occlusion& occ);

void collectView(cairo_t* cr, View& v, double parentAlpha, const std::optional<DeviceRect>& clip, int& counter,
                 Occlusion& occ) {
    // The same steps, in the same order, as drawView.
    if (v.hidden()) return;
    const ViewGeometry g = v.presentation();
    const double alpha = parentAlpha * g.alpha;
    if (alpha <= 0 || g.transform.determinant() == 0) return;
    cairo_save(cr);
    cairo_translate(cr, g.center.x, g.center.y);
    cairo_matrix_t m;
    cairo_matrix_init(&m, g.transform.a, g.transform.b, g.transform.c, g.transform.d, g.transform.tx,
                      g.transform.ty);
    cairo_transform(cr, &m);
    cairo_translate(cr, -g.bounds.midX(), -g.bounds.midY());
    collectInner(cr, v, g, alpha, clip, counter, occ);
    cairo_restore(cr);
}

void collectInner(cairo_t* cr, View& v, const ViewGeometry& g, double alpha, std::optional<DeviceRect> clip,
                  int& counter, Occlusion& occ) {
    Occlusion::Entry& entry = occ.views[&v];
    entry.order = counter++;
    entry.clip = clip;
    const int order = entry.order;
    Layer* layer = v.layerIfAny();
    if (layer && layer->hasRunningTransitions()) return;  // drawn without occlusion, covers nothing
    const bool aligned = axisAligned(cr);
    const DeviceRect own = aligned ? toDevice(cr, g.bounds) : DeviceRect{};
    if (v.clipsToBounds()) {
        // A turned clip: nothing inside may claim to cover anything.
        if (!aligned) return;
        clip = clip ? clip->intersection(own) : own;
    }
    const auto bg = v.backgroundColor();
    const bool fills = (bg && bg->a >= 1) || contentCoversExactly(cr, v, g, occ.scale);
    if (aligned && fills && alpha >= 1) {
        DeviceRect r = clip ? own.intersection(*clip) : own;
        // Partly covered edge pixels are blended: only whole pixels count.
        r = {std::ceil(r.x0 - 1e-6), std::ceil(r.y0 - 1e-6), std::floor(r.x1 + 1e-6), std::floor(r.y1 + 1e-6)};
        if (!r.empty()) occ.occluders.push_back({order, r});
    }
    for (auto& s : v.subviews()) collectView(cr, *s, alpha, clip, counter, occ);
}

// The part of `area` (device space) still visible once the views drawn after `order` are on
// screen: null when all of it is covered; otherwise the largest covered part to leave out
// (empty when none).
std::optional<DeviceRect> visibleCut(int order, const DeviceRect& area) {
    DeviceRect best;
    if (!gOcclusion || order < 0 || area.empty()) return best;
    for (const Occluder& o : gOcclusion->occluders) {
        if (o.order <= order) continue;
        const DeviceRect in = area.intersection(o.covers);
        if (in.empty()) continue;
        if (in.x0 <= area.x0 && in.y0 <= area.y0 && in.x1 >= area.x1 && in.y1 >= area.y1) return std::nullopt;
        if (in.area() > best.area()) best = in;
    }
    return best;
}

cairo_surface_t* newSurface(int w, int h, bool opaque = false) {
    cairo_surface_t* s = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}

// The view's drawRect output, drawn again only when the view needs display. Null: nothing drawn.
// An opaque view promises to fill its bounds, so its content has no alpha to blend and nothing
// to clear before it is drawn again.
ViewBacking* contentOf(View& v, float scale) {
    if (!v.needsDisplay() && v.drawsNothing()) return nullptr;
    const Rect b = v.bounds();
    const int pw = toPixels(b.width(), scale), ph = toPixels(b.height(), scale);
    if (pw <= 0 || ph <= 0) {
        v.setBacking(nullptr);
        v.clearNeedsDisplay();
        return nullptr;
    }
    ViewBacking* old = v.backing();
    const bool opaque = v.opaque();
    const bool fresh = !old || old->pixelWidth() != pw || old->pixelHeight() != ph || old->scale() != scale ||
                       (cairo_image_surface_get_format(old->surface()) == CAIRO_FORMAT_RGB24) != opaque;
    if (!fresh && !v.needsDisplay()) return old;

    std::unique_ptr<ViewBacking> made;
    cairo_surface_t* surface = nullptr;
    if (fresh) {
        surface = newSurface(pw, ph, opaque);
        if (!surface) return nullptr;
        made = std::make_unique<ViewBacking>(surface, scale, pw, ph);
    } else {
        surface = old->surface();
    }
    Rect dirty = fresh ? b : v.dirtyRect().intersection(b);
    if (dirty.isEmpty()) dirty = b;
    // Whole pixels only: a clip through a pixel would blend the old and the new drawing there,
    // and an unchanged pixel would drift by a level each time.
    if (!fresh) {
        const float x0 = std::floor((dirty.minX() - b.x()) * scale + 1e-3f) / scale + b.x();
        const float y0 = std::floor((dirty.minY() - b.y()) * scale + 1e-3f) / scale + b.y();
        const float x1 = std::ceil((dirty.maxX() - b.x()) * scale - 1e-3f) / scale + b.x();
        const float y1 = std::ceil((dirty.maxY() - b.y()) * scale - 1e-3f) / scale + b.y();
        dirty = Rect(x0, y0, x1 - x0, y1 - y0).intersection(b);
    }
    {
        auto ctx = SurfaceContext::createForSurface(surface, scale);
        if (!ctx) return nullptr;
        ctx->translateCTM(-b.x(), -b.y());
        if (!fresh) {
            if (!opaque) ctx->clearRect(dirty);
            ctx->clipToRect(dirty);
        }
        v.setDrawsNothing(false);
        v.drawRect(*ctx, dirty);
    }
    cairo_surface_flush(surface);
    cairo_surface_mark_dirty(surface);
    v.clearNeedsDisplay();
    if (v.drawsNothing()) {
        v.setBacking(nullptr);
        return nullptr;
    }
    if (made) v.setBacking(std::move(made));
    return v.backing();
}

// Paints a backing so that it covers `r` (points).
void paintBacking(cairo_t* cr, const ViewBacking& bk, const Rect& r, double alpha = 1) {
    if (r.isEmpty()) return;
    cairo_save(cr);
    cairo_translate(cr, r.x(), r.y());
    cairo_scale(cr, r.width() / (bk.pixelWidth() / bk.scale()) / bk.scale(),
                r.height() / (bk.pixelHeight() / bk.scale()) / bk.scale());
    cairo_set_source_surface(cr, bk.surface(), 0, 0);
    if (alpha >= 1) cairo_paint(cr);
    else cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

void drawView(cairo_t* cr, View& v, float scale, double alpha);

// A live view straight onto the target, where its content lands pixel for pixel: no copy kept
// aside, nothing to paint again. False (nothing drawn) when it must go the usual way.
bool drawLive(cairo_t* cr, View& v, const ViewGeometry& g, float scale, double alpha) {
    if (!v.isLive() || !gOcclusion || alpha < 1 || !contentCoversExactly(cr, v, g, scale)) return false;
    const Occlusion::Entry* entry = gOcclusion->find(v);
    if (!entry) return false;
    cairo_surface_t* target = cairo_get_target(cr);
    auto ctx = SurfaceContext::createForSurface(target, scale);
    if (!ctx) return false;
    cairo_t* direct = ctx->cairo();
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_identity_matrix(direct);
    for (const auto& c : {entry->clip, gOcclusion->limit}) {
        if (!c) continue;
        cairo_rectangle(direct, c->x0, c->y0, c->x1 - c->x0, c->y1 - c->y0);
        cairo_clip(direct);
    }
    cairo_set_matrix(direct, &m);
    ctx->clipToRect(v.bounds());
    v.setDrawsNothing(false);
    v.drawRect(*ctx, v.bounds());
    cairo_surface_flush(target);
    cairo_surface_mark_dirty(target);
    v.clearNeedsDisplay();
    v.setBacking(nullptr);
    return true;
}


// The view's own look in its bounds coordinates, without a running transition. Opacity applies
// to the background, the content and each subview separately (no group opacity), as on the
// original platform: it is also what keeps composing cheap.
void drawLook(cairo_t* cr, View& v, const ViewGeometry& g, float scale, double alpha) {
    const Rect& b = g.bounds;
    if (drawLive(cr, v, g, scale, alpha)) {
        for (auto& s : v.subviews()) drawView(cr, *s, scale, alpha);
        return;
    }
    ViewBacking* bk = contentOf(v, scale);
    // Under an opaque view's content the background would never be seen.
    const bool hidesBackground = bk && alpha >= 1 && contentCoversExactly(cr, v, g, scale);
    const int order = gOcclusion ? gOcclusion->orderOf(v) : -1;
    const bool aligned = order >= 0 && axisAligned(cr);
    std::optional<DeviceRect> visible = DeviceRect{};
    if (aligned) visible = visibleCut(order, toDevice(cr, b));
    if (auto bg = v.backgroundColor(); bg && bg->a > 0 && !hidesBackground && visible) {
        cairo_set_source_rgba(cr, bg->r, bg->g, bg->b, bg->a * alpha);
        cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
        if (!visible->empty()) {
            // Leave out the covered part: a hole in the rectangle, filled even-odd.
            double x0 = visible->x0, y0 = visible->y0, x1 = visible->x1, y1 = visible->y1;
            cairo_device_to_user(cr, &x0, &y0);
            cairo_device_to_user(cr, &x1, &y1);
            cairo_rectangle(cr, std::min(x0, x1), std::min(y0, y1), std::fabs(x1 - x0), std::fabs(y1 - y0));
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        }
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    }
    // Stretched content is filtered and spills up to a stretched pixel beyond its bounds: it
    // may only be left out when that margin is covered too.
    bool contentCovered = false;
    if (bk && aligned && !hidesBackground) {
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        const double spill = std::ceil(std::max(std::fabs(m.xx), std::fabs(m.yy)) / scale) + 1;
        DeviceRect area = toDevice(cr, b);
        area = {area.x0 - spill, area.y0 - spill, area.x1 + spill, area.y1 + spill};
        contentCovered = !visibleCut(order, area);
    } else if (bk && !visible) {
        contentCovered = true;  // lands on whole pixels, all of them covered
    }
    if (bk && !contentCovered) {
        // Content is drawn at the model size; a bounds animation stretches it.
        Rect model = v.bounds();
        paintBacking(cr, *bk, {b.x(), b.y(), model.width() * (model.width() > 0 ? b.width() / model.width() : 1),
                               model.height() * (model.height() > 0 ? b.height() / model.height() : 1)},
                     alpha);
    }
    for (auto& s : v.subviews()) drawView(cr, *s, scale, alpha);
}

// The look with a running transition: the old picture giving way to the new look.
void drawInner(cairo_t* cr, View& v, const ViewGeometry& g, float scale, double alpha) {
    Layer* layer = v.layerIfAny();
    if (!layer || !layer->hasRunningTransitions()) {
        drawLook(cr, v, g, scale, alpha);
        return;
    }
    const Layer::Running& r = layer->running().back();
    const Transition& t = r.transition;
    const double now = animation::now();
    const double frac = t.duration > 0 ? std::clamp((now - r.beginTime) / t.duration, 0.0, 1.0) : 1.0;
    const double p = t.progressAt(frac);
    const Rect& b = g.bounds;

    cairo_save(cr);
    cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
    cairo_clip(cr);
    cairo_push_group(cr);
    {
        // The new look is drawn aside and moved into place: what covers what is unknown there.
        const Occlusion* saved = gOcclusion;
        gOcclusion = nullptr;
        drawLook(cr, v, g, scale, 1);
        gOcclusion = saved;
    }
    cairo_pattern_t* fresh = cairo_pop_group(cr);

    // Where each look stands: offsets of the old and the new look in points.
    double ox = 0, oy = 0, nx = 0, ny = 0;
    double w = b.width(), h = b.height();
    double dx = 0, dy = 0;  // the direction the new look comes from, as a unit step
    switch (t.subtype) {
        case TransitionSubtype::FromLeft: dx = -1; break;
        case TransitionSubtype::FromRight:
        case TransitionSubtype::None: dx = 1; break;
        case TransitionSubtype::FromTop: dy = -1; break;
        case TransitionSubtype::FromBottom: dy = 1; break;
    }
    auto paintNew = [&](double x, double y, double a) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_set_source(cr, fresh);
        if (a * alpha >= 1) cairo_paint(cr);
        else cairo_paint_with_alpha(cr, a * alpha);
        cairo_restore(cr);
    };
    auto paintOld = [&](double x, double y, double a) {
        if (r.oldLook) paintBacking(cr, *r.oldLook, b.offsetBy(float(x), float(y)), a * alpha);
    };
    switch (t.type) {
        case TransitionType::Fade:
            // A true cross-fade: old * (1 - p) + new * p.
            cairo_push_group(cr);
            paintOld(0, 0, (1 - p) / alpha);
            cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
            paintNew(0, 0, p / alpha);
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, alpha);
            break;
        case TransitionType::Push:
            ox = -dx * w * p; oy = -dy * h * p;
            nx = dx * w * (1 - p); ny = dy * h * (1 - p);
            paintOld(ox, oy, 1);
            paintNew(nx, ny, 1);
            break;
        case TransitionType::MoveIn:
            paintOld(0, 0, 1);
            paintNew(dx * w * (1 - p), dy * h * (1 - p), 1);
            break;
        case TransitionType::Reveal:
            paintNew(0, 0, 1);
            paintOld(-dx * w * p, -dy * h * p, 1);
            break;
    }
    cairo_pattern_destroy(fresh);
    cairo_restore(cr);
}

void drawView(cairo_t* cr, View& v, float scale, double parentAlpha) {
    if (v.hidden()) return;
    const ViewGeometry g = v.presentation();
    const double alpha = parentAlpha * g.alpha;
    if (alpha <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, g.center.x, g.center.y);
    cairo_matrix_t m;
    cairo_matrix_init(&m, g.transform.a, g.transform.b, g.transform.c, g.transform.d, g.transform.tx,
                      g.transform.ty);
    if (g.transform.determinant() == 0) {
        cairo_restore(cr);
        return;  // squashed flat: nothing to see
    }
    cairo_transform(cr, &m);
    cairo_translate(cr, -g.bounds.midX(), -g.bounds.midY());
    if (v.clipsToBounds()) {
        cairo_rectangle(cr, g.bounds.x(), g.bounds.y(), g.bounds.width(), g.bounds.height());
        cairo_clip(cr);
    }
    drawInner(cr, v, g, scale, alpha);
    cairo_restore(cr);
}

// Live views fetch their next content now, so that what changed is known before drawing.
void prepareLiveViews(View& v) {
    if (v.hidden()) return;
    if (v.isLive() && v.needsDisplay()) v.willBeComposited();
    for (auto& s : v.subviews()) prepareLiveViews(*s);
}

}  // namespace

Compositor::Compositor(float scale) : scale_(scale > 0 ? scale : 1) {}
Compositor::~Compositor() = default;

void Compositor::setScale(float scale) { scale_ = scale > 0 ? scale : 1; }

bool Compositor::composite(Window& window) {
    KESTROVA_ASSERT_MAIN_THREAD();
    const Rect b = window.bounds();
    const int pw = toPixels(b.width(), scale_), ph = toPixels(b.height(), scale_);
    if (pw <= 0 || ph <= 0) {
        window.setScale(scale_);
        return false;
    }
    if (!surface_ || surface_->pixelWidth() != pw || surface_->pixelHeight() != ph || surface_->scale() != scale_) {
        surface_ = SurfaceContext::create(pw, ph, scale_, true);
        if (!surface_) return false;
        lastTarget_ = {};
    }
    drawWindow(*surface_, window,
               {cairo_image_surface_get_data(surface_->surface()), pw, ph,
                cairo_image_surface_get_stride(surface_->surface()), scale_});
    return true;
}

bool Compositor::composite(Window& window, uint8_t* pixels, int pixelWidth, int pixelHeight, int bytesPerRow) {
    KESTROVA_ASSERT_MAIN_THREAD();
    const Rect b = window.bounds();
    if (!pixels || pixelWidth != toPixels(b.width(), scale_) || pixelHeight != toPixels(b.height(), scale_) ||
        pixelWidth <= 0 || pixelHeight <= 0 || bytesPerRow < pixelWidth * 4 || bytesPerRow % 4 != 0)
        return false;
    cairo_surface_t* s = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, pixelWidth, pixelHeight, bytesPerRow);
    auto target = SurfaceContext::createForSurface(s, scale_);
    cairo_surface_destroy(s);  // the context holds its own reference
    if (!target) return false;
    drawWindow(*target, window, {pixels, pixelWidth, pixelHeight, bytesPerRow, scale_});
    return true;
}

void Compositor::drawWindow(SurfaceContext& target, Window& window, const TargetId& id) {
    window.setScale(scale_);  // transitions keep their old looks at the scale they are shown at
    prepareLiveViews(window);
    const int pw = target.pixelWidth(), ph = target.pixelHeight();
    const bool whole = window.damagedEverywhere() || !(id == lastTarget_);
    lastTarget_ = id;
    int x0 = 0, y0 = 0, x1 = pw, y1 = ph;
    if (!whole) {
        const Rect d = window.damage();
        if (!d.isEmpty()) {
            x0 = std::max(0, int(std::floor(d.minX() * scale_))), y0 = std::max(0, int(std::floor(d.minY() * scale_)));
            x1 = std::min(pw, int(std::ceil(d.maxX() * scale_))), y1 = std::min(ph, int(std::ceil(d.maxY() * scale_)));
        }
        if (d.isEmpty() || x1 <= x0 || y1 <= y0) {
            lastDamage_ = {};
            window.clearNeedsComposite();
            return;
        }
    }
    lastDamage_ = {x0, y0, x1 - x0, y1 - y0};

    const Rect b = window.bounds();
    const ViewGeometry g = window.presentation();
    const auto bg = window.backgroundColor();
    const bool covered = !window.hidden() && g.alpha >= 1 && bg && bg->a >= 1;
    cairo_t* cr = target.cairo();
    target.prepareForCairo();
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_reset_clip(cr);
    if (!whole) {
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        cairo_clip(cr);
    }
    if (!covered) {
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    cairo_scale(cr, scale_, scale_);
    cairo_translate(cr, -b.x(), -b.y());
    if (!window.hidden() && g.alpha > 0) {
        Occlusion occlusion;
        occlusion.scale = scale_;
        if (!whole) occlusion.limit = DeviceRect{double(x0), double(y0), double(x1), double(y1)};
        int counter = 0;
        collectInner(cr, window, g, g.alpha, std::nullopt, counter, occlusion);
        gOcclusion = &occlusion;
        drawInner(cr, window, g, scale_, g.alpha);
        gOcclusion = nullptr;
    }
    cairo_restore(cr);
    cairo_surface_flush(target.surface());
    window.clearNeedsComposite();
}

ImageRef Compositor::image() const { return surface_ ? surface_->makeImage() : nullptr; }

bool Compositor::writePNG(const std::filesystem::path& path) const { return surface_ && surface_->writePNG(path); }

const uint8_t* Compositor::pixels() const {
    return surface_ ? cairo_image_surface_get_data(surface_->surface()) : nullptr;
}
int Compositor::bytesPerRow() const { return surface_ ? cairo_image_surface_get_stride(surface_->surface()) : 0; }
int Compositor::pixelWidth() const { return surface_ ? surface_->pixelWidth() : 0; }
int Compositor::pixelHeight() const { return surface_ ? surface_->pixelHeight() : 0; }

std::shared_ptr<ViewBacking> Compositor::snapshot(View& view, float scale) {
    if (!(scale > 0)) scale = 1;
    const ViewGeometry g = view.presentation();
    const int pw = toPixels(g.bounds.width(), scale), ph = toPixels(g.bounds.height(), scale);
    if (pw <= 0 || ph <= 0) return nullptr;
    cairo_surface_t* s = newSurface(pw, ph);
    if (!s) return nullptr;
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -g.bounds.x(), -g.bounds.y());
    const Occlusion* saved = gOcclusion;
    gOcclusion = nullptr;
    drawInner(cr, view, g, scale, 1);
    gOcclusion = saved;
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return std::make_shared<ViewBacking>(s, scale, pw, ph);
}

}  // namespace platform
