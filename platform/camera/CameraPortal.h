#pragma once
// The desktop's camera portal, through which a sandboxed program reaches the camera: AccessCamera
// (the desktop may ask the user, and answers later with a Response signal on a request object),
// then OpenPipeWireRemote, a connection to a PipeWire that shows this program the cameras alone.
// It is spoken to on a bus thread of its own, so no other thread waits for the bus or the user.
#include <functional>
#include <memory>
#include <string>

namespace platform {

class BusThread;

class CameraPortal {
public:
    // On the bus thread, once: a connected socket (the receiver owns it), or -1 and why not.
    using Answer = std::function<void(int fd, const std::string& reason)>;

    // Asks at once. `busAddress` empty: the session bus (DBUS_SESSION_BUS_ADDRESS, else the bus
    // in XDG_RUNTIME_DIR).
    CameraPortal(std::string busAddress, Answer answer);
    // No answer comes once this returns.
    ~CameraPortal();
    CameraPortal(const CameraPortal&) = delete;
    CameraPortal& operator=(const CameraPortal&) = delete;

private:
    struct Call;
    std::unique_ptr<Call> call_;  // bus thread only
    std::unique_ptr<BusThread> bus_;
};

}  // namespace platform
