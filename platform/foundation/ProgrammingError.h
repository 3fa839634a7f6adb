#pragma once
// Failures only a bug can cause are never swallowed. KESTROVA_VERIFY(condition, what) stops a
// debug or sanitizer build with `what` and the place; a release build writes the same as one
// "internal error" line to standard error and goes on, so a user keeps the session. Failures the
// user can cause (a full disk, a missing file) are not programming errors and stay silent.
#include "platform/foundation/DebugChecks.h"

namespace platform {

class ProgrammingError {
public:
    // Whether a report stops the program in this build.
    static constexpr bool kFatal = KESTROVA_DEBUG_CHECKS;

    // "kestrova: internal error: <what> (<file>:<line>)" on standard error; aborts when kFatal.
    static void report(const char* what, const char* file, int line);
};

}  // namespace platform

#define KESTROVA_VERIFY(condition, what) \
    ((condition) ? (void)0 : ::platform::ProgrammingError::report((what), __FILE__, __LINE__))
