#include "tests/support/TestBus.h"

#include <signal.h>

#include <algorithm>
#include <sstream>

namespace testenv {
namespace {
// Debian's dbusmock lives beside the system's Python, whatever python3 comes first on PATH.
const char* kPython = "/usr/bin/python3";
}  // namespace

bool TestBus::available() {
    return run("command -v dbus-daemon").status == 0 &&
           run(std::string(kPython) + " -c 'import dbusmock' 2>/dev/null").status == 0;
}

TestBus::TestBus() {
    if (!available()) return;
    auto r = run("dbus-daemon --config-file=/usr/share/dbus-1/session.conf --fork --print-address=1 --print-pid=1");
    std::istringstream in(r.out);
    std::string address;
    int pid = -1;
    if (r.status == 0 && std::getline(in, address) && (in >> pid) && !address.empty()) {
        address_ = address;
        daemonPid_ = pid;
    }
}

TestBus::~TestBus() {
    for (int pid : mocks_) ::kill(pid, SIGTERM);
    if (daemonPid_ > 0) ::kill(daemonPid_, SIGTERM);
}

bool TestBus::hasOwner(const std::string& name) const {
    auto r = run("dbus-send --bus=" + shellQuote(address_) +
                 " --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:" +
                 shellQuote(name));
    return r.out.find("boolean true") != std::string::npos;
}

int TestBus::startMock(const std::string& templ, const std::string& parameters, const std::string& name) {
    if (!ok()) return -1;
    auto r = run("DBUS_SYSTEM_BUS_ADDRESS=" + shellQuote(address_) + " " + kPython + " -m dbusmock --system -t " +
                 shellQuote(templ) + (parameters.empty() ? "" : " -p " + shellQuote(parameters)) +
                 " >/dev/null 2>&1 & echo $!");
    int pid = -1;
    std::istringstream(r.out) >> pid;
    if (pid <= 0) return -1;
    mocks_.push_back(pid);
    if (!waitUntil([&] { return hasOwner(name); })) return -1;
    return pid;
}

void TestBus::stopMock(int pid, const std::string& name) {
    ::kill(pid, SIGTERM);
    mocks_.erase(std::remove(mocks_.begin(), mocks_.end(), pid), mocks_.end());
    waitUntil([&] { return !hasOwner(name); });
}

CommandResult TestBus::call(const std::string& dest, const std::string& path, const std::string& iface,
                            const std::string& method, const std::string& pythonArgs) const {
    const std::string program = "import dbus\n"
                                "bus = dbus.bus.BusConnection('" + address_ + "')\n"
                                "o = bus.get_object('" + dest + "', '" + path + "')\n"
                                "print(o.get_dbus_method('" + method + "', '" + iface + "')(" + pythonArgs + "))\n";
    return run(std::string(kPython) + " -c " + shellQuote(program));
}

}  // namespace testenv
