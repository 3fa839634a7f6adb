#include "host/window/ScreenPlacement.h"

#include "host/device/SimulatedDevice.h"

#include <algorithm>
#include <cmath>

namespace host {

int ScreenPlacement::pixels(float points, double scale) { return int(std::ceil(points * float(scale) - 1e-3f)); }

double ScreenPlacement::largestFittingScale(int width, int height) {
    const double fit = std::min(width / double(SimulatedDevice::kScreenWidth), height / double(SimulatedDevice::kScreenHeight));
    // A hair of slack so that a window made for a step is not taken one step lower.
    return std::max(1.0, std::floor(fit / kScaleStep + 1e-6)) * kScaleStep;
}

ScreenPlacement ScreenPlacement::inWindow(int width, int height, std::optional<double> preferred) {
    ScreenPlacement p;
    p.windowWidth_ = width;
    p.windowHeight_ = height;
    p.scale_ = largestFittingScale(width, height);
    if (preferred && *preferred > p.scale_ && pixels(SimulatedDevice::kScreenWidth, *preferred) <= width &&
        pixels(SimulatedDevice::kScreenHeight, *preferred) <= height)
        p.scale_ = *preferred;
    p.width_ = pixels(SimulatedDevice::kScreenWidth, p.scale_);
    p.height_ = pixels(SimulatedDevice::kScreenHeight, p.scale_);
    p.x_ = (width - p.width_) / 2;
    p.y_ = (height - p.height_) / 2;
    return p;
}

platform::Point ScreenPlacement::toPoints(double windowX, double windowY) const {
    return {float((windowX - x_) / scale_), float((windowY - y_) / scale_)};
}

platform::Point ScreenPlacement::normalisedToPoints(double fx, double fy) const {
    return toPoints(fx * windowWidth_, fy * windowHeight_);
}

bool ScreenPlacement::onScreen(double windowX, double windowY) const {
    return windowX >= x_ && windowX < x_ + width_ && windowY >= y_ && windowY < y_ + height_;
}

}  // namespace host
