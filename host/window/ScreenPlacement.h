#pragma once
// Where the 320 x 480-point screen sits in a window of any size: as large as fits, its 2:3 shape
// kept, centred, black bars in what is left over. Positions are window pixels.
#include "platform/foundation/Geometry.h"

#include <optional>

namespace host {

class ScreenPlacement {
public:
    // Scales come in steps of 1/32 of a pixel a point: 10 x 15 whole pixels, the screen's exact shape.
    static constexpr double kScaleStep = 1.0 / 32;

    // The screen in a window of `width` x `height` pixels. `preferred` (a scale the user asked
    // for) is kept while it fits and no larger one does, so a window made for it shows exactly it.
    static ScreenPlacement inWindow(int width, int height, std::optional<double> preferred = std::nullopt);
    // The largest scale, in steps of kScaleStep, at which the screen fits `width` x `height`
    // pixels; never below one step.
    static double largestFittingScale(int width, int height);
    // The whole pixels `points` take at `scale`, rounded as the compositor rounds them.
    static int pixels(float points, double scale);

    double scale() const { return scale_; }
    // The screen's pixels in the window.
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int windowWidth() const { return windowWidth_; }
    int windowHeight() const { return windowHeight_; }

    // A window position as a point of the screen; outside 0..320 x 0..480 in the bars.
    platform::Point toPoints(double windowX, double windowY) const;
    // The same for a position given as fractions of the window's size (touchscreen fingers).
    platform::Point normalisedToPoints(double fx, double fy) const;
    // True when the position lies on the screen, not in a bar.
    bool onScreen(double windowX, double windowY) const;
    bool normalisedOnScreen(double fx, double fy) const { return onScreen(fx * windowWidth_, fy * windowHeight_); }

private:
    double scale_ = 1;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    int windowWidth_ = 0, windowHeight_ = 0;
};

}  // namespace host
