#pragma once
// The quick view's stack of the last four pictures at one side of the camera page. It places its
// thumbnails as subviews of the host view: collapsed they lie almost on top of each other, the
// newest in front at y 360; fanned out they stand in a column 84.2 points apart. Only the newest
// is active (answers touches while collapsed). It also remembers the thumbnail touched last, for
// deletion.
#include "platform/foundation/Geometry.h"
#include "ui/quickview/ThumbnailViewManager.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class View;
}

namespace kestrova {

class ThumbnailView;
class ThumbnailViewDelegate;

class ThumbnailManager final : public ThumbnailViewManager {
public:
    static constexpr float kSmallScale = 0.2f;
    static constexpr float kFullScale = 1.0f;
    static constexpr float kStackBaseline = 360.0f;
    static constexpr float kEdgeInset = 31.6f;
    static constexpr float kFanStep = 84.2f;
    static constexpr int kCollapsedSpan = 15;
    static constexpr double kRedrawDuration = 0.3;
    static constexpr size_t kListLimit = 4;

    // `superview` is borrowed and must outlive the manager; any side but the left is the right.
    ThumbnailManager(platform::View* superview, DockSide dockSide);
    // Takes every thumbnail off the host view.
    ~ThumbnailManager() override;
    ThumbnailManager(const ThumbnailManager&) = delete;
    ThumbnailManager& operator=(const ThumbnailManager&) = delete;

    // May be null.
    void setDelegate(ThumbnailViewDelegate* delegate) { delegate_ = delegate; }
    ThumbnailViewDelegate* delegate() const { return delegate_; }

    // Moves the stack to that edge and takes the delete tab away.
    void setDockSide(DockSide side);
    DockSide dockSide() const override { return side_; }
    DockSide dockside() const { return side_; }
    // Quick view switched on or off: the thumbnails show (opacity 1) only when enabled and not hidden.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    // Pushes the stack 31.6 points beyond its edge (while the options bar is open), or back.
    void setHidden(bool hidden);
    bool hidden() const { return hidden_; }

    // Takes `preview` over as the newest thumbnail; beyond 4 the oldest leaves at once (and the
    // selection with it, when it was the selected one). Null is ignored.
    void addPreview(std::unique_ptr<ThumbnailView> preview);
    // Takes the thumbnail off the list and the screen (it is destroyed) and redraws. Does nothing
    // for a thumbnail that is not held.
    void removePreview(ThumbnailView* preview);
    // The held thumbnail of picture number `imageIndex`; null when none is held.
    ThumbnailView* previewWithImageIndex(int32_t imageIndex) const;
    // The same by list index (0 = oldest); an index out of range does nothing.
    void removePreviewUsingIndex(int32_t index);
    void setSelectedImage(ThumbnailView* image) override { selectedImage_ = image; }
    ThumbnailView* selectedImage() const { return selectedImage_; }
    // The picture number of the selection; 0 without one.
    int32_t selectedImageIndex() const;
    // Removes the selected thumbnail and clears the selection; nothing without one.
    void removeSelectedImage();

    // Ignored when unchanged or while fewer than 2 thumbnails are held.
    void setFanout(bool fanout) override;
    bool getFanout() const override { return fanout_; }
    // Collapses the stack and takes the delete tab away.
    void collapse();

    // Moves every thumbnail to its place, scale and opacity in one 0.3 s animation, newest in
    // front and the only active one. Does nothing while the list is empty.
    void redraw();
    // Recomputes the blown-up and stack centres from the host view, then redraws.
    void updateCenters();
    // Brings the thumbnails to the front in age order, without animation.
    void restoreOrder() override;
    platform::Point smallCenterForPreview(const ThumbnailView* preview) const override;

    platform::Point fullCenter() const override { return fullCenter_; }
    platform::Point smallCenter() const override { return smallCenter_; }
    platform::AffineTransform fullTransform() const override { return fullTransform_; }
    platform::AffineTransform smallTransform() const override { return smallTransform_; }
    float previewAlpha() const { return previewAlpha_; }
    // Oldest first.
    const std::vector<ThumbnailView*>& previews() const { return prevArray_; }
    platform::View* superview() const { return superview_; }

private:
    // Vertical distance between neighbours: 84.2 fanned out, else 15 / (count - 1) in whole points.
    float step() const;
    platform::Point centerAt(size_t index) const;
    void updatePreviewAlpha();
    // Detaches `preview` from the host view, which destroys it.
    void discard(ThumbnailView* preview);

    // The thumbnails are owned by the host view as its subviews; the list orders them.
    std::vector<ThumbnailView*> prevArray_;
    DockSide side_ = DockSide::Left;
    platform::View* superview_;  // borrowed
    platform::Point fullCenter_;
    platform::Point smallCenter_;
    platform::AffineTransform fullTransform_;
    platform::AffineTransform smallTransform_;
    bool fanout_ = false;
    ThumbnailView* selectedImage_ = nullptr;  // not owned; cleared when it leaves the list
    float previewAlpha_ = 1.0f;
    ThumbnailViewDelegate* delegate_ = nullptr;  // may be null
    bool enabled_ = false;
    bool hidden_ = false;
};

}  // namespace kestrova
