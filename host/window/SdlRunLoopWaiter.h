#pragma once
// Lets the main run loop sleep inside SDL's event wait, so one sleep serves window input and
// run-loop work alike. wake() pushes an SDL user event, which SDL allows from any thread.
#include "platform/foundation/RunLoop.h"

#include <cstdint>

namespace host {

class SdlRunLoopWaiter final : public platform::RunLoopWaiter {
public:
    // SDL's event system must be initialised first.
    SdlRunLoopWaiter();
    // Leaves the event in SDL's queue for the host to read.
    void wait(double seconds) override;
    void wake() override;
    // The event type wake() pushes, so the host can skip it.
    uint32_t eventType() const { return eventType_; }

private:
    uint32_t eventType_;
};

}  // namespace host
