#pragma once
// How many buffer pixels a Wayland surface's logical unit takes: the whole buffer scale of the
// outputs the surface is on, or, where the compositor says a fraction (wp_fractional_scale_v1,
// shown through a viewport), that fraction in 120ths.
namespace host {

class SurfaceScale {
public:
    // The largest scale of the outputs the surface is on.
    void setWholeScale(int scale) { whole_ = scale > 0 ? scale : 1; }
    // 0: none said (or the compositor cannot).
    void setFractional(int scale120) { fraction120_ = scale120 > 0 ? scale120 : 0; }

    bool fractional() const { return fraction120_ > 0; }
    // What the surface's buffer scale is set to: 1 under a viewport.
    int bufferScale() const { return fractional() ? 1 : whole_; }
    // Buffer pixels for `logical` units, rounded as the fractional protocol rounds.
    int pixels(int logical) const {
        return fractional() ? (logical * fraction120_ + 60) / 120 : logical * whole_;
    }
    double pixelsPerUnit() const { return fractional() ? fraction120_ / 120.0 : whole_; }
    bool operator==(const SurfaceScale&) const = default;

private:
    int whole_ = 1;
    int fraction120_ = 0;
};

}  // namespace host
