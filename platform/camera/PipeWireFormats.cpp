#include "platform/camera/PipeWireFormats.h"

#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/pod/iter.h>

#include <algorithm>
#include <utility>

namespace platform {
namespace {

constexpr std::pair<uint32_t, uint32_t> kRaw[] = {
    {SPA_VIDEO_FORMAT_YUY2, kFourccYUYV}, {SPA_VIDEO_FORMAT_NV12, kFourccNV12}, {SPA_VIDEO_FORMAT_I420, kFourccI420},
    {SPA_VIDEO_FORMAT_BGRx, kFourccBGRX}, {SPA_VIDEO_FORMAT_RGBx, kFourccRGBX},
};

uint32_t fourccOf(uint32_t spaFormat) {
    for (auto [spa, cc] : kRaw)
        if (spa == spaFormat) return cc;
    return 0;
}

uint32_t spaOf(uint32_t pixelFormat) {
    for (auto [spa, cc] : kRaw)
        if (cc == pixelFormat) return spa;
    return SPA_VIDEO_FORMAT_UNKNOWN;
}

// The values a property offers: a fixed value, an enumeration's alternatives, or a range's
// default, minimum and maximum (`range` set).
template <typename T>
std::vector<T> valuesOf(const spa_pod* object, uint32_t key, uint32_t podType, bool* range) {
    *range = false;
    const spa_pod_prop* prop = spa_pod_find_prop(object, nullptr, key);
    if (!prop) return {};
    uint32_t n = 0, choice = 0;
    const spa_pod* v = spa_pod_get_values(&prop->value, &n, &choice);
    if (v->type != podType || v->size < sizeof(T) || n == 0) return {};
    const T* values = static_cast<const T*>(SPA_POD_BODY_CONST(v));
    switch (choice) {
        case SPA_CHOICE_None: return {values[0]};
        case SPA_CHOICE_Enum: return n > 1 ? std::vector<T>(values + 1, values + n) : std::vector<T>{values[0]};
        case SPA_CHOICE_Range:
        case SPA_CHOICE_Step:
            if (n < 3) return {values[0]};
            *range = true;
            return {values[0], values[1], values[2]};
        default: return {};
    }
}

}  // namespace

const std::vector<uint32_t>& PipeWireFormats::readable() {
    // At one size: YUYV as for webcams, the other raw formats as cheap, MJPEG the dearest.
    static const std::vector<uint32_t> formats{kFourccYUYV, kFourccNV12, kFourccI420, kFourccBGRX, kFourccRGBX,
                                               kFourccMJPEG};
    return formats;
}

std::vector<VideoMode> PipeWireFormats::modes(const spa_pod* param) {
    uint32_t mediaType = 0, mediaSubtype = 0;
    if (!param || spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video) return {};
    std::vector<uint32_t> formats;
    bool range = false;
    if (mediaSubtype == SPA_MEDIA_SUBTYPE_mjpg) {
        formats = {kFourccMJPEG};
    } else if (mediaSubtype == SPA_MEDIA_SUBTYPE_raw) {
        for (uint32_t f : valuesOf<uint32_t>(param, SPA_FORMAT_VIDEO_format, SPA_TYPE_Id, &range))
            if (uint32_t cc = fourccOf(f); cc && std::find(formats.begin(), formats.end(), cc) == formats.end())
                formats.push_back(cc);
    }
    if (formats.empty()) return {};

    std::vector<spa_rectangle> sizes = valuesOf<spa_rectangle>(param, SPA_FORMAT_VIDEO_size, SPA_TYPE_Rectangle, &range);
    if (range) {
        const spa_rectangle lo = sizes[1], hi = sizes[2];
        sizes = {sizes[0], hi};
        static constexpr spa_rectangle kUsual[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},
                                                   {1280, 960},  {1600, 1200}, {1920, 1080}, {2048, 1536},
                                                   {2592, 1944}, {3840, 2160}};
        for (const auto& s : kUsual)
            if (s.width >= lo.width && s.width <= hi.width && s.height >= lo.height && s.height <= hi.height)
                sizes.push_back(s);
        std::vector<spa_rectangle> unique;
        for (const auto& s : sizes)
            if (std::none_of(unique.begin(), unique.end(),
                             [&](const spa_rectangle& u) { return u.width == s.width && u.height == s.height; }))
                unique.push_back(s);
        sizes = std::move(unique);
    }

    std::vector<spa_fraction> rates = valuesOf<spa_fraction>(param, SPA_FORMAT_VIDEO_framerate, SPA_TYPE_Fraction, &range);
    std::vector<FrameInterval> intervals;
    auto addRate = [&](spa_fraction r) {
        if (r.num == 0 || r.denom == 0) return;  // a variable rate names none
        const FrameInterval i{r.denom, r.num};
        if (std::find(intervals.begin(), intervals.end(), i) == intervals.end()) intervals.push_back(i);
    };
    for (const auto& r : rates) addRate(r);
    if (range) {
        const spa_fraction lo = rates[1], hi = rates[2];
        auto within = [&](uint32_t fps) {
            return uint64_t(fps) * lo.denom >= lo.num && uint64_t(fps) * hi.denom <= uint64_t(hi.num);
        };
        for (uint32_t fps : {30u, 15u})
            if (within(fps)) addRate({fps, 1});
    }

    std::vector<VideoMode> out;
    for (uint32_t pf : formats)
        for (const auto& s : sizes)
            if (s.width > 0 && s.height > 0) out.push_back({pf, int(s.width), int(s.height), intervals, false});
    return out;
}

const spa_pod* PipeWireFormats::offer(spa_pod_builder* b, const VideoModeChooser::Candidate& c) {
    spa_pod_frame f;
    spa_pod_builder_push_object(b, &f, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    const bool mjpg = c.pixelFormat == kFourccMJPEG;
    spa_pod_builder_add(b, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
                        SPA_POD_Id(mjpg ? SPA_MEDIA_SUBTYPE_mjpg : SPA_MEDIA_SUBTYPE_raw), 0);
    if (!mjpg) spa_pod_builder_add(b, SPA_FORMAT_VIDEO_format, SPA_POD_Id(spaOf(c.pixelFormat)), 0);
    const spa_rectangle size{uint32_t(c.width), uint32_t(c.height)};
    spa_pod_builder_add(b, SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size), 0);
    if (c.interval.numerator) {
        const spa_fraction rate{c.interval.denominator, c.interval.numerator};
        spa_pod_builder_add(b, SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate), 0);
    } else {
        const spa_fraction def{30, 1}, lo{0, 1}, hi{1000, 1};
        spa_pod_builder_add(b, SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&def, &lo, &hi), 0);
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &f));
}

const spa_pod* PipeWireFormats::anySize(spa_pod_builder* b, uint32_t pixelFormat) {
    spa_pod_frame f;
    spa_pod_builder_push_object(b, &f, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    const bool mjpg = pixelFormat == kFourccMJPEG;
    spa_pod_builder_add(b, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
                        SPA_POD_Id(mjpg ? SPA_MEDIA_SUBTYPE_mjpg : SPA_MEDIA_SUBTYPE_raw), 0);
    if (!mjpg) spa_pod_builder_add(b, SPA_FORMAT_VIDEO_format, SPA_POD_Id(spaOf(pixelFormat)), 0);
    const spa_rectangle def{1280, 720}, lo{1, 1}, hi{8192, 8192};
    const spa_fraction rate{30, 1}, slow{0, 1}, fast{1000, 1};
    spa_pod_builder_add(b, SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&def, &lo, &hi),
                        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&rate, &slow, &fast), 0);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &f));
}

std::optional<VideoFormat> PipeWireFormats::negotiated(const spa_pod* format) {
    uint32_t mediaType = 0, mediaSubtype = 0;
    if (!format || spa_format_parse(format, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video)
        return std::nullopt;
    if (mediaSubtype == SPA_MEDIA_SUBTYPE_mjpg) {
        spa_video_info_mjpg info{};
        if (spa_format_video_mjpg_parse(format, &info) < 0) return std::nullopt;
        return VideoFormat{kFourccMJPEG, int(info.size.width), int(info.size.height), 0};
    }
    if (mediaSubtype != SPA_MEDIA_SUBTYPE_raw) return std::nullopt;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(format, &info) < 0) return std::nullopt;
    const uint32_t cc = fourccOf(info.format);
    if (!cc || info.size.width == 0 || info.size.height == 0) return std::nullopt;
    return VideoFormat{cc, int(info.size.width), int(info.size.height), 0};
}

}  // namespace platform
