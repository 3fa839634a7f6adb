#pragma once
// What a thumbnail asks of the stack that holds it: where it belongs, at which scale, whether the
// stack is fanned out, and which thumbnail was touched last.
#include "platform/foundation/Geometry.h"
#include "ui/quickview/DockSide.h"

#include <cstdint>

namespace kestrova {

class ThumbnailView;

class ThumbnailViewManager {
public:
    virtual ~ThumbnailViewManager() = default;
    // The thumbnail last touched (borrowed; may be null).
    virtual void setSelectedImage(ThumbnailView* image) = 0;
    virtual platform::AffineTransform smallTransform() const = 0;
    virtual platform::AffineTransform fullTransform() const = 0;
    // The place of `preview` in the stack; smallCenter() for a thumbnail the stack does not hold.
    virtual platform::Point smallCenterForPreview(const ThumbnailView* preview) const = 0;
    virtual platform::Point smallCenter() const = 0;
    virtual platform::Point fullCenter() const = 0;
    virtual bool getFanout() const = 0;
    // Ignored while fewer than 2 thumbnails are held.
    virtual void setFanout(bool fanout) = 0;
    virtual DockSide dockSide() const = 0;
    // Puts the thumbnails back in age order on screen, the newest in front.
    virtual void restoreOrder() = 0;
};

}  // namespace kestrova
