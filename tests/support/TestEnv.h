#pragma once
// Paths and helpers shared by the test suites: scratch folders and independent reader programs.
#include <filesystem>
#include <string>

namespace testenv {

// A fresh, empty folder under the system temp dir, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& rel) const { return path_ / rel; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1;   // exit status, or -1 when the program could not run
    std::string out;   // stdout and stderr together
};

// Runs a shell command line and collects its output.
CommandResult run(const std::string& commandLine);

// Quotes a string for /bin/sh.
std::string shellQuote(const std::string& s);
// "xvfb-run -n N -a": each call starts its search for a free display at a number of its own.
// With plain -a every server starts at :99, and one started right after another has ended can
// race its predecessor's shutdown (the client then never sees its window).
std::string xvfbRun();

std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);

inline std::string bundleDir() { return KESTROVA_BUILD_BUNDLE; }
inline std::string sourceDir() { return KESTROVA_SOURCE_DIR; }
inline std::string kestrovaBinary() { return KESTROVA_BINARY; }
inline std::string exiftool() { return EXIFTOOL; }
inline std::string plistutil() { return PLISTUTIL; }
inline std::string djpeg() { return DJPEG; }

}  // namespace testenv
