#pragma once
// Background work that a headless script must wait for before virtual time moves on (a save
// worker with records, a camera delivery in flight). Busy while its count is above zero.
#include <atomic>
#include <string>

namespace platform {

class RunLoop;

class IdlingResource {
public:
    // Registers with `loop` for its whole life.
    IdlingResource(RunLoop& loop, std::string name);
    ~IdlingResource();
    IdlingResource(const IdlingResource&) = delete;
    IdlingResource& operator=(const IdlingResource&) = delete;

    // Any thread. Calls nest: busy until every beginWork has its endWork.
    void beginWork();
    void endWork();
    bool isIdle() const { return count_.load(std::memory_order_acquire) == 0; }
    const std::string& name() const { return name_; }

private:
    RunLoop& loop_;
    std::string name_;
    std::atomic<int> count_{0};
};

// beginWork for a scope.
class IdlingScope {
public:
    explicit IdlingScope(IdlingResource* r) : r_(r) { if (r_) r_->beginWork(); }
    ~IdlingScope() { if (r_) r_->endWork(); }
    IdlingScope(const IdlingScope&) = delete;
    IdlingScope& operator=(const IdlingScope&) = delete;

private:
    IdlingResource* r_;
};

}  // namespace platform
