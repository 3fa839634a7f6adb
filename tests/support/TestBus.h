#pragma once
// A private dbus-daemon standing in for the system bus, and python3-dbusmock services on it.
// Everything started here is stopped when the bus object goes. Waits are bounded, none fixed.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testenv {

class TestBus {
public:
    // Starts the daemon; ok() tells whether it runs.
    TestBus();
    ~TestBus();
    TestBus(const TestBus&) = delete;
    TestBus& operator=(const TestBus&) = delete;

    // dbus-daemon and python3-dbusmock are installed (tests skip otherwise).
    static bool available();
    bool ok() const { return !address_.empty(); }
    const std::string& address() const { return address_; }

    // Starts dbusmock with `templ` (a template name or path) and JSON `parameters`, and waits until
    // it owns `name`. Returns its process id, or -1.
    int startMock(const std::string& templ, const std::string& parameters, const std::string& name);
    // Ends a mock and waits until its name has left the bus.
    void stopMock(int pid, const std::string& name);
    bool hasOwner(const std::string& name) const;

    // Calls `iface.method` on `path` of `dest` with a Python argument list ("dbus.UInt32(3), 'x'")
    // and returns what Python prints of the result; status is not 0 when the call failed.
    CommandResult call(const std::string& dest, const std::string& path, const std::string& iface,
                       const std::string& method, const std::string& pythonArgs = "") const;

    // The GeoClue2 stand-in's template.
    static std::string geoclueTemplate() { return sourceDir() + "/tests/support/geoclue2_mock.py"; }

private:
    std::string address_;
    int daemonPid_ = -1;
    std::vector<int> mocks_;
};

// A test on the private bus with a main run loop in real time; skipped where the bus cannot be had.
class BusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TestBus::available()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
        ASSERT_TRUE(bus.ok());
        platform::RunLoop::setMain(&loop);
    }
    void TearDown() override { platform::RunLoop::setMain(nullptr); }

    TestBus bus;
    platform::SystemClock clock;
    platform::RunLoop loop{clock};
};

}  // namespace testenv
