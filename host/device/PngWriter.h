#pragma once
// Writes an image (B,G,R,X or grey) as a PNG file.
#include "platform/graphics/Image.h"

#include <filesystem>
#include <optional>
#include <string>

namespace host {

// Nothing on success, otherwise one line saying what went wrong.
std::optional<std::string> writePng(const platform::Image& image, const std::filesystem::path& file);

}  // namespace host
