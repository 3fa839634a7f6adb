// The HTML renderer: arbitrary markup laid out at a width from the input, drawn into a small
// bitmap, hit-tested and searched for an anchor.
#include "fuzz/FuzzInput.h"
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/HtmlDocument.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t w = in.take<uint8_t>();
    const float px = in.take<uint8_t>(), py = in.take<uint8_t>();
    const std::string html = in.rest();
    const float width = w == 255 ? 0.f : float(w) * 2;
    auto resolver = [](const std::string& src) {
        platform::HtmlDocument::ResolvedImage r;
        if (!src.empty() && src[0] == 'a') {
            std::vector<uint8_t> px(4 * 3 * 2, 0x80);
            r.image = platform::Image::createBGRX(3, 2, std::move(px));
            r.scale = src.size() > 1 ? 2 : 1;
        }
        return r;
    };
    auto doc = platform::HtmlDocument::create(html, width, resolver);
    if (!doc) return 0;
    if (!std::isfinite(doc->height()) || doc->height() < 0) std::abort();
    auto ctx = platform::BitmapContext::create(64, 64, 8, 64 * 4, platform::ColorSpace::DeviceRGB,
                                               platform::BitmapInfo::BGRX);
    if (ctx) doc->draw(*ctx, {0, 0});
    (void)doc->linkAt({px, py});
    (void)doc->anchorTop("top");
    doc->layout(width + 17);
    return 0;
}
