#include "platform/ui/Compositor.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/graphics/PixelBlender.h"
#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/Layer.h"
#include "platform/ui/LiveTarget.h"
#include "platform/ui/ViewAnimationState.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <optional>
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

// What covers what on the target, found before drawing: each view's drawing order and the clip
// its superviews leave it, and the opaque rectangles that later views lay down.
struct Occlusion {
    struct Entry {
        const View* view = nullptr;
        std::optional<DeviceRect> clip;  // what its superviews' clips leave; none: nothing clips it
        // Where the view and its subviews may leave marks; none: anywhere.
        std::optional<DeviceRect> reach;
        // Something in the subtree is drawn again or moves, whether or not it shows.
        bool busy = false;
    };
    float scale = 1;
    std::optional<DeviceRect> limit;  // only this part of the target is drawn again
    std::vector<Entry> views;         // in drawing order: a view's order is its index
    std::vector<Occluder> occluders;

    // The view's drawing order; -1 when it was not seen. Drawing asks in the same order as the
    // views were seen, some passed over: the search starts after the last one found.
    int orderOf(const View& v) const {
        if (next_ > 0 && views[next_ - 1].view == &v) return int(next_ - 1);
        const size_t n = views.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t i = (next_ + k) % n;
            if (views[i].view == &v) {
                next_ = i + 1;
                return int(i);
            }
        }
        return -1;
    }
    const Entry* find(const View& v) const {
        const int i = orderOf(v);
        return i < 0 ? nullptr : &views[size_t(i)];
    }

    // The part of `area` (device space) still visible once the views drawn after `order` are on
    // screen: null when all of it is covered; otherwise the largest covered part to leave out
    // (empty when none).
    std::optional<DeviceRect> visibleCut(int order, const DeviceRect& area) const {
        DeviceRect best;
        if (order < 0 || area.empty()) return best;
        for (const Occluder& o : occluders) {
            if (o.order <= order) continue;
            const DeviceRect in = area.intersection(o.covers);
            if (in.empty()) continue;
            if (in.x0 <= area.x0 && in.y0 <= area.y0 && in.x1 >= area.x1 && in.y1 >= area.y1) return std::nullopt;
            if (in.area() > best.area()) best = in;
        }
        return best;
    }
    // True when nothing the subtree of entry `i` draws can reach the part drawn again, and
    // drawing it would change nothing else.
    bool passesOver(int i) const {
        const Entry& e = views[size_t(i)];
        return limit && !e.busy && e.reach && e.reach->intersection(*limit).empty();
    }
private:
    mutable size_t next_ = 0;
};

// One drawing of a view tree: the target, its scale, and what covers what there.
struct DrawPass {
    cairo_t* cr;
    float scale;
    // Null for snapshots and the looks inside transitions, which are drawn somewhere other than
    // where they end up.
    const Occlusion* occlusion = nullptr;
    // A second context over the target for live views; null: one is made when needed.
    SurfaceContext* live = nullptr;
    // The target's pixels, where views may write them without Cairo; null: they may not.
    const PixelRows* rows = nullptr;

    // The same target, for a look drawn aside and moved into place.
    DrawPass aside() const { return {cr, scale, nullptr, nullptr}; }
    int orderOf(const View& v) const { return occlusion ? occlusion->orderOf(v) : -1; }
    // True when nothing drawn in `b` (points, in the coordinates `m` maps to the target) would
    // reach the part of the target drawn again; false when that is not known.
    bool outsideLimit(const cairo_matrix_t& m, const Rect& b) const;
};

// A view's own coordinates: the matrix from its points to the target's pixels, worked out from
// its superview's without touching cairo. Every view of the tree is entered twice a frame (what
// covers what, then drawing); cairo's matrix is only set for what is drawn. False when the view
// shows nothing: hidden, fully transparent or squashed flat.
class ViewSpace {
public:
    ViewSpace(const cairo_matrix_t& parent, View& v, double parentAlpha) {
        if (v.hidden()) return;
        geometry_ = v.presentation();
        alpha_ = parentAlpha * geometry_.alpha;
        const AffineTransform& t = geometry_.transform;
        if (alpha_ <= 0 || t.determinant() == 0) return;
        // The same steps, in the same order, as cairo_translate, cairo_transform, cairo_translate.
        matrix_ = parent;
        cairo_matrix_translate(&matrix_, geometry_.center.x, geometry_.center.y);
        cairo_matrix_t m;
        cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
        cairo_matrix_multiply(&matrix_, &m, &matrix_);
        cairo_matrix_translate(&matrix_, -geometry_.bounds.midX(), -geometry_.bounds.midY());
        entered_ = true;
    }

    explicit operator bool() const { return entered_; }
    const ViewGeometry& geometry() const { return geometry_; }
    const cairo_matrix_t& matrix() const { return matrix_; }
    // The view's alpha times its superviews'.
    double alpha() const { return alpha_; }

private:
    cairo_matrix_t matrix_{};
    ViewGeometry geometry_;
    double alpha_ = 0;
    bool entered_ = false;
};

bool axisAligned(const cairo_matrix_t& m) { return m.xy == 0 && m.yx == 0; }

// `r` in device space; only meaningful when the matrix is axis-aligned.
DeviceRect toDevice(const cairo_matrix_t& m, const Rect& r) {
    double ax = r.minX(), ay = r.minY(), bx = r.maxX(), by = r.maxY();
    cairo_matrix_transform_point(&m, &ax, &ay);
    cairo_matrix_transform_point(&m, &bx, &by);
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
}

// The device box around `r` under any matrix, turned ones too.
DeviceRect boxOnDevice(const cairo_matrix_t& m, const Rect& r) {
    DeviceRect box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (double x : {double(r.minX()), double(r.maxX())})
        for (double y : {double(r.minY()), double(r.maxY())}) {
            double dx = x, dy = y;
            cairo_matrix_transform_point(&m, &dx, &dy);
            box = {std::min(box.x0, dx), std::min(box.y0, dy), std::max(box.x1, dx), std::max(box.y1, dy)};
        }
    return box;
}

// True when the view's content, kept at `scale`, lands pixel for pixel on whole device pixels
// and the view is opaque: then it covers its bounds exactly. Stretched or turned content is
// filtered, and its edges let what is beneath show through.
bool contentCoversExactly(const cairo_matrix_t& m, const View& v, const ViewGeometry& g, float scale) {
    if (!v.opaque() || v.drawsNothing()) return false;
    if (g.bounds.width() != v.bounds().width() || g.bounds.height() != v.bounds().height()) return false;
    auto whole = [](double d) { return std::fabs(d - std::round(d)) < 1e-6; };
    return m.xy == 0 && m.yx == 0 && std::fabs(m.xx - scale) < 1e-6 && std::fabs(m.yy - scale) < 1e-6 &&
           whole(m.x0 + m.xx * g.bounds.x()) && whole(m.y0 + m.yy * g.bounds.y());
}

// Where `b` (points) may leave marks in device space: stretched content is filtered and spills up
// to a stretched pixel beyond its bounds. Only meaningful when the matrix is axis-aligned.
DeviceRect withSpill(const cairo_matrix_t& m, const Rect& b, float scale) {
    const double spill = std::ceil(std::max(std::fabs(m.xx), std::fabs(m.yy)) / scale) + 1;
    const DeviceRect area = toDevice(m, b);
    return {area.x0 - spill, area.y0 - spill, area.x1 + spill, area.y1 + spill};
}

// The same for any matrix: a stretched pixel reaches as far as a step along both axes.
DeviceRect reachOf(const cairo_matrix_t& m, const Rect& b, float scale) {
    const double spill = std::ceil((std::fabs(m.xx) + std::fabs(m.xy) + std::fabs(m.yx) + std::fabs(m.yy)) / scale) + 1;
    const DeviceRect area = boxOnDevice(m, b);
    return {area.x0 - spill, area.y0 - spill, area.x1 + spill, area.y1 + spill};
}

// Walks the tree in drawing order, as the drawing will, numbering the views, noting what each
// opaque one covers and how far each subtree reaches.
class OcclusionCollector {
public:
    explicit OcclusionCollector(Occlusion& occ) : occ_(occ) {}

    void collectView(const cairo_matrix_t& parent, View& v, double parentAlpha, const std::optional<DeviceRect>& clip) {
        ViewSpace space(parent, v, parentAlpha);
        if (space) collectInner(space.matrix(), v, space.geometry(), space.alpha(), clip);
    }

    // `v` with its coordinates `m`.
    void collectInner(const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha,
                      std::optional<DeviceRect> clip) {
        const int order = int(occ_.views.size());
        occ_.views.push_back({&v, clip, reachOf(m, g.bounds, occ_.scale), v.needsDisplay()});
        std::optional<DeviceRect> reach = occ_.views.back().reach;
        bool busy = occ_.views.back().busy;
        Layer* layer = v.layerIfAny();
        if (layer && layer->hasRunningTransitions()) {
            // Drawn without occlusion, covers nothing; its subviews are drawn aside.
            occ_.views[size_t(order)].busy = true;
            occ_.views[size_t(order)].reach.reset();
            return;
        }
        const bool aligned = axisAligned(m);
        const DeviceRect own = aligned ? toDevice(m, g.bounds) : DeviceRect{};
        if (v.clipsToBounds()) {
            // A turned clip: nothing inside may claim to cover anything, and its subviews are
            // not followed.
            if (!aligned) {
                occ_.views[size_t(order)].reach.reset();
                return;
            }
            clip = clip ? clip->intersection(own) : own;
        }
        const auto bg = v.backgroundColor();
        const bool fills = (bg && bg->a >= 1) || contentCoversExactly(m, v, g, occ_.scale);
        if (aligned && fills && alpha >= 1) {
            DeviceRect r = clip ? own.intersection(*clip) : own;
            // Partly covered edge pixels are blended: only whole pixels count.
            r = {std::ceil(r.x0 - 1e-6), std::ceil(r.y0 - 1e-6), std::floor(r.x1 + 1e-6), std::floor(r.y1 + 1e-6)};
            if (!r.empty()) occ_.occluders.push_back({order, r});
        }
        for (auto& s : v.subviews()) {
            const size_t first = occ_.views.size();
            collectView(m, *s, alpha, clip);
            if (occ_.views.size() == first) continue;  // shows nothing
            const Occlusion::Entry& sub = occ_.views[first];
            busy = busy || sub.busy;
            if (reach && sub.reach)
                reach = DeviceRect{std::min(reach->x0, sub.reach->x0), std::min(reach->y0, sub.reach->y0),
                                   std::max(reach->x1, sub.reach->x1), std::max(reach->y1, sub.reach->y1)};
            else
                reach.reset();
        }
        Occlusion::Entry& e = occ_.views[size_t(order)];
        e.reach = reach;
        e.busy = busy;
    }

private:
    Occlusion& occ_;
};

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
    (made ? made.get() : old)->contentChanged();
    v.clearNeedsDisplay();
    if (v.drawsNothing()) {
        v.setBacking(nullptr);
        return nullptr;
    }
    if (made) v.setBacking(std::move(made));
    return v.backing();
}

// The scale from a backing's pixels to `r` (points), which they cover.
struct CoverScale {
    double x, y;
};
CoverScale coverScale(const ViewBacking& bk, const Rect& r) {
    return {r.width() / (bk.pixelWidth() / bk.scale()) / bk.scale(),
            r.height() / (bk.pixelHeight() / bk.scale()) / bk.scale()};
}

// Paints a backing so that it covers `r` (points).
void paintBacking(cairo_t* cr, const ViewBacking& bk, const Rect& r, double alpha = 1) {
    if (r.isEmpty()) return;
    cairo_save(cr);
    cairo_translate(cr, r.x(), r.y());
    const CoverScale s = coverScale(bk, r);
    cairo_scale(cr, s.x, s.y);
    cairo_set_source_surface(cr, bk.surface(), 0, 0);
    if (alpha >= 1) cairo_paint(cr);
    else cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

bool DrawPass::outsideLimit(const cairo_matrix_t& m, const Rect& b) const {
    if (!occlusion || !occlusion->limit || !axisAligned(m)) return false;
    return withSpill(m, b, scale).intersection(*occlusion->limit).empty();
}

void drawView(const DrawPass& pass, const cairo_matrix_t& parent, View& v, double parentAlpha);

std::optional<PixelBox> wholePixels(const DeviceRect& r) { return PixelBox::onWholePixels(r.x0, r.y0, r.x1, r.y1); }

// The pixels a view may touch in `area` (device space): its superviews' clips and the part drawn
// again, on whole pixels of the target. Nothing when an edge falls inside a pixel; an empty box
// when nothing is visible.
std::optional<PixelBox> clipOnPixels(const DrawPass& pass, const Occlusion::Entry& entry, const DeviceRect& area) {
    DeviceRect box = area.intersection({0, 0, double(pass.rows->width), double(pass.rows->height)});
    for (const auto& c : {entry.clip, pass.occlusion->limit})
        if (c) box = box.intersection(*c);
    if (box.empty()) return PixelBox{};
    return wholePixels(box);
}

// Writes into the target's pixels between Cairo's own drawing, as Cairo asks: its pending
// drawing done before, its knowledge of the pixels dropped after.
template <typename Write>
void writeDirectly(const DrawPass& pass, Write write) {
    cairo_surface_t* target = cairo_get_target(pass.cr);
    cairo_surface_flush(target);
    write();
    cairo_surface_mark_dirty(target);
}

// A live view that writes its pixels itself, with no drawing context in between: the camera
// preview, thirty times a second. False when it cannot here.
bool drawLiveDirect(const DrawPass& pass, const cairo_matrix_t& m, View& v, const Occlusion::Entry& entry) {
    if (!pass.rows) return false;
    const auto clip = clipOnPixels(pass, entry, toDevice(m, v.bounds()));
    if (!clip) return false;
    bool drawn = false;
    writeDirectly(pass, [&] { drawn = v.drawLiveInto(LiveTarget{*pass.rows, *clip, m.xx, m.yy, m.x0, m.y0}); });
    return drawn;
}

// A background on whole pixels, without Cairo: the same bytes, less setting up. False (nothing
// drawn) when it must go through Cairo.
bool fillDirect(const DrawPass& pass, const cairo_matrix_t& m, int order, const Color& bg, const Rect& b, double alpha,
                const DeviceRect& hole) {
    if (order < 0 || !pass.rows || !axisAligned(m)) return false;
    const auto rect = wholePixels(toDevice(m, b));
    const auto clip = rect ? clipOnPixels(pass, pass.occlusion->views[size_t(order)], toDevice(m, b)) : std::nullopt;
    if (!clip) return false;
    const uint32_t color = PixelBlender::premultiplied(bg.r, bg.g, bg.b, bg.a * alpha);
    auto fill = [&](PixelBox box) {
        box = {std::max(box.x0, clip->x0), std::max(box.y0, clip->y0), std::min(box.x1, clip->x1), std::min(box.y1, clip->y1)};
        if (!box.empty()) PixelBlender::fill(*pass.rows, box, color);
    };
    if (hole.empty()) {
        writeDirectly(pass, [&] { fill(*rect); });
        return true;
    }
    // The rectangle less the hole inside it: above, below, left and right of it.
    const auto h = wholePixels(hole);
    if (!h) return false;
    writeDirectly(pass, [&] {
        fill({rect->x0, rect->y0, rect->x1, h->y0});
        fill({rect->x0, h->y1, rect->x1, rect->y1});
        fill({rect->x0, h->y0, h->x0, h->y1});
        fill({h->x1, h->y0, rect->x1, h->y1});
    });
    return true;
}


// A live view straight onto the target, where its content lands pixel for pixel: no copy kept
// aside, nothing to paint again. False (nothing drawn) when it must go the usual way.
bool drawLive(const DrawPass& pass, const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha) {
    cairo_t* cr = pass.cr;
    if (!v.isLive() || !pass.occlusion || alpha < 1 || !contentCoversExactly(m, v, g, pass.scale)) return false;
    const Occlusion::Entry* entry = pass.occlusion->find(v);
    if (!entry) return false;
    v.setDrawsNothing(false);
    if (drawLiveDirect(pass, m, v, *entry)) {
        v.clearNeedsDisplay();
        v.setBacking(nullptr);
        return true;
    }
    cairo_surface_t* target = cairo_get_target(cr);
    std::unique_ptr<SurfaceContext> made;
    SurfaceContext* ctx = pass.live;
    if (!ctx) {
        made = SurfaceContext::createForSurface(target, pass.scale);
        if (!made) return false;
        ctx = made.get();
    }
    // Whatever the view does to the context is undone for the next frame.
    ctx->saveGState();
    cairo_t* direct = ctx->cairo();
    cairo_identity_matrix(direct);
    for (const auto& c : {entry->clip, pass.occlusion->limit}) {
        if (!c) continue;
        cairo_rectangle(direct, c->x0, c->y0, c->x1 - c->x0, c->y1 - c->y0);
        cairo_clip(direct);
    }
    cairo_set_matrix(direct, &m);
    ctx->clipToRect(v.bounds());
    v.drawRect(*ctx, v.bounds());
    ctx->restoreGState();
    cairo_surface_flush(target);
    cairo_surface_mark_dirty(target);
    v.clearNeedsDisplay();
    v.setBacking(nullptr);
    return true;
}

// Fills the bounds with the background colour, leaving out `hole` (device space, may be empty):
// the part later views cover.
void fillBackground(cairo_t* cr, const Color& bg, const Rect& b, double alpha, const DeviceRect& hole) {
    cairo_set_source_rgba(cr, bg.r, bg.g, bg.b, bg.a * alpha);
    cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
    if (!hole.empty()) {
        // A hole in the rectangle, filled even-odd.
        double x0 = hole.x0, y0 = hole.y0, x1 = hole.x1, y1 = hole.y1;
        cairo_device_to_user(cr, &x0, &y0);
        cairo_device_to_user(cr, &x1, &y1);
        cairo_rectangle(cr, std::min(x0, x1), std::min(y0, y1), std::fabs(x1 - x0), std::fabs(y1 - y0));
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    }
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// Where a view's content lands in its presented bounds `b`: content is drawn at the model size,
// and a bounds animation stretches it.
Rect contentRect(const View& v, const Rect& b) {
    const Rect model = v.bounds();
    return {b.x(), b.y(), model.width() * (model.width() > 0 ? b.width() / model.width() : 1),
            model.height() * (model.height() > 0 ? b.height() / model.height() : 1)};
}

void paintContent(cairo_t* cr, const View& v, const ViewBacking& bk, const Rect& b, double alpha) {
    paintBacking(cr, bk, contentRect(v, b), alpha);
}

// Content whose pixels land one for one on whole pixels of the target, without Cairo. False
// (nothing drawn) when it must go through Cairo.
bool paintDirect(const DrawPass& pass, const cairo_matrix_t& m, int order, const View& v, const ViewBacking& bk,
                 const Rect& b, double alpha) {
    if (order < 0 || !pass.rows) return false;
    // Where paintContent would put it, by the same steps.
    const Rect r = contentRect(v, b);
    if (r.isEmpty()) return true;
    cairo_matrix_t p = m;
    cairo_matrix_translate(&p, r.x(), r.y());
    const CoverScale cover = coverScale(bk, r);
    cairo_matrix_scale(&p, cover.x, cover.y);
    if (p.xx != 1 || p.yy != 1 || p.xy != 0 || p.yx != 0) return false;
    const auto at = wholePixels({p.x0, p.y0, p.x0 + bk.pixelWidth(), p.y0 + bk.pixelHeight()});
    if (!at) return false;
    const DeviceRect area{double(at->x0), double(at->y0), double(at->x1), double(at->y1)};
    const auto clip = clipOnPixels(pass, pass.occlusion->views[size_t(order)], area);
    if (!clip) return false;
    if (clip->empty()) return true;
    cairo_surface_t* s = bk.surface();
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t* source = cairo_image_surface_get_data(s) + size_t(clip->y0 - at->y0) * size_t(stride) +
                            size_t(clip->x0 - at->x0) * 4;
    const bool opaque = cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24;
    writeDirectly(pass, [&] {
        PixelBlender::paint(*pass.rows, *clip, source, stride, opaque, alpha >= 1 ? 255 : PixelBlender::opacity(alpha));
    });
    return true;
}

// The view's background and cached content, leaving out what later opaque views cover.
void drawOwnLook(const DrawPass& pass, const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha) {
    cairo_t* cr = pass.cr;
    const Rect& b = g.bounds;
    // Over the live preview only a small part of the screen is drawn again, thirty times a
    // second: a view wholly outside it is passed over, its content kept for later.
    if (!v.needsDisplay() && pass.outsideLimit(m, b)) return;
    ViewBacking* bk = contentOf(v, pass.scale);
    // Under an opaque view's content the background would never be seen.
    const bool hidesBackground = bk && alpha >= 1 && contentCoversExactly(m, v, g, pass.scale);
    const int order = pass.orderOf(v);
    const bool aligned = order >= 0 && axisAligned(m);
    std::optional<DeviceRect> visible = DeviceRect{};
    if (aligned) visible = pass.occlusion->visibleCut(order, toDevice(m, b));
    if (auto bg = v.backgroundColor(); bg && bg->a > 0 && !hidesBackground && visible &&
                                       !fillDirect(pass, m, order, *bg, b, alpha, *visible)) {
        cairo_set_matrix(cr, &m);
        fillBackground(cr, *bg, b, alpha, *visible);
    }
    if (!bk) return;
    // Stretched content is filtered and spills up to a stretched pixel beyond its bounds: it
    // may only be left out when that margin is covered too.
    bool contentCovered = false;
    if (aligned && !hidesBackground) {
        contentCovered = !pass.occlusion->visibleCut(order, withSpill(m, b, pass.scale));
    } else if (!visible) {
        contentCovered = true;  // lands on whole pixels, all of them covered
    }
    if (!contentCovered && !bk->isClear() && !paintDirect(pass, m, order, v, *bk, b, alpha)) {
        cairo_set_matrix(cr, &m);
        paintContent(cr, v, *bk, b, alpha);
    }
}

// The view's own look in its bounds coordinates, without a running transition. Opacity applies
// to the background, the content and each subview separately (no group opacity), as on the
// original platform: it is also what keeps composing cheap.
void drawLook(const DrawPass& pass, const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha) {
    if (!drawLive(pass, m, v, g, alpha)) drawOwnLook(pass, m, v, g, alpha);
    for (auto& s : v.subviews()) drawView(pass, m, *s, alpha);
}

// How far a running transition has got, from 0 to 1 along its timing curve.
double transitionProgress(const Layer::Running& r) {
    const Transition& t = r.transition;
    const double frac = t.duration > 0 ? std::clamp((animation::now() - r.beginTime) / t.duration, 0.0, 1.0) : 1.0;
    return t.progressAt(frac);
}

// The two looks of a running transition, painted at offsets in points with an alpha each.
struct TwoLooks {
    cairo_t* cr;
    cairo_pattern_t* fresh;       // the new look, drawn aside
    const ViewBacking* oldLook;   // null: nothing was on screen
    Rect bounds;
    double alpha;  // the view's alpha in the tree

    void paintNew(double x, double y, double a) const {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_set_source(cr, fresh);
        if (a * alpha >= 1) cairo_paint(cr);
        else cairo_paint_with_alpha(cr, a * alpha);
        cairo_restore(cr);
    }
    void paintOld(double x, double y, double a) const {
        if (oldLook) paintBacking(cr, *oldLook, bounds.offsetBy(float(x), float(y)), a * alpha);
    }
};

// The old look giving way to the new, `p` of the way through.
void paintTransition(const TwoLooks& looks, const Transition& t, double p) {
    const double w = looks.bounds.width(), h = looks.bounds.height();
    double dx = 0, dy = 0;  // the direction the new look comes from, as a unit step
    switch (t.subtype) {
        case TransitionSubtype::FromLeft: dx = -1; break;
        case TransitionSubtype::FromRight:
        case TransitionSubtype::None: dx = 1; break;
        case TransitionSubtype::FromTop: dy = -1; break;
        case TransitionSubtype::FromBottom: dy = 1; break;
    }
    switch (t.type) {
        case TransitionType::Fade:
            // A true cross-fade: old * (1 - p) + new * p.
            cairo_push_group(looks.cr);
            looks.paintOld(0, 0, (1 - p) / looks.alpha);
            cairo_set_operator(looks.cr, CAIRO_OPERATOR_ADD);
            looks.paintNew(0, 0, p / looks.alpha);
            cairo_pop_group_to_source(looks.cr);
            cairo_paint_with_alpha(looks.cr, looks.alpha);
            break;
        case TransitionType::Push:
            looks.paintOld(-dx * w * p, -dy * h * p, 1);
            looks.paintNew(dx * w * (1 - p), dy * h * (1 - p), 1);
            break;
        case TransitionType::MoveIn:
            looks.paintOld(0, 0, 1);
            looks.paintNew(dx * w * (1 - p), dy * h * (1 - p), 1);
            break;
        case TransitionType::Reveal:
            looks.paintNew(0, 0, 1);
            looks.paintOld(-dx * w * p, -dy * h * p, 1);
            break;
    }
}

void drawTransition(const DrawPass& pass, const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha,
                    const Layer::Running& r) {
    cairo_t* cr = pass.cr;
    const double p = transitionProgress(r);
    const Rect& b = g.bounds;
    cairo_save(cr);
    cairo_set_matrix(cr, &m);
    cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
    cairo_clip(cr);
    // The new look is drawn aside and moved into place: what covers what is unknown there.
    cairo_push_group(cr);
    drawLook(pass.aside(), m, v, g, 1);
    cairo_pattern_t* fresh = cairo_pop_group(cr);
    cairo_set_matrix(cr, &m);
    paintTransition({cr, fresh, r.oldLook.get(), b, alpha}, r.transition, p);
    cairo_pattern_destroy(fresh);
    cairo_restore(cr);
}

// `v` with its coordinates already set up on the target: its look, or its running transition.
void drawInner(const DrawPass& pass, const cairo_matrix_t& m, View& v, const ViewGeometry& g, double alpha) {
    Layer* layer = v.layerIfAny();
    if (layer && layer->hasRunningTransitions()) drawTransition(pass, m, v, g, alpha, layer->running().back());
    else drawLook(pass, m, v, g, alpha);
}

void drawView(const DrawPass& pass, const cairo_matrix_t& parent, View& v, double parentAlpha) {
    if (v.hidden()) return;
    // A subtree wholly outside the part drawn again, with nothing in it to draw afresh, is not
    // even entered: most of the screen, thirty times a second, under the live preview.
    if (pass.occlusion && pass.occlusion->limit) {
        const int order = pass.orderOf(v);
        if (order >= 0 && pass.occlusion->passesOver(order)) return;
    }
    ViewSpace space(parent, v, parentAlpha);
    if (!space) return;
    const ViewGeometry& g = space.geometry();
    if (!v.clipsToBounds()) {
        drawInner(pass, space.matrix(), v, g, space.alpha());
        return;
    }
    cairo_save(pass.cr);
    cairo_set_matrix(pass.cr, &space.matrix());
    cairo_rectangle(pass.cr, g.bounds.x(), g.bounds.y(), g.bounds.width(), g.bounds.height());
    cairo_clip(pass.cr);
    drawInner(pass, space.matrix(), v, g, space.alpha());
    cairo_restore(pass.cr);
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
    SurfaceContext* surface = own_.context.get();
    if (!surface || surface->pixelWidth() != pw || surface->pixelHeight() != ph || surface->scale() != scale_) {
        own_ = {};
        lastTarget_ = {};
        own_.context = SurfaceContext::create(pw, ph, scale_, true);
        if (!own_.context) return false;
        cairo_surface_t* s = own_.context->surface();
        own_.id = {cairo_image_surface_get_data(s), pw, ph, cairo_image_surface_get_stride(s), scale_};
    }
    drawWindow(own_, window);
    return true;
}

bool Compositor::composite(Window& window, uint8_t* pixels, int pixelWidth, int pixelHeight, int bytesPerRow) {
    KESTROVA_ASSERT_MAIN_THREAD();
    const Rect b = window.bounds();
    if (!pixels || pixelWidth != toPixels(b.width(), scale_) || pixelHeight != toPixels(b.height(), scale_) ||
        pixelWidth <= 0 || pixelHeight <= 0 || bytesPerRow < pixelWidth * 4 || bytesPerRow % 4 != 0)
        return false;
    const TargetId id{pixels, pixelWidth, pixelHeight, bytesPerRow, scale_};
    if (!external_.context || !(external_.id == id)) {
        external_ = {};
        cairo_surface_t* s =
            cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, pixelWidth, pixelHeight, bytesPerRow);
        external_.context = SurfaceContext::createForSurface(s, scale_);
        cairo_surface_destroy(s);  // the context holds its own reference
        if (!external_.context) return false;
        external_.id = id;
    }
    drawWindow(external_, window);
    return true;
}

void Compositor::drawWindow(Target& to, Window& window) {
    SurfaceContext& target = *to.context;
    const TargetId& id = to.id;
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
        occlusion.views.reserve(64);
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        OcclusionCollector(occlusion).collectInner(m, window, g, g.alpha, std::nullopt);
        if (!to.live) to.live = SurfaceContext::createForSurface(target.surface(), scale_);
        // Both targets are 32-bit image surfaces made here, their rows known once a frame.
        cairo_surface_t* s = target.surface();
        const PixelRows rows{cairo_image_surface_get_data(s), cairo_image_surface_get_width(s),
                             cairo_image_surface_get_height(s), cairo_image_surface_get_stride(s)};
        drawInner({cr, scale_, &occlusion, to.live.get(), rows.pixels ? &rows : nullptr}, m, window, g, g.alpha);
    }
    cairo_restore(cr);
    cairo_surface_flush(target.surface());
    window.clearNeedsComposite();
}

ImageRef Compositor::image() const { return own_.context ? own_.context->makeImage() : nullptr; }

bool Compositor::writePNG(const std::filesystem::path& path) const {
    return own_.context && own_.context->writePNG(path);
}

const uint8_t* Compositor::pixels() const {
    return own_.context ? cairo_image_surface_get_data(own_.context->surface()) : nullptr;
}
int Compositor::bytesPerRow() const {
    return own_.context ? cairo_image_surface_get_stride(own_.context->surface()) : 0;
}
int Compositor::pixelWidth() const { return own_.context ? own_.context->pixelWidth() : 0; }
int Compositor::pixelHeight() const { return own_.context ? own_.context->pixelHeight() : 0; }

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
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    drawInner({cr, scale, nullptr, nullptr}, m, view, g, 1);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return std::make_shared<ViewBacking>(s, scale, pw, ph);
}

}  // namespace platform
