#pragma once
// The tests' window into the shutter area's touch state; a friend of SnapButtonView.
#include "ui/controls/SnapButtonView.h"

namespace kestrova {

class SnapButtonViewTestApi {
public:
    explicit SnapButtonViewTestApi(const SnapButtonView& view) : v_(view) {}

    bool isTouchRingShown() const { return v_.touchRing_; }
    bool zoomStarted() const { return v_.zoomStarted_; }
    // Null before awakeFromNib.
    platform::Label* zoomLabel() const { return v_.zoomLabel_; }

private:
    const SnapButtonView& v_;
};

}  // namespace kestrova
