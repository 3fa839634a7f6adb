#include "platform/foundation/MainThreadChecker.h"

#include "platform/foundation/RunLoop.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

bool MainThreadChecker::calledOnThreadOf(const RunLoop* loop) { return !loop || loop->isCurrentThread(); }

bool MainThreadChecker::calledOnMainThread() { return calledOnThreadOf(RunLoop::mainIfAny()); }

void MainThreadChecker::fail(const char* function, const char* file, int line) {
    std::fprintf(stderr, "kestrova: %s (%s:%d) called off the main thread\n", function, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform
