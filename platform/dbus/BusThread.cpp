#include "platform/dbus/BusThread.h"

#include <sdbus-c++/sdbus-c++.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace platform {

BusThread::BusThread(std::string address)
    : address_(std::move(address)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

BusThread::~BusThread() {
    stop();
    if (wakeFd_ >= 0) close(wakeFd_);
}

void BusThread::start(Failed failed) {
    if (thread_.joinable()) return;
    failed_ = std::move(failed);
    thread_ = std::thread([this] { run(); });
}

void BusThread::stop() {
    {
        std::lock_guard lk(mutex_);
        quit_ = true;
    }
    wake();
    if (thread_.joinable() && !isCurrentThread()) thread_.join();
}

void BusThread::post(Task task) {
    {
        std::lock_guard lk(mutex_);
        if (dead_ || quit_) return;
        tasks_.push_back(std::move(task));
    }
    wake();
}

void BusThread::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
}

void BusThread::runTasks() {
    std::deque<Task> tasks;
    {
        std::lock_guard lk(mutex_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) {
        try {
            task(*connection_);
        } catch (const std::exception&) {
            // A call on a lost bus; its owner hears of the loss through `failed`.
        }
    }
}

void BusThread::run() {
    try {
        connection_ = address_.empty() ? sdbus::createSystemBusConnection()
                                       : sdbus::createSessionBusConnectionWithAddress(address_);
    } catch (const std::exception& e) {
        {
            std::lock_guard lk(mutex_);
            dead_ = true;
            tasks_.clear();
        }
        if (failed_) failed_(e.what());
        return;
    }
    bool lost = false;
    auto lose = [&](const std::exception& e) {
        if (lost) return;
        lost = true;
        if (failed_) failed_(e.what());
    };
    for (;;) {
        runTasks();
        if (!lost) {
            try {
                while (connection_->processPendingRequest()) {
                }
            } catch (const std::exception& e) {
                lose(e);
            }
        }
        {
            std::lock_guard lk(mutex_);
            if (quit_ && tasks_.empty()) break;
        }
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
        int timeout = -1;
        if (!lost) {
            try {
                const auto data = connection_->getEventLoopPollData();
                fds[1] = {data.fd, data.events, 0};
                timeout = data.getPollTimeout();
            } catch (const std::exception& e) {
                lose(e);
            }
        }
        if (poll(fds, lost ? 1 : 2, timeout) < 0) continue;
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] auto n = read(wakeFd_, &count, sizeof count);
        }
    }
    connection_.reset();
}

}  // namespace platform
