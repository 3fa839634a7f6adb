// The window hosts' run-loop waiters against a signal at the wrong moment and over many turns:
// poll() and read() interrupted (EINTR) on a chosen descriptor, and SDL's pumps counted. The
// interruptions are put in by this file's own poll(), read() and SDL_PumpEvents(), which the
// waiters' calls reach before the system's; every other call goes straight through.
#include "host/window/SdlRunLoopWaiter.h"
#include "host/window/WakeupFd.h"
#include "host/window/WaylandRunLoopWaiter.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None, a name gtest uses.
#include <SDL.h>
#include <SDL_syswm.h>
#include <wayland-client.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <string>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::atomic<int> interruptReadOf{-1};  // the next read() of this descriptor fails with EINTR
std::atomic<int> interruptPollOf{-1};  // the next poll() watching it runs onInterruptedPoll, then fails
std::function<void()> onInterruptedPoll;
std::atomic<int> pumps{0};

template <typename F>
F* next(const char* name) {
    return reinterpret_cast<F*>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
    static auto* real = next<ssize_t(int, void*, size_t)>("read");
    int armed = fd;
    if (fd >= 0 && interruptReadOf.compare_exchange_strong(armed, -1)) {
        errno = EINTR;
        return -1;
    }
    return real(fd, buffer, size);
}

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
    static auto* real = next<int(pollfd*, nfds_t, int)>("poll");
    for (nfds_t i = 0; i < count; ++i) {
        int armed = fds[i].fd;
        if (fds[i].fd >= 0 && interruptPollOf.compare_exchange_strong(armed, -1)) {
            if (onInterruptedPoll) onInterruptedPoll();
            errno = EINTR;
            return -1;
        }
    }
    return real(fds, count, timeout);
}

extern "C" void SDL_PumpEvents(void) {
    static auto* real = next<void()>("SDL_PumpEvents");
    ++pumps;
    real();
}

namespace {

// Everything readable on a non-blocking descriptor now; its byte count.
size_t drain(int fd) {
    size_t total = 0;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) total += size_t(n);
    return total;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

}  // namespace

TEST(RunLoopWaiter, AnInterruptedDrainTakesBackEveryWake) {
    host::WakeupFd wakeup;
    wakeup.wake();
    wakeup.wake();
    interruptReadOf = wakeup.fd();
    wakeup.drain();
    EXPECT_EQ(interruptReadOf, -1) << "the drain never read";
    EXPECT_FALSE(readable(wakeup.fd()));
}

// The compositor's end of the connection is the test's end of a socket pair.
TEST(RunLoopWaiter, WaylandFlushesThroughAnInterruptionAndQueuesWhatArrives) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const int server = ends[1];
    fcntl(server, F_SETFL, O_NONBLOCK);
    wl_display* display = wl_display_connect_to_fd(ends[0]);
    ASSERT_TRUE(display);
    host::WaylandRunLoopWaiter waiter(display);

    // The socket full, so that the request waits in the connection's buffer until the compositor
    // reads; it reads while the waiter's wait for room is interrupted.
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, '\0');
    while (::write(ends[0], filler.data(), filler.size()) > 0) {
    }
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    static const wl_callback_listener listener{[](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(callback, &listener, &done);
    onInterruptedPoll = [server] { drain(server); };
    interruptPollOf = ends[0];
    waiter.wait(0);
    onInterruptedPoll = nullptr;
    EXPECT_EQ(interruptPollOf, -1) << "the flush never waited for room";
    EXPECT_EQ(drain(server), 12u) << "the sync request did not reach the compositor";

    // Its answer is read into the queue, for the host to dispatch.
    const uint32_t event[3] = {wl_proxy_get_id(reinterpret_cast<wl_proxy*>(callback)), 12u << 16 | 0, 7};
    ASSERT_EQ(::write(server, event, sizeof event), ssize_t(sizeof event));
    waiter.wait(10);
    EXPECT_FALSE(done);
    wl_display_dispatch_pending(display);
    EXPECT_TRUE(done);

    // A wake from another thread ends a wait without a deadline.
    std::thread([&] { waiter.wake(); }).join();
    waiter.wait(-1);
    wl_display_disconnect(display);
    close(server);
}

TEST(RunLoopWaiter, X11PumpsOnceEvery32TurnsAndAnInterruptedWaitMayHaveInput) {
    if (auto m = testenv::missingProgram("Xvfb"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::PrivateXServer server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    testenv::ScopedEnv display("DISPLAY", server.name().c_str()), driver("SDL_VIDEODRIVER", "x11");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("waiter", 0, 0, 32, 32, SDL_WINDOW_HIDDEN);
    ASSERT_TRUE(window) << SDL_GetError();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    const int connection = ConnectionNumber(info.info.x11.display);
    {
        host::SdlRunLoopWaiter waiter(window);
        // Interrupted while asleep on the connection, the waiter cannot know that nothing came.
        bool slept = false;
        for (int i = 0; i < 100 && !slept; ++i) {
            SDL_PumpEvents();
            SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
            interruptPollOf = connection;
            waiter.wait(10);
            slept = interruptPollOf == -1;
        }
        interruptPollOf = -1;
        ASSERT_TRUE(slept) << "the waiter never slept on the connection";
        EXPECT_TRUE(waiter.windowInputMayWait());
    }
    // SDL's full pump, besides the single reads of each turn: once every 32 turns.
    host::SdlRunLoopWaiter waiter(window);
    pumps = 0;
    for (int i = 0; i < 64; ++i) waiter.wait(0);
    EXPECT_EQ(pumps, 2);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
