// Camera-roll names and the DCIM scan: the input is a list of file and folder names laid out
// under a scratch device root; the scan and the numbering must neither crash nor hand out a
// number whose picture or thumbnail already exists.
#include "capture/CameraRoll.h"
#include "fuzz/FuzzInput.h"
#include "platform/foundation/FileManager.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path& scratchRoot() {
    static const fs::path root = [] {
        char tmpl[] = "/tmp/kestrova-fuzz-roll-XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made) std::abort();
        return fs::path(made);
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);

    // The name parser and the order alone, on two arbitrary names.
    const std::string a = in.takeString(64), b = in.takeString(64);
    (void)kestrova::CameraRoll::parseImageNumber(a);
    const bool ab = kestrova::CameraRoll::lessIgnoringCase(a, b);
    const bool ba = kestrova::CameraRoll::lessIgnoringCase(b, a);
    if (ab && ba) std::abort();  // not a strict order

    // A tree under DCIM: each entry picks a folder (one of three) and a name; a byte says
    // whether it is a file, a folder or a symlink (possibly a loop).
    const fs::path root = scratchRoot() / "device";
    std::error_code ec;
    fs::remove_all(root, ec);
    const fs::path dcim = root / "var/mobile/Media/DCIM";
    fs::create_directories(dcim, ec);
    static const char* folders[] = {"100APPLE", "101APPLE", "999APPLE"};
    for (int i = 0; i < 12 && in.left() > 0; ++i) {
        const uint8_t kind = in.take<uint8_t>();
        std::string name = in.takeString(24);
        if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos ||
            name == "." || name == "..")
            continue;
        const fs::path dir = dcim / folders[kind % 3];
        fs::create_directories(dir, ec);
        switch ((kind >> 2) % 4) {
            case 0: std::ofstream(dir / name) << "x"; break;
            case 1: fs::create_directories(dir / name, ec); break;
            case 2: fs::create_directory_symlink(dir, dir / name, ec); break;  // a loop
            default: fs::create_symlink(dir / name, dir / name, ec); break;   // points at itself
        }
    }

    platform::FileManager files(root);
    kestrova::CameraRoll roll(files);
    roll.initializeSavingVariables();
    for (int i = 0; i < 3; ++i) {
        auto n = roll.claimImageNumber();
        if (!n) break;
        if (files.fileExists(roll.getImagePathForIndex(*n)) || files.fileExists(roll.getThumbPathForIndex(*n)))
            std::abort();  // would overwrite a picture
        std::ofstream(*files.resolve(roll.getImagePathForIndex(*n))) << "x";
    }
    return 0;
}
