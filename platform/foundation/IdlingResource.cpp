#include "platform/foundation/IdlingResource.h"

#include "platform/foundation/RunLoop.h"

namespace platform {

IdlingResource::IdlingResource(RunLoop& loop, std::string name) : loop_(loop), name_(std::move(name)) {
    loop_.addIdlingResource(this);
}

IdlingResource::~IdlingResource() { loop_.removeIdlingResource(this); }

void IdlingResource::beginWork() { count_.fetch_add(1, std::memory_order_acq_rel); }

void IdlingResource::endWork() {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) loop_.notifyIdleChange();
}

}  // namespace platform
