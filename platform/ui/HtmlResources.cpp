#include "platform/ui/HtmlResources.h"

#include "platform/foundation/Bundle.h"

#include <fstream>
#include <sstream>

namespace platform {

HtmlDocument::ImageResolver HtmlResources::imageResolver(const Bundle* bundle, int scale) {
    if (!bundle) return {};
    return [bundle, scale](const std::string& src) {
        HtmlDocument::ResolvedImage r;
        std::string name = src.rfind("./", 0) == 0 ? src.substr(2) : src;
        if (auto p = bundle->pathForImage(name, scale)) {
            r.path = p->string();
            r.scale = p->filename().string().find("@2x") != std::string::npos ? 2.0f : 1.0f;
        }
        return r;
    };
}

std::optional<std::string> HtmlResources::readPage(const Bundle* bundle, const std::string& path) {
    if (!bundle) return std::nullopt;
    std::string name = path.rfind("./", 0) == 0 ? path.substr(2) : path;
    auto dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string type = dot == std::string::npos ? "" : name.substr(dot + 1);
    auto file = bundle->pathForResource(stem, type);
    if (!file) return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace platform
