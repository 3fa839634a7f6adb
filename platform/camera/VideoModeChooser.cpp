#include "platform/camera/VideoModeChooser.h"

#include <algorithm>
#include <tuple>

namespace platform {
namespace {

bool usualShape(int w, int h) { return int64_t(w) * 3 == int64_t(h) * 4 || int64_t(w) * 9 == int64_t(h) * 16; }

bool readableIn(const std::vector<uint32_t>& readable, uint32_t pf) {
    return std::find(readable.begin(), readable.end(), pf) != readable.end();
}

}  // namespace

// At one size: YUYV costs no decoding, MJPEG less than libv4l2's conversion.
const std::vector<uint32_t>& VideoModeChooser::webcamFormats() {
    static const std::vector<uint32_t> formats{kFourccYUYV, kFourccMJPEG};
    return formats;
}

FrameInterval VideoModeChooser::preferredInterval(const std::vector<FrameInterval>& intervals) {
    FrameInterval best{};
    for (const auto& i : intervals) {
        const double f = i.fps();
        if (f <= 0) continue;
        const double b = best.fps();
        // The fastest not above the preferred rate; above it only when nothing is at or below.
        const bool better = b <= 0 || (f <= kPreferredFps ? (b > kPreferredFps || f > b) : (b > kPreferredFps && f < b));
        if (better) best = i;
    }
    return best;
}

std::vector<VideoModeChooser::Candidate> VideoModeChooser::candidates(const std::vector<VideoMode>& modes,
                                                                      const std::vector<uint32_t>& readable) {
    auto formatRank = [&](uint32_t pf) {
        return int(std::find(readable.begin(), readable.end(), pf) - readable.begin());
    };
    const bool nativeReadable = std::any_of(modes.begin(), modes.end(), [&](const VideoMode& m) {
        return !m.emulated && readableIn(readable, m.pixelFormat);
    });
    struct Ranked {
        Candidate c;
        int tier;
        double fps;
    };
    std::vector<Ranked> ranked;
    for (const auto& m : modes) {
        if (m.width <= 0 || m.height <= 0) continue;
        const bool ours = !m.emulated && readableIn(readable, m.pixelFormat);
        // libv4l2's B,G,R only for a device whose own formats we cannot read.
        const bool converted = m.pixelFormat == kFourccBGR24 && !nativeReadable;
        if (!ours && !converted) continue;
        const FrameInterval interval = preferredInterval(m.intervals);
        // A device that names no interval is taken to be fast enough.
        const double fps = m.intervals.empty() ? kPreferredFps : interval.fps();
        const bool fast = fps >= kMinimumFps;
        const int tier = fast ? (usualShape(m.width, m.height) ? 0 : 1) : 2;
        ranked.push_back({{m.pixelFormat, m.width, m.height, interval}, tier, fps});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) {
        const int64_t areaA = int64_t(a.c.width) * a.c.height, areaB = int64_t(b.c.width) * b.c.height;
        if (a.tier != b.tier) return a.tier < b.tier;
        if (a.tier == 2 && a.fps != b.fps) return a.fps > b.fps;
        if (areaA != areaB) return areaA > areaB;
        return formatRank(a.c.pixelFormat) < formatRank(b.c.pixelFormat);
    });
    std::vector<Candidate> out;
    for (const auto& r : ranked)
        if (std::find(out.begin(), out.end(), r.c) == out.end()) out.push_back(r.c);
    if (modes.empty()) {
        for (uint32_t pf : readable) out.push_back({pf, 1280, 720, {}});
        out.push_back({kFourccBGR24, 1280, 720, {}});
    }
    return out;
}

}  // namespace platform
