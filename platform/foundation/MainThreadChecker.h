#pragma once
// A method meant for the main thread starts with KESTROVA_ASSERT_MAIN_THREAD() (or, for an object
// tied to one run loop, KESTROVA_ASSERT_LOOP_THREAD(loop)). In debug and sanitizer builds a call
// from another thread stops the program with the method's name; release builds skip the check.
#include "platform/foundation/DebugChecks.h"

namespace platform {

class RunLoop;

class MainThreadChecker {
public:
    // True on `loop`'s thread. A null loop counts every thread as its own: before a host or a
    // test installs the main run loop there is no main thread to be off.
    static bool calledOnThreadOf(const RunLoop* loop);
    // The same for the installed main run loop.
    static bool calledOnMainThread();
    // Writes "<function> (<file>:<line>) called off the main thread" to standard error and aborts.
    [[noreturn]] static void fail(const char* function, const char* file, int line);
};

}  // namespace platform

#if KESTROVA_DEBUG_CHECKS
#define KESTROVA_ASSERT_MAIN_THREAD()                                                      \
    do {                                                                                   \
        if (!::platform::MainThreadChecker::calledOnMainThread())                          \
            ::platform::MainThreadChecker::fail(__PRETTY_FUNCTION__, __FILE__, __LINE__);  \
    } while (0)
#define KESTROVA_ASSERT_LOOP_THREAD(loop)                                                  \
    do {                                                                                   \
        if (!::platform::MainThreadChecker::calledOnThreadOf(&(loop)))                     \
            ::platform::MainThreadChecker::fail(__PRETTY_FUNCTION__, __FILE__, __LINE__);  \
    } while (0)
#else
#define KESTROVA_ASSERT_MAIN_THREAD() \
    do {                              \
    } while (0)
#define KESTROVA_ASSERT_LOOP_THREAD(loop) \
    do {                                  \
        (void)sizeof(loop);               \
    } while (0)
#endif
