#pragma once
// What the thumbnails and their manager tell the application delegate about the delete tab.
namespace kestrova {

class ThumbnailViewDelegate {
public:
    virtual ~ThumbnailViewDelegate() = default;
    // Parks the (hidden) tab at this height.
    virtual void moveDeleteToYCoordinate(float y) = 0;
    virtual void hideDelete() = 0;
    virtual void showDelete() = 0;
};

}  // namespace kestrova
