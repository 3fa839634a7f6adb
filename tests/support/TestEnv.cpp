#include "tests/support/TestEnv.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace testenv {
namespace {

// The device's language follows the locale it is started in: the programs the tests start get a
// neutral one, so that no result depends on the machine's. A test that wants a language says so.
[[maybe_unused]] const bool kNeutralLocale = [] {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(name);
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

// Nor on the machine's system bus and the sensors on it: a test that wants a bus starts its own.
[[maybe_unused]] const bool kNoSystemBus = [] {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kestrova-tests-start-their-own-bus", 1);
    return true;
}();

}  // namespace

ScratchDir::ScratchDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("kestrova-test-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(path_, ec)) break;
    }
}

ScratchDir::~ScratchDir() {
    if (keep_) return;
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so removal succeeds.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = getenv(name_.c_str())) old_ = old;
    if (value) setenv(name_.c_str(), value, 1);
    else unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
}

CommandResult run(const std::string& commandLine) {
    CommandResult r;
    std::string cmd = commandLine + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string xvfbRun(const std::string& serverArgs) {
    static std::atomic<int> calls{0};
    const int n = 100 + int(getpid() % 400) * 10 + calls++ % 10;
    return "xvfb-run -n " + std::to_string(n) + " -a -s " + shellQuote("-noreset " + serverArgs);
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string exifValues(const std::filesystem::path& file, const std::string& tags) {
    return run(std::string(EXIFTOOL) + " -n -s -s -s " + tags + " " + shellQuote(file.string())).out;
}

bool waitUntil(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool processGone(long pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto paren = stat.rfind(')');
    return stat.empty() || (paren != std::string::npos && stat.compare(paren + 1, 3, " Z ") == 0);
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}


std::string missingProgram(const std::string& programs) {
    std::istringstream names(programs);
    for (std::string name; names >> name;)
        if (run("command -v " + name + " >/dev/null").status != 0) return name;
    return {};
}

std::string windowStart(const std::string& command) {
    return command + " & pid=$!\n"
           "wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Kestrova$' | head -1)\n"
           "[ -n \"$wid\" ] || { echo 'no window'; kill -KILL $pid; exit 1; }\n";
}

const char* const kShootFunction = R"sh(
shoot() {
  for try in $(seq 30); do
    xdotool mousemove --window $wid $1 $2 click 1
    for i in $(seq 20); do
      [ -n "$(find ${3:-device}/var/mobile/Media/DCIM -name 'IMG_*.JPG' 2>/dev/null | head -1)" ] && { echo SHOT; return 0; }
      sleep 0.05
    done
  done
  echo "NO PICTURE"
}
)sh";

const char* const kWindowEnd =
    "kill -TERM $pid\n"
    "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
    "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -KILL $pid; }\n"
    "wait $pid; echo \"exit=$?\"\n";

std::pair<uint32_t, uint32_t> pngSize(const std::filesystem::path& file) {
    const std::string b = readFile(file);
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](size_t i) {
        return uint32_t(uint8_t(b[i])) << 24 | uint32_t(uint8_t(b[i + 1])) << 16 | uint32_t(uint8_t(b[i + 2])) << 8 |
               uint32_t(uint8_t(b[i + 3]));
    };
    return {be32(16), be32(20)};
}

DecodedJpeg decodeJpeg(const std::filesystem::path& file, int scale) {
    auto r = run(djpeg() + (scale > 1 ? " -scale 1/" + std::to_string(scale) : "") + " -pnm " +
                 shellQuote(file.string()) + " 2>/dev/null");
    DecodedJpeg d;
    std::istringstream in(r.out);
    std::string magic;
    int maxval = 0;
    if (r.status != 0 || !(in >> magic >> d.w >> d.h >> maxval) || (magic != "P5" && magic != "P6")) return {};
    in.get();
    d.channels = magic == "P6" ? 3 : 1;
    d.pixels.assign(std::istreambuf_iterator<char>(in), {});
    if (d.pixels.size() != size_t(d.w) * d.h * d.channels) return {};
    return d;
}

std::array<int, 3> DecodedJpeg::rgb(int x, int y) const {
    const size_t i = (size_t(y) * w + x) * channels;
    auto at = [&](int k) { return int(uint8_t(pixels[i + (channels == 3 ? k : 0)])); };
    return {at(0), at(1), at(2)};
}

}  // namespace testenv
