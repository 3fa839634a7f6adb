#pragma once
// Xvfb for a test's own connections, on a display number it picks itself (-displayfd), stopped
// when the object goes.
#include "tests/support/TestEnv.h"

#include <string>

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
    ScratchDir dir_;
    long pid_ = 0;
    std::string name_;
};

}  // namespace testenv
