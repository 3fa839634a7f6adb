#include "platform/foundation/ProgrammingError.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void ProgrammingError::report(const char* what, const char* file, int line) {
    std::fprintf(stderr, "kestrova: internal error: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    if (kFatal) std::abort();
}

}  // namespace platform
