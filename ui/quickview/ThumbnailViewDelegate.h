#pragma once
// What the thumbnails and their manager tell the application delegate about the delete tab.
namespace kestrova {

class ThumbnailViewDelegate {
public:
    virtual ~ThumbnailViewDelegate() = default;
    // Parks the tab, hidden, at this height (host view coordinates).
    virtual void moveDeleteToYCoordinate(float y) = 0;
    // Takes the tab away at once, without animation.
    virtual void hideDelete() = 0;
    // Slides the tab in from the edge opposite the stack.
    virtual void showDelete() = 0;
};

}  // namespace kestrova
