#include "platform/camera/CameraPortal.h"

#include "platform/dbus/BusThread.h"

#include <sdbus-c++/sdbus-c++.h>

#include <unistd.h>

#include <cstdlib>
#include <map>

namespace platform {
namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kCamera = "org.freedesktop.portal.Camera";
constexpr const char* kRequest = "org.freedesktop.portal.Request";
constexpr const char* kToken = "kestrova_camera";

std::string sessionBus() {
    if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) return a;
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return "unix:path=" + (dir && *dir ? std::string(dir) : "/run/user/" + std::to_string(getuid())) + "/bus";
}

// Where the portal puts the request object of a call with `token` from the connection `unique`.
std::string requestPath(const std::string& unique) {
    std::string sender = unique.substr(unique.rfind(':') == 0 ? 1 : 0);
    for (char& c : sender)
        if (c == '.') c = '_';
    return std::string(kPath) + "/request/" + sender + "/" + kToken;
}

std::string why(const sdbus::Error& e) { return e.getMessage().empty() ? e.getName() : e.getMessage(); }

}  // namespace

struct CameraPortal::Call {
    Answer answer;
    std::unique_ptr<sdbus::IProxy> portal;
    sdbus::Slot response;
    bool answered = false;

    void finish(int fd, const std::string& reason) {
        if (answered) {
            if (fd >= 0) close(fd);
            return;
        }
        answered = true;  // the match stays until the end: this may run inside its own handler
        answer(fd, reason);
    }

    void listen(sdbus::IConnection& bus, const std::string& path) {
        const std::string rule =
            std::string("type='signal',interface='") + kRequest + "',member='Response',path='" + path + "'";
        response = bus.addMatch(rule, [this](sdbus::Message& m) {
            uint32_t code = 2;
            try {
                m >> code;
            } catch (const sdbus::Error&) {
                return finish(-1, "the camera portal answered in unexpected types");
            }
            if (code == 0) return openRemote();
            finish(-1, code == 1 ? "the camera portal refused access" : "the camera portal ended the request");
        });
    }

    void ask(sdbus::IConnection& bus) {
        portal = sdbus::createProxy(bus, kService, kPath);
        // Listening before asking: the answer may come before the reply that names the request.
        const std::string expected = requestPath(bus.getUniqueName());
        listen(bus, expected);
        auto call = portal->createMethodCall(kCamera, "AccessCamera");
        call << std::map<std::string, sdbus::Variant>{{"handle_token", sdbus::Variant(std::string(kToken))}};
        portal->callMethod(call, [this, &bus, expected](sdbus::MethodReply& reply, const sdbus::Error* error) {
            if (error) return finish(-1, "no camera portal: " + why(*error));
            sdbus::ObjectPath path;
            try {
                reply >> path;
            } catch (const sdbus::Error& e) {
                return finish(-1, "no camera portal: " + why(e));
            }
            if (path != expected && !answered) listen(bus, path);  // a portal older than handle tokens
        });
    }

    void openRemote() {
        auto call = portal->createMethodCall(kCamera, "OpenPipeWireRemote");
        call << std::map<std::string, sdbus::Variant>{};
        portal->callMethod(call, [this](sdbus::MethodReply& reply, const sdbus::Error* error) {
            if (error) return finish(-1, "the camera portal gave no PipeWire connection: " + why(*error));
            sdbus::UnixFd fd;
            try {
                reply >> fd;
            } catch (const sdbus::Error& e) {
                return finish(-1, "the camera portal gave no PipeWire connection: " + why(e));
            }
            finish(fd.release(), {});
        });
    }
};

CameraPortal::CameraPortal(std::string busAddress, Answer answer)
    : call_(std::make_unique<Call>()),
      bus_(std::make_unique<BusThread>(busAddress.empty() ? sessionBus() : std::move(busAddress))) {
    call_->answer = std::move(answer);
    bus_->start([this](const std::string& reason) {
        // The bus thread, with nothing of the call running: no session bus at all, or it went.
        if (!call_->answered) call_->finish(-1, "no camera portal: " + reason);
    });
    bus_->post([this](sdbus::IConnection& bus) { call_->ask(bus); });
}

CameraPortal::~CameraPortal() {
    bus_->post([this](sdbus::IConnection&) {
        call_->answered = true;
        call_->response = {};
        call_->portal.reset();
    });
    bus_->stop();
}

}  // namespace platform
