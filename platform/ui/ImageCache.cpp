#include "platform/ui/ImageCache.h"

#include "platform/foundation/Bundle.h"
#include "platform/graphics/PNGFile.h"

#include <map>
#include <mutex>

namespace platform {
namespace {
struct Entry {
    ImageRef image;
    float scale = 1;
};
struct Cache {
    std::mutex mutex;
    int scale = 1;
    std::map<std::pair<const Bundle*, std::string>, Entry> entries;
};
Cache& cache() {
    static auto* c = new Cache;
    return *c;
}
}  // namespace

void ImageCache::setScale(int scale) {
    auto& c = cache();
    std::lock_guard lk(c.mutex);
    if (scale < 1) scale = 1;
    if (scale != c.scale) c.entries.clear();
    c.scale = scale;
}

int ImageCache::scale() {
    auto& c = cache();
    std::lock_guard lk(c.mutex);
    return c.scale;
}

ImageRef ImageCache::imageNamed(const std::string& name, const Bundle* bundle) {
    if (name.empty()) return nullptr;
    auto& c = cache();
    std::lock_guard lk(c.mutex);
    auto key = std::make_pair(bundle, name);
    if (auto it = c.entries.find(key); it != c.entries.end()) return it->second.image;
    if (!bundle) bundle = &Bundle::mainBundle();
    auto path = bundle->pathForImage(name, c.scale);
    if (!path) return nullptr;
    ImageRef image = PNGFile::read(*path);
    if (!image) return nullptr;
    float fileScale = path->stem().string().ends_with("@2x") ? 2.0f : 1.0f;
    c.entries[key] = {image, fileScale};
    return image;
}

float ImageCache::scaleOf(const ImageRef& image) {
    if (!image) return 1;
    auto& c = cache();
    std::lock_guard lk(c.mutex);
    for (auto& [k, e] : c.entries)
        if (e.image == image) return e.scale;
    return 1;
}

Size ImageCache::pointSize(const ImageRef& image) {
    if (!image) return {};
    float s = scaleOf(image);
    return {image->width() / s, image->height() / s};
}

void ImageCache::clear() {
    auto& c = cache();
    std::lock_guard lk(c.mutex);
    c.entries.clear();
}

}  // namespace platform
