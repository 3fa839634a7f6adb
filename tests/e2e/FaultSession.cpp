#include "tests/e2e/FaultSession.h"

#include "tests/support/TestEnv.h"

#include <algorithm>
#include <cstdio>

namespace faults {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

namespace {

constexpr const char* kBundleIdentifier = "org.kestrova.camera";

bool hasPictureExtension(const fs::path& p) {
    std::string e = p.extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return e == ".JPG" || e == ".THM";
}

// Regular files beneath `dir`, symlinks not followed, unreadable folders skipped.
std::vector<fs::path> regularFiles(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(dir, ec))) return out;
    for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink(ec)) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

Session runKestrova(const fs::path& scratch, const fs::path& root, const std::string& script, const std::string& extra,
                    const fs::path& binary, const std::string& environment) {
    static int counter = 0;
    const fs::path scriptFile = scratch / ("session-" + std::to_string(++counter) + ".script");
    testenv::writeFile(scriptFile, script);
    fs::create_directories(root);
    // --foreground: timeout waits for the killed program instead of killing itself with it, so the
    // caller looks at the files only once no thread of the program can still touch them.
    // --preserve-status: a program that ends by itself just as its time is up keeps its own status
    // (otherwise 124); a killed one gives 137.
    std::string prefix = "timeout --foreground --preserve-status -s KILL 120 ";
    if (!environment.empty()) prefix += "env " + environment + " ";
    const std::string exe = binary.empty() ? testenv::kestrovaBinary() : binary.string();
    auto r = run(prefix + shellQuote(exe) + " --headless --device-root " + shellQuote(root.string()) + " --script " +
                 shellQuote(scriptFile.string()) + " " + extra);
    return {r.status, r.out};
}

std::vector<fs::path> pictures(const fs::path& root) {
    std::vector<fs::path> out;
    for (auto& p : regularFiles(root / "var/mobile/Media/DCIM")) {
        std::string e = p.extension().string();
        if (e == ".JPG" || e == ".jpg") out.push_back(p);
    }
    return out;
}

std::vector<std::string> badPictures(const fs::path& root) {
    std::vector<std::string> bad;
    for (const auto& p : regularFiles(root / "var/mobile/Media")) {
        if (!hasPictureExtension(p)) continue;
        std::error_code ec;
        if (fs::file_size(p, ec) == 0) {
            bad.push_back(p.string() + " is empty");
            continue;
        }
        // djpeg exits 2 on a warning such as "Premature end of JPEG file".
        auto r = run(testenv::djpeg() + " -outfile /dev/null " + shellQuote(p.string()));
        if (r.status != 0) bad.push_back(p.string() + ": " + r.out);
    }
    return bad;
}

std::vector<std::string> temporaryFiles(const fs::path& root) {
    std::vector<std::string> out;
    for (const auto& p : regularFiles(root))
        if (p.filename().string().rfind(".kestrova-tmp-", 0) == 0) out.push_back(p.string());
    return out;
}

Snapshot snapshotMedia(const fs::path& root) {
    Snapshot s;
    // Temporaries of interrupted writes are not pictures: the next start removes them.
    for (const auto& p : regularFiles(root / "var/mobile/Media"))
        if (p.filename().string().rfind(".kestrova-tmp-", 0) != 0) s[p.string()] = testenv::readFile(p);
    return s;
}

std::vector<std::string> lostFiles(const Snapshot& before) {
    std::vector<std::string> lost;
    for (const auto& [path, bytes] : before) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) lost.push_back(path + " is gone");
        else if (testenv::readFile(path) != bytes) lost.push_back(path + " changed");
    }
    return lost;
}

void fillDisk(const fs::path& filler) {
    FILE* f = std::fopen(filler.c_str(), "wb");
    if (!f) return;
    static const std::string chunk(64 * 1024, 'f');
    while (std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
    }
    // Then byte by byte, up to the last free block.
    while (std::fputc('f', f) != EOF && std::fflush(f) == 0) {
    }
    std::fclose(f);
}

fs::path preferencesFile(const fs::path& root) {
    return root / "var/mobile/Library/Preferences" / (std::string(kBundleIdentifier) + ".plist");
}

std::string preferencesXml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           body + "\n</dict>\n</plist>\n";
}

void writePreferences(const fs::path& root, const std::string& body) {
    testenv::writeFile(preferencesFile(root), preferencesXml(body));
}

}  // namespace faults
