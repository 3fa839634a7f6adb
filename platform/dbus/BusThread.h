#pragma once
// A D-Bus connection and the one thread that uses it. The connection is opened on that thread,
// so no other thread ever waits for the bus: they hand it work with post(), and every reply and
// signal handler runs there as well. Between events the thread sleeps in poll().
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sdbus {
class IConnection;
}

namespace platform {

class BusThread {
public:
    using Task = std::function<void(sdbus::IConnection& bus)>;
    // Why the bus could not be reached, or that it was lost; on the bus thread, at most once.
    using Failed = std::function<void(const std::string& reason)>;

    // `address` empty: the system bus (DBUS_SYSTEM_BUS_ADDRESS, else its standard socket).
    explicit BusThread(std::string address = {});
    // Stops, as stop() does.
    ~BusThread();
    BusThread(const BusThread&) = delete;
    BusThread& operator=(const BusThread&) = delete;

    // Starts the thread and connects. `failed` may be empty.
    void start(Failed failed = {});
    // Runs every task posted so far, sends what they queued, closes the connection and ends the
    // thread. Later posts are dropped.
    void stop();

    // Runs `task` on the bus thread with the connection, in posting order. Dropped when the bus
    // could not be reached. After the bus is lost tasks still run (their calls fail), so that
    // they can release what they hold. Any thread.
    void post(Task task);
    bool isCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void run();
    void runTasks();
    void wake();

    const std::string address_;
    Failed failed_;
    int wakeFd_ = -1;
    std::unique_ptr<sdbus::IConnection> connection_;  // bus thread only

    std::mutex mutex_;  // guards tasks_, quit_, dead_
    std::deque<Task> tasks_;
    bool quit_ = false;
    bool dead_ = false;  // no connection: posts are dropped
    std::thread thread_;
};

}  // namespace platform
