#pragma once
// The tests' window into a thumbnail's touch state; a friend of ThumbnailView.
#include "ui/quickview/ThumbnailView.h"

namespace kestrova {

class ThumbnailViewTestApi {
public:
    explicit ThumbnailViewTestApi(const ThumbnailView& view) : v_(view) {}

    bool dragging() const { return v_.dragging_; }
    bool stopDrag() const { return v_.stopDrag_; }
    bool blowupPending() const { return v_.blowupPending(); }

private:
    const ThumbnailView& v_;
};

}  // namespace kestrova
