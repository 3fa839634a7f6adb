#include "platform/foundation/RunLoop.h"
#include "platform/location/GpsdLocationSource.h"
#include "tests/support/TestBus.h"
#include "tests/support/TestEnv.h"
#include "tests/support/Watchdog.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

using namespace platform;

namespace {

// The program's path, or empty when it is not installed.
std::string findProgram(const std::string& name) {
    std::string path = testenv::run("PATH=$PATH:/usr/sbin:/sbin command -v " + name).out;
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

std::string nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// A receiver sitting in Sydney: 33 deg 52.128' S, 151 deg 12.558' E.
std::string sydneyLog() {
    std::string log;
    for (int i = 0; i < 5; ++i) {
        char t[16];
        std::snprintf(t, sizeof t, "1200%02d.00", i);
        log += nmea(std::string("GPGGA,") + t + ",3352.1280,S,15112.5580,E,1,08,0.9,10.0,M,20.0,M,,");
        log += nmea(std::string("GPRMC,") + t + ",A,3352.1280,S,15112.5580,E,0.0,0.0,061226,,,A");
    }
    return log;
}

// Binds (port 0: any free port) or connects a loopback socket; the port bound or connected, or -1.
int loopback(int port, bool connectTo) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t len = sizeof a;
    auto* addr = reinterpret_cast<sockaddr*>(&a);
    const bool ok = connectTo ? connect(fd, addr, sizeof a) == 0
                              : bind(fd, addr, sizeof a) == 0 && getsockname(fd, addr, &len) == 0;
    close(fd);
    return ok ? ntohs(a.sin_port) : -1;
}

// gpsfake (and the gpsd it starts) in a session of its own, ended by that session's process group.
// It loops the log with a short cycle, so fixes keep coming whenever the client connects.
class Gpsfake {
public:
    Gpsfake(const std::string& program, const std::filesystem::path& log, int port, const std::filesystem::path& output) {
        const std::string line = "setsid " + testenv::shellQuote(program) + " -q -c 0.05 -P " + std::to_string(port) +
                                 " " + testenv::shellQuote(log.string()) + " >" +
                                 testenv::shellQuote(output.string()) + " 2>&1 & echo $!";
        pid_ = std::atol(testenv::run(line).out.c_str());
    }
    ~Gpsfake() { stop(); }
    // Ends gpsfake and its gpsd. Later calls do nothing.
    void stop() {
        if (pid_ <= 0) return;
        kill(-pid_, SIGTERM);
        if (!testenv::waitUntil([&] { return testenv::processGone(pid_); }, 5)) kill(-pid_, SIGKILL);
        kill(-pid_, SIGKILL);  // gpsd, if it outlived gpsfake
        std::error_code ec;
        std::filesystem::remove("/tmp/gpsfake-" + std::to_string(pid_) + ".sock", ec);
        pid_ = -1;
    }
    bool started() const { return pid_ > 0; }
    bool exited() const { return testenv::processGone(pid_); }

private:
    pid_t pid_ = -1;
};

class Listener : public LocationSource::Listener {
public:
    void locationSourceDidUpdate(const Location& l) override {
        fixes.push_back(l);
        threads.push_back(std::this_thread::get_id());
    }
    void locationSourceDidFail(const LocationError&) override {}
    std::vector<Location> fixes;
    std::vector<std::thread::id> threads;
};

}  // namespace

TEST(GpsdLocationSource, FixFromGpsfakeArrivesOnTheMainThread) {
    const std::string gpsfake = findProgram("gpsfake");
    if (gpsfake.empty() || findProgram("gpsd").empty())
        GTEST_SKIP() << "gpsfake or gpsd is not installed (Debian packages gpsd-clients and gpsd)";
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "sydney.nmea", sydneyLog());
    const int port = loopback(0, false);
    ASSERT_GT(port, 0);
    Gpsfake fake(gpsfake, dir / "sydney.nmea", port, dir / "gpsfake.out");
    ASSERT_TRUE(fake.started());

    // Wait, with a deadline, for the daemon gpsfake starts to listen.
    EXPECT_TRUE(testenv::waitUntil([&] { return fake.exited() || loopback(port, true) > 0; }, 20));
    ASSERT_GT(loopback(port, true), 0) << "gpsd never listened on port " << port << "; gpsfake's output:\n"
                                       << testenv::readFile(dir / "gpsfake.out");

    SystemClock clock;
    RunLoop loop(clock);
    std::vector<std::string> warnings;
    std::mutex warnMutex;
    auto warned = [&] {
        std::lock_guard lk(warnMutex);
        return warnings.size();
    };
    auto source = std::make_shared<GpsdLocationSource>(loop, "127.0.0.1", std::to_string(port),
                                                       [&](const std::string& line) {
                                                           std::lock_guard lk(warnMutex);
                                                           warnings.push_back(line);
                                                           loop.post([] {});  // wakes runUntil
                                                       });
    Listener listener;
    source->addListener(&listener);
    // The run loop's own deadline is the watchdog: real time, at most 20 s.
    ASSERT_TRUE(loop.runUntil([&] { return !listener.fixes.empty(); }, 20.0s))
        << "no fix from gpsfake; its output:\n" << testenv::readFile(dir / "gpsfake.out");
    source->removeListener(&listener);
    EXPECT_NEAR(listener.fixes[0].latitude, -33.8688, 1e-6);
    EXPECT_NEAR(listener.fixes[0].longitude, 151.2093, 1e-6);
    EXPECT_GE(listener.fixes[0].horizontalAccuracy, 0);
    EXPECT_EQ(listener.threads[0], std::this_thread::get_id());
    // Fixes that were already on their way are dropped, and nothing stays busy.
    const size_t heard = listener.fixes.size();
    EXPECT_TRUE(loop.settle(5.0));
    loop.runDue();
    EXPECT_EQ(listener.fixes.size(), heard);
    EXPECT_TRUE(loop.allIdle());
    EXPECT_EQ(warned(), 0u);

    // The daemon goes away while updates run: the reader survives (no SIGPIPE), reconnects in
    // vain, warns once naming where it looked, and the source still closes promptly.
    source->addListener(&listener);
    fake.stop();
    EXPECT_TRUE(loop.runUntil([&] { return warned() > 0; }, 20s)) << "no warning after gpsd went away";
    EXPECT_TRUE(loop.allIdle()) << "a failed connection must not hold up a headless script";
    source->removeListener(&listener);
    testenv::withWatchdog([&] { source.reset(); }, "closing the gpsd reader", 5);
    std::lock_guard lk(warnMutex);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("127.0.0.1:" + std::to_string(port)), std::string::npos) << warnings[0];
}
