#pragma once
// Helpers for the camera tests: pixels, tiny encoded pictures, and waiting on the capture thread.
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace cameratest {

using BGR = std::array<uint8_t, 3>;
// The synthetic camera's corner mark: where it shows, the stand-in camera is on.
inline constexpr BGR kMark{platform::SyntheticSource::kMarkB, platform::SyntheticSource::kMarkG,
                           platform::SyntheticSource::kMarkR};

// Bytes B,G,R,X of one pixel.
std::array<uint8_t, 4> px(const platform::ImageRef& im, int x, int y);
// B,G,R of one pixel, for comparing with a colour.
std::array<uint8_t, 3> bgr(const platform::ImageRef& im, int x, int y);
// Each byte within `tolerance` of the wanted colour's.
void expectNear(const BGR& got, const BGR& want, int tolerance, const std::string& what);
// A picture painted by `colour(x, y)` returning B,G,R; one of a single colour.
platform::ImageRef paint(int w, int h, const std::function<std::array<uint8_t, 3>(int, int)>& colour);
platform::ImageRef solid(int w, int h, BGR colour);
// How encodeJpeg stores a picture. The spaces are libjpeg's J_COLOR_SPACE values, 0 for its
// defaults (pixels B,G,R,X stored as YCbCr); the 4-byte pixels may hold C,M,Y,K instead. Luma is
// sampled lumaAcross x lumaDown times as finely as chroma (0: libjpeg's default).
struct JpegOptions {
    int quality = 100;
    bool progressive = false;
    int inputSpace = 0, storedSpace = 0;
    int lumaAcross = 0, lumaDown = 0;
};
std::vector<uint8_t> encodeJpeg(const platform::ImageRef& im, const JpegOptions& options = {});
// The same JPEG with its frame header claiming width x height pixels (a hostile header).
std::vector<uint8_t> claimSize(std::vector<uint8_t> jpeg, int width, int height);
// Writes a picture as PNG.
bool writePng(const platform::ImageRef& im, const std::filesystem::path& file);
// B,G,R at the centre of the picture `src` makes now (portrait); zeros when it has none.
BGR pictureCentre(platform::CameraSource& src);
// Runs the loop's posts until `done`, waiting in real time at most `seconds` (a watchdog).
bool waitFor(platform::RunLoop& loop, const std::function<bool()>& done, double seconds = 5);

}  // namespace cameratest
