#pragma once
// A rectangle on screen that draws itself and takes touches. A superview owns its subviews.
//
// Geometry follows the original platform: `center` is in the superview's coordinates, `bounds`
// in the view's own, and `transform` turns the view about its centre. `frame` is derived from
// them. Inside an animation block (ViewAnimation) setting center, bounds, frame, transform or
// alpha changes the model value at once while the presentation value, which the compositor
// draws, follows over the animation's duration.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"
#include "platform/ui/Object.h"
#include "platform/ui/Touch.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Event;
class GraphicsContext;
class Layer;
class InterfaceValue;
struct LiveTarget;
class ViewBacking;
class Window;
struct ViewAnimationState;

// The animatable part of a view.
struct ViewGeometry {
    Point center;
    Rect bounds;
    AffineTransform transform;
    float alpha = 1;

    // The bounding box of the transformed bounds, in superview coordinates.
    Rect frame() const;
    // Maps a point of the view's own space into its superview's.
    Point toSuperview(Point p) const;
    Point fromSuperview(Point p) const;
};

class View : public Object {
public:
    explicit View(const Rect& frame = {});
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // --- Geometry (model values) ---
    Rect frame() const;
    // Sets center and bounds size; with a non-identity transform the size is taken back through it.
    void setFrame(const Rect& frame);
    Rect bounds() const { return model_.bounds; }
    void setBounds(const Rect& bounds);
    Point center() const { return model_.center; }
    void setCenter(Point center);
    AffineTransform transform() const { return model_.transform; }
    void setTransform(const AffineTransform& t);
    float alpha() const { return model_.alpha; }
    void setAlpha(float alpha);
    const ViewGeometry& model() const { return model_; }

    // What is on screen now: the model value, or the running animation's current value.
    ViewGeometry presentation() const;
    bool isAnimating() const;

    // --- Appearance and behaviour ---
    bool hidden() const { return hidden_; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool userInteractionEnabled() const { return userInteractionEnabled_; }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    // Recorded for interface files; every touch reaches its view either way, since handlers count
    // fingers from the event.
    bool multipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
    // Null: no background (clear).
    std::optional<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    // An opaque view promises to fill its bounds; the compositor may skip what lies beneath.
    bool opaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    // A live view's content changes about as often as the screen is refreshed (a camera
    // preview). When it is opaque and drawn upright at full opacity, the compositor draws it
    // straight onto the screen each time instead of keeping a copy aside, so drawRect then runs
    // at every composite and must be cheap to call again.
    virtual bool isLive() const { return false; }
    // A live view that can put its content straight into the screen's pixels does so here and
    // returns true; false, with nothing drawn, sends it through drawRect instead.
    virtual bool drawLiveInto(const LiveTarget& target);
    int32_t tag() const { return tag_; }
    void setTag(int32_t tag) { tag_ = tag; }
    // The outlet or field name that scripts use (`tap @snapButton`); empty when unnamed.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // --- Hierarchy ---
    View* superview() const { return superview_; }
    // In stacking order, back to front.
    const std::vector<std::unique_ptr<View>>& subviews() const { return subviews_; }
    size_t subviewCount() const { return subviews_.size(); }
    View* subviewAt(size_t index) const;
    // Adds `view` in front of the others and returns it. A null view is ignored (returns null).
    View* addSubview(std::unique_ptr<View> view);
    // Inserts at `index` (clamped to the end).
    View* insertSubviewAtIndex(std::unique_ptr<View> view, size_t index);
    View* insertSubviewBelow(std::unique_ptr<View> view, const View* sibling);
    View* insertSubviewAbove(std::unique_ptr<View> view, const View* sibling);
    // Detaches this view and hands it back; null when it has no superview.
    std::unique_ptr<View> removeFromSuperview();
    // Moves `view` (a subview) to the front; does nothing for a view that is not a subview.
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    // The position of `view` among the subviews, or -1.
    int indexOfSubview(const View* view) const;
    bool isDescendantOf(const View* view) const;
    // The window this view is in; null when it is not in one.
    Window* window() const;
    // This view or the first descendant (depth first) with that tag / name.
    View* viewWithTag(int32_t tag);
    View* viewWithName(std::string_view name);

    // --- Coordinates and hit testing (model values) ---
    // Converts from this view's space into `view`'s (null: the window's).
    Point convertPointToView(Point p, const View* view) const;
    Point convertPointFromView(Point p, const View* view) const;
    Rect convertRectToView(const Rect& r, const View* view) const;
    // This view's space -> window space.
    AffineTransform transformToWindow() const;
    // Whether `p` (own coordinates) lies inside the view.
    virtual bool pointInside(Point p, const Event* event) const;
    // The frontmost view under `p` (own coordinates): hidden views, views that take no touches
    // and views at alpha below 0.01 are skipped with their subviews. Null when none.
    virtual View* hitTest(Point p, const Event* event);

    // --- Drawing ---
    // Draws the view's content in its own coordinates (y down). The result is kept until
    // setNeedsDisplay; the base class draws nothing (the background is the compositor's).
    virtual void drawRect(GraphicsContext& context, const Rect& rect);
    void setNeedsDisplay();
    void setNeedsDisplayInRect(const Rect& rect);
    // A live view's refresh: drawing is due, but what changed is only known once the compositor
    // asks, through willBeComposited.
    void setNeedsLiveUpdate();
    // Called on a shown live view that needs display before the compositor works out what to draw
    // again: the place to fetch new content and narrow the part that needs display.
    virtual void willBeComposited() {}
    // Where `rect` (own coordinates) lands in the window, grown by the spill of filtered content;
    // nothing when the view is not in a window or a transition on the way moves it elsewhere.
    std::optional<Rect> rectInWindow(const Rect& rect) const;
    bool needsDisplay() const { return needsDisplay_; }
    // The part to redraw (bounds coordinates); empty when nothing is pending.
    Rect dirtyRect() const { return dirtyRect_; }

    // The Core Animation role: transitions are added to a view's layer under a key.
    Layer& layer();

    // --- Touches: the view's own touches, and the event with every touch on the screen ---
    // The base class passes them on to the superview.
    virtual void touchesBegan(const TouchSet& touches, const Event& event);
    virtual void touchesMoved(const TouchSet& touches, const Event& event);
    virtual void touchesEnded(const TouchSet& touches, const Event& event);
    virtual void touchesCancelled(const TouchSet& touches, const Event& event);

    // --- Interface files ---
    // frame, bounds, center, alpha, hidden, tag, userInteractionEnabled, multipleTouchEnabled,
    // clipsToBounds, opaque, backgroundColor, name.
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

    // Tells the window that something on screen changed (drawing or geometry).
    void invalidate();

    // --- For the compositor and the animation system ---
    ViewBacking* backing() const { return backing_.get(); }
    void setBacking(std::unique_ptr<ViewBacking> backing);
    void clearNeedsDisplay();
    // Set when the base drawRect ran: the view draws nothing of its own.
    bool drawsNothing() const { return drawsNothing_; }
    void setDrawsNothing(bool v) { drawsNothing_ = v; }
    ViewAnimationState* animationState() const { return animationState_.get(); }
    ViewAnimationState& ensureAnimationState();
    Layer* layerIfAny() const { return layer_.get(); }

protected:
    // Called when the view moved to another superview or window (null when removed).
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}

private:
    friend class Window;
    void setModelCenter(Point c);
    void setModelBounds(const Rect& b);
    void setModelTransform(const AffineTransform& t);
    void setModelAlpha(float a);
    void attach(View* parent);
    void notifyWindowChanged();

    ViewGeometry model_;
    bool hidden_ = false;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    bool clipsToBounds_ = false;
    bool opaque_ = false;
    std::optional<Color> backgroundColor_;
    int32_t tag_ = 0;
    std::string name_;

    View* superview_ = nullptr;
    std::vector<std::unique_ptr<View>> subviews_;

    bool needsDisplay_ = true;
    bool drawsNothing_ = false;
    Rect dirtyRect_;
    std::unique_ptr<ViewBacking> backing_;
    std::unique_ptr<Layer> layer_;
    std::unique_ptr<ViewAnimationState> animationState_;
};

}  // namespace platform
