#pragma once
// PipeWire's video formats in our terms: a camera node's EnumFormat params as the modes a webcam
// lists (so one rule chooses among both), our choice as the params a stream offers, and the
// format the stream settled on.
#include "platform/camera/VideoDevice.h"
#include "platform/camera/VideoModeChooser.h"

#include <cstdint>
#include <optional>
#include <vector>

struct spa_pod;
struct spa_pod_builder;

namespace platform {

class PipeWireFormats {
public:
    // The formats read from a PipeWire camera, cheapest first.
    static const std::vector<uint32_t>& readable();
    // The modes one EnumFormat param describes: every readable format at every size it names, a
    // range of sizes as the usual sizes within it and its largest. Empty for anything else.
    static std::vector<VideoMode> modes(const spa_pod* enumFormat);
    // One EnumFormat param asking for exactly `candidate`; a candidate without an interval takes
    // any rate.
    static const spa_pod* offer(spa_pod_builder* builder, const VideoModeChooser::Candidate& candidate);
    // Any size and rate of a readable format: the offer when the node lists nothing.
    static const spa_pod* anySize(spa_pod_builder* builder, uint32_t pixelFormat);
    // The format a Format param fixes (bytesPerLine 0: each buffer says it). Nothing when it is
    // none we read.
    static std::optional<VideoFormat> negotiated(const spa_pod* format);
};

}  // namespace platform
