#pragma once
// Xvfb for a test's own connections, on a display number it picks itself (-displayfd), stopped
// when the object goes.
#include <string>

#include <sys/types.h>

namespace testenv {

class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    // ":N", or empty when the server did not start within its deadline.
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace testenv
