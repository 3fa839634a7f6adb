#include "platform/ui/View.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/ui/Layer.h"
#include "platform/ui/InterfaceValue.h"
#include "platform/ui/ViewAnimationState.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace platform {

// --- ViewGeometry ---

Point ViewGeometry::toSuperview(Point p) const {
    Point local{p.x - bounds.midX(), p.y - bounds.midY()};
    Point t = transform.apply(local);
    return {t.x + center.x, t.y + center.y};
}

Point ViewGeometry::fromSuperview(Point p) const {
    Point local = transform.inverted().apply({p.x - center.x, p.y - center.y});
    return {local.x + bounds.midX(), local.y + bounds.midY()};
}

Rect ViewGeometry::frame() const {
    Rect local{-bounds.width() / 2, -bounds.height() / 2, bounds.width(), bounds.height()};
    return transform.applyToRect(local).offsetBy(center.x, center.y);
}

// --- View ---

View::View(const Rect& frame) {
    model_.center = frame.center();
    model_.bounds = {0, 0, frame.width(), frame.height()};
}

View::~View() {
    // Children first, so that their touches and animations go while their superview still exists.
    while (!subviews_.empty()) {
        std::unique_ptr<View> last = std::move(subviews_.back());
        subviews_.pop_back();
        last->superview_ = nullptr;
        last.reset();
    }
    for (Window* w : Window::allWindows()) w->viewWillBeDestroyed(this);
    if (animationState_ || layer_) animation::viewDestroyed(*this);
}

Rect View::frame() const { return model_.frame(); }

void View::setFrame(const Rect& frame) {
    Size size = frame.size;
    const AffineTransform& t = model_.transform;
    if (!t.isIdentity()) {
        // Undo the transform's scale so that frame() gives back what was set (axis-aligned case).
        float sx = std::hypot(t.a, t.b), sy = std::hypot(t.c, t.d);
        if (sx > 0) size.width /= sx;
        if (sy > 0) size.height /= sy;
    }
    setCenter(frame.center());
    setBounds({model_.bounds.origin, size});
}

void View::setBounds(const Rect& bounds) {
    if (bounds.size != model_.bounds.size) setNeedsDisplay();
    ViewGeometry oldModel = model_, oldPresentation = presentation();
    model_.bounds = bounds;
    animation::propertyChanged(*this, AnimatedProperty::Bounds, oldModel, oldPresentation);
    invalidate();
}

void View::setCenter(Point center) {
    ViewGeometry oldModel = model_, oldPresentation = presentation();
    model_.center = center;
    animation::propertyChanged(*this, AnimatedProperty::Center, oldModel, oldPresentation);
    invalidate();
}

void View::setTransform(const AffineTransform& t) {
    ViewGeometry oldModel = model_, oldPresentation = presentation();
    model_.transform = t;
    animation::propertyChanged(*this, AnimatedProperty::Transform, oldModel, oldPresentation);
    invalidate();
}

void View::setAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    ViewGeometry oldModel = model_, oldPresentation = presentation();
    model_.alpha = alpha;
    animation::propertyChanged(*this, AnimatedProperty::Alpha, oldModel, oldPresentation);
    invalidate();
}

ViewGeometry View::presentation() const {
    if (!animationState_ || !animationState_->any()) return model_;
    return animation::presentationOf(*this);
}

bool View::isAnimating() const { return animationState_ && animationState_->any(); }

ViewAnimationState& View::ensureAnimationState() {
    if (!animationState_) animationState_ = std::make_unique<ViewAnimationState>();
    return *animationState_;
}

void View::setHidden(bool hidden) {
    if (hidden_ == hidden) return;
    hidden_ = hidden;
    invalidate();
}

void View::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
    invalidate();
}

void View::setClipsToBounds(bool clips) {
    clipsToBounds_ = clips;
    invalidate();
}

// --- Hierarchy ---

View* View::subviewAt(size_t index) const { return index < subviews_.size() ? subviews_[index].get() : nullptr; }

View* View::addSubview(std::unique_ptr<View> view) { return insertSubviewAtIndex(std::move(view), subviews_.size()); }

View* View::insertSubviewAtIndex(std::unique_ptr<View> view, size_t index) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!view || view.get() == this) return nullptr;
    if (view->superview_) {
        // The caller holds a view that is still in a tree: take it out of that tree first.
        View* raw = view.release();
        std::unique_ptr<View> owned = raw->removeFromSuperview();
        (void)owned.release();  // the same object as raw
        view.reset(raw);
    }
    if (layer_) layer_->willChangeSubviews();
    Window* oldWindow = view->window();
    index = std::min(index, subviews_.size());
    View* raw = view.get();
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), std::move(view));
    raw->superview_ = this;
    raw->didMoveToSuperview();
    if (raw->window() != oldWindow) raw->notifyWindowChanged();
    invalidate();
    return raw;
}

View* View::insertSubviewBelow(std::unique_ptr<View> view, const View* sibling) {
    int i = indexOfSubview(sibling);
    return insertSubviewAtIndex(std::move(view), i < 0 ? subviews_.size() : size_t(i));
}

View* View::insertSubviewAbove(std::unique_ptr<View> view, const View* sibling) {
    int i = indexOfSubview(sibling);
    return insertSubviewAtIndex(std::move(view), i < 0 ? subviews_.size() : size_t(i) + 1);
}

std::unique_ptr<View> View::removeFromSuperview() {
    KESTROVA_ASSERT_MAIN_THREAD();
    View* parent = superview_;
    if (!parent) return nullptr;
    int i = parent->indexOfSubview(this);
    if (i < 0) return nullptr;
    if (parent->layer_) parent->layer_->willChangeSubviews();
    parent->invalidate();
    Window* oldWindow = window();
    std::unique_ptr<View> self = std::move(parent->subviews_[size_t(i)]);
    parent->subviews_.erase(parent->subviews_.begin() + i);
    superview_ = nullptr;
    // Touches stay with the view (as they stick to it) but it no longer gets events from a window.
    if (oldWindow) {
        std::vector<View*> stack{this};
        while (!stack.empty()) {
            View* v = stack.back();
            stack.pop_back();
            oldWindow->viewWillBeDestroyed(v);
            for (auto& s : v->subviews_) stack.push_back(s.get());
        }
    }
    didMoveToSuperview();
    if (oldWindow) notifyWindowChanged();
    return self;
}

void View::bringSubviewToFront(const View* view) {
    int i = indexOfSubview(view);
    if (i < 0 || size_t(i) + 1 == subviews_.size()) return;
    if (layer_) layer_->willChangeSubviews();
    std::rotate(subviews_.begin() + i, subviews_.begin() + i + 1, subviews_.end());
    invalidate();
}

void View::sendSubviewToBack(const View* view) {
    int i = indexOfSubview(view);
    if (i <= 0) return;
    if (layer_) layer_->willChangeSubviews();
    std::rotate(subviews_.begin(), subviews_.begin() + i, subviews_.begin() + i + 1);
    invalidate();
}

int View::indexOfSubview(const View* view) const {
    if (!view) return -1;
    for (size_t i = 0; i < subviews_.size(); ++i)
        if (subviews_[i].get() == view) return int(i);
    return -1;
}

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == view) return true;
    return false;
}

Window* View::window() const {
    const View* v = this;
    while (v->superview_) v = v->superview_;
    for (Window* w : Window::allWindows())
        if (w == v) return w;
    return nullptr;
}

View* View::viewWithTag(int32_t tag) {
    if (tag_ == tag) return this;
    for (auto& s : subviews_)
        if (View* v = s->viewWithTag(tag)) return v;
    return nullptr;
}

View* View::viewWithName(std::string_view name) {
    if (!name.empty() && name_ == name) return this;
    for (auto& s : subviews_)
        if (View* v = s->viewWithName(name)) return v;
    return nullptr;
}

void View::notifyWindowChanged() {
    didMoveToWindow();
    for (auto& s : subviews_) s->notifyWindowChanged();
}

// --- Coordinates ---

AffineTransform View::transformToWindow() const {
    // Own space -> superview: translate by -bounds centre, apply the transform, translate to centre.
    AffineTransform t;
    for (const View* v = this; v->superview_; v = v->superview_) {
        const ViewGeometry& g = v->model_;
        AffineTransform step = AffineTransform::makeTranslation(-g.bounds.midX(), -g.bounds.midY())
                                   .concat(g.transform)
                                   .concat(AffineTransform::makeTranslation(g.center.x, g.center.y));
        t = t.concat(step);
    }
    return t;
}

Point View::convertPointToView(Point p, const View* view) const {
    Point w = transformToWindow().apply(p);
    return view ? view->transformToWindow().inverted().apply(w) : w;
}

Point View::convertPointFromView(Point p, const View* view) const {
    Point w = view ? view->transformToWindow().apply(p) : p;
    return transformToWindow().inverted().apply(w);
}

Rect View::convertRectToView(const Rect& r, const View* view) const {
    AffineTransform t = transformToWindow();
    if (view) t = t.concat(view->transformToWindow().inverted());
    return t.applyToRect(r);
}

bool View::pointInside(Point p, const Event*) const { return model_.bounds.contains(p); }

View* View::hitTest(Point p, const Event* event) {
    if (hidden_ || !userInteractionEnabled_ || model_.alpha < 0.01f) return nullptr;
    if (!pointInside(p, event)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* s = it->get();
        if (View* hit = s->hitTest(s->model_.fromSuperview(p), event)) return hit;
    }
    return this;
}

// --- Drawing ---

void View::drawRect(GraphicsContext&, const Rect&) { drawsNothing_ = true; }

void View::setNeedsDisplay() { setNeedsDisplayInRect(model_.bounds); }

void View::setNeedsDisplayInRect(const Rect& rect) {
    KESTROVA_ASSERT_MAIN_THREAD();
    Rect r = rect.intersection(model_.bounds);
    if (r.isEmpty() && !rect.isEmpty()) r = rect;
    dirtyRect_ = needsDisplay_ ? dirtyRect_.unionWith(r) : r;
    needsDisplay_ = true;
    drawsNothing_ = false;
    if (Window* w = window()) {
        // Only the part drawn again changes on screen: the dirty part of the bounds, or all of
        // them when none of it lies inside.
        Rect drawn = r.intersection(model_.bounds);
        if (drawn.isEmpty()) drawn = model_.bounds;
        if (auto damaged = rectInWindow(drawn)) w->addDamage(*damaged);
        else w->setNeedsComposite();
    }
}

bool View::drawLiveInto(const LiveTarget&) { return false; }

void View::setNeedsLiveUpdate() {
    needsDisplay_ = true;
    if (Window* w = window()) w->requestComposite();
}

std::optional<Rect> View::rectInWindow(const Rect& rect) const {
    float xs[4] = {rect.minX(), rect.maxX(), rect.maxX(), rect.minX()};
    float ys[4] = {rect.minY(), rect.minY(), rect.maxY(), rect.maxY()};
    float stretch = 1;  // how far one point of this view's content spreads on screen
    for (const View* v = this; v; v = v->superview_) {
        if (v->layer_ && v->layer_->hasRunningTransitions()) return std::nullopt;
        const ViewGeometry g = v->presentation();
        if (!v->superview_) {
            // The root: the compositor shows its bounds from their origin.
            if (!dynamic_cast<const Window*>(v)) return std::nullopt;
            float x0 = xs[0], y0 = ys[0], x1 = xs[0], y1 = ys[0];
            for (int i = 1; i < 4; ++i) {
                x0 = std::min(x0, xs[i]), x1 = std::max(x1, xs[i]);
                y0 = std::min(y0, ys[i]), y1 = std::max(y1, ys[i]);
            }
            // Filtered content spills up to one stretched pixel past its edges.
            const float grow = stretch + 1;
            return Rect(x0 - g.bounds.x() - grow, y0 - g.bounds.y() - grow, x1 - x0 + 2 * grow, y1 - y0 + 2 * grow);
        }
        const AffineTransform& t = g.transform;
        stretch *= std::max(std::fabs(t.a) + std::fabs(t.c), std::fabs(t.b) + std::fabs(t.d));
        for (int i = 0; i < 4; ++i) {
            const Point p = g.toSuperview({xs[i], ys[i]});
            xs[i] = p.x, ys[i] = p.y;
        }
    }
    return std::nullopt;
}

void View::clearNeedsDisplay() {
    needsDisplay_ = false;
    dirtyRect_ = {};
}

void View::setBacking(std::unique_ptr<ViewBacking> backing) { backing_ = std::move(backing); }

void View::invalidate() {
    if (Window* w = window()) w->setNeedsComposite();
}

Layer& View::layer() {
    if (!layer_) layer_ = std::make_unique<Layer>(*this);
    return *layer_;
}

// --- Touches ---

void View::touchesBegan(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesBegan(touches, event);
}
void View::touchesMoved(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesMoved(touches, event);
}
void View::touchesEnded(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesEnded(touches, event);
}
void View::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesCancelled(touches, event);
}

// --- Interface files ---

bool View::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "frame") {
        if (auto r = value.asRect()) { setFrame(*r); return true; }
    } else if (key == "bounds") {
        if (auto r = value.asRect()) { setBounds(*r); return true; }
    } else if (key == "center") {
        if (auto p = value.asPoint()) { setCenter(*p); return true; }
    } else if (key == "alpha") {
        if (auto n = value.asNumber()) { setAlpha(float(*n)); return true; }
    } else if (key == "hidden") {
        if (auto b = value.asBool()) { setHidden(*b); return true; }
    } else if (key == "tag") {
        if (auto n = value.asNumber()) { setTag(int32_t(*n)); return true; }
    } else if (key == "userInteractionEnabled") {
        if (auto b = value.asBool()) { setUserInteractionEnabled(*b); return true; }
    } else if (key == "multipleTouchEnabled") {
        if (auto b = value.asBool()) { setMultipleTouchEnabled(*b); return true; }
    } else if (key == "clipsToBounds") {
        if (auto b = value.asBool()) { setClipsToBounds(*b); return true; }
    } else if (key == "opaque") {
        if (auto b = value.asBool()) { setOpaque(*b); return true; }
    } else if (key == "backgroundColor") {
        if (value.isNull()) { setBackgroundColor(std::nullopt); return true; }
        if (auto c = value.asColor()) { setBackgroundColor(*c); return true; }
    } else if (key == "name") {
        if (auto s = value.asString()) { setName(*s); return true; }
    }
    return false;
}

}  // namespace platform
