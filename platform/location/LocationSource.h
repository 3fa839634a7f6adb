#pragma once
// Where fixes come from: a simulated receiver or gpsd. Listeners are registered and called on the
// main thread; the first listener switches the receiver on and the last one leaving switches it off.
#include "platform/location/Location.h"
#include "platform/location/LocationError.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class LocationSource {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void locationSourceDidUpdate(const Location& location) = 0;
        virtual void locationSourceDidFail(const LocationError& error) = 0;
    };

    LocationSource() = default;
    virtual ~LocationSource() = default;
    LocationSource(const LocationSource&) = delete;
    LocationSource& operator=(const LocationSource&) = delete;

    // Main thread. Adding a listener twice or removing an absent one does nothing.
    void addListener(Listener* listener);
    void removeListener(Listener* listener);
    bool active() const { return !listeners_.empty(); }

    // Whether the positioning service can be used: false while a service the source depends on
    // is missing or refuses us. Main thread.
    bool available() const { return available_; }
    // Told of every change of available(), on the main thread. One observer, named by `owner`;
    // a later one replaces it, and removing it by another owner's name does nothing.
    void setAvailabilityObserver(const void* owner, std::function<void(bool available)> observer);
    void removeAvailabilityObserver(const void* owner);

protected:
    // Called when the first listener arrives and when the last one leaves.
    virtual void start() = 0;
    virtual void stop() = 0;

    // Main thread. Hands a fix to every listener registered now; a fix that is not well formed is
    // dropped. Listeners may remove themselves (or others) from inside the call.
    void deliver(const Location& location);
    void deliverError(const LocationError& error);
    // Main thread.
    void setAvailable(bool available);

    // Held weakly by work posted to the run loop, so a source destroyed first drops it.
    std::weak_ptr<int> lifetime() const { return lifetime_; }

private:
    std::vector<Listener*> listeners_;
    bool available_ = true;
    const void* observerOwner_ = nullptr;
    std::function<void(bool)> observer_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
