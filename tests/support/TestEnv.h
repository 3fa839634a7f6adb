#pragma once
// Paths and helpers shared by the test suites: scratch folders and independent reader programs.
#include <array>
#include <filesystem>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

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
    // Leaves the folder on disk, for a failed test's evidence.
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

// Sets an environment variable (unsets it for null) until the object goes, then puts the old value
// back: the programs later tests start inherit the environment.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

struct CommandResult {
    int status = -1;   // exit status, or -1 when the program could not run
    std::string out;   // stdout and stderr together
};

// Runs a shell command line and collects its output.
CommandResult run(const std::string& commandLine);

// Quotes a string for /bin/sh.
std::string shellQuote(const std::string& s);
// "xvfb-run" for a server with `serverArgs`, never reset, its display searched from a number of
// its own. Xvfb resets itself whenever its last client leaves, and a window being opened during
// such a reset (while a poller such as xdotool comes and goes) is lost; with plain -a every
// server also starts at :99, racing its predecessor's shutdown.
std::string xvfbRun(const std::string& serverArgs = "-screen 0 1280x1024x24");

// The first of the space-separated `programs` that is not installed; empty when all are.
std::string missingProgram(const std::string& programs);

// Shell lines, for bash under xvfb-run, that start `command` (a kestrova in a window) in the
// background as $pid and find its window as $wid, or end the script saying "no window".
std::string windowStart(const std::string& command);
// A shell function for such a script: `shoot X Y [DEVICE]` clicks the window at X, Y until a
// picture is in DEVICE's camera roll (./device when not given) and prints SHOT, or NO PICTURE. The
// roll is scanned about a second after start; a press before that takes no picture.
extern const char* const kShootFunction;
// Shell lines that end $pid as Ctrl+C would (SIGTERM), KILL it only when it outlives its deadline
// ("still running"), and print "exit=STATUS".
extern const char* const kWindowEnd;

// Width and height from a PNG file's header; 0 x 0 when it is none.
std::pair<uint32_t, uint32_t> pngSize(const std::filesystem::path& file);

// exiftool's plain numeric values of `tags` (such as "-ImageWidth -GPSLatitudeRef") of a file, one a line.
std::string exifValues(const std::filesystem::path& file, const std::string& tags);

// Polls `done` until it is true or `seconds` have passed; true when it became true.
bool waitUntil(const std::function<bool()>& done, double seconds = 10);
// The process has ended: it is gone, or a zombie no one has reaped yet.
bool processGone(long pid);

std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);

inline std::string bundleDir() { return KESTROVA_BUILD_BUNDLE; }
inline std::string sourceDir() { return KESTROVA_SOURCE_DIR; }
inline std::string kestrovaBinary() { return KESTROVA_BINARY; }
inline std::string exiftool() { return EXIFTOOL; }
inline std::string plistutil() { return PLISTUTIL; }
inline std::string djpeg() { return DJPEG; }

// A JPEG as the independent reader decodes it (djpeg, at 1/`scale` of its size): `channels` bytes
// a pixel, 1 grey or 3 R,G,B; width and height 0 when it does not decode whole.
struct DecodedJpeg {
    int w = 0, h = 0, channels = 0;
    std::string pixels;
    // The pixel's R,G,B (grey thrice).
    std::array<int, 3> rgb(int x, int y) const;
};
DecodedJpeg decodeJpeg(const std::filesystem::path& file, int scale = 1);

}  // namespace testenv
