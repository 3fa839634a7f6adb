#include "platform/system/SensorProxyOrientation.h"

#include "platform/dbus/BusNames.h"
#include "platform/dbus/BusThread.h"
#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <map>
#include <vector>

namespace platform {
namespace {
constexpr const char* kPath = "/net/hadess/SensorProxy";
constexpr const char* kInterface = "net.hadess.SensorProxy";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kOrientation = "AccelerometerOrientation";
constexpr const char* kHasAccelerometer = "HasAccelerometer";
using PropertyMap = std::map<std::string, sdbus::Variant>;

// A name from the service, fit for one line of a warning.
std::string printable(const std::string& s) {
    std::string out;
    for (char c : s.substr(0, 40)) out += (c >= 0x20 && c < 0x7f) ? c : '?';
    return out;
}
}  // namespace

struct SensorProxyOrientation::Link {
    std::unique_ptr<sdbus::IProxy> service;
    sdbus::Slot ownerWatch, changes;
    std::string owner;  // the unique name that granted our claim; its signals are the ones we read
    bool claimed = false;
};

SensorProxyOrientation::SensorProxyOrientation(RunLoop& loop, Changed changed, Warn warn, std::string busAddress)
    : loop_(loop),
      changed_(std::move(changed)),
      warn_(std::move(warn)),
      idling_(std::make_unique<IdlingResource>(loop, "accelerometer")),
      bus_(std::make_unique<BusThread>(std::move(busAddress))) {
    if (!warn_) warn_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    bus_->start();
    bus_->post([this](sdbus::IConnection& bus) {
        link_ = std::make_unique<Link>();
        Link& l = *link_;
        l.service = sdbus::createProxy(bus, kService, kPath);

        // Reads the orientation as it stands; a claim alone announces nothing.
        auto readAll = [this, &l] {
            auto call = l.service->createMethodCall(kProperties, "GetAll");
            call << std::string(kInterface);
            l.service->callMethod(call, [this](sdbus::MethodReply& reply, const sdbus::Error* error) {
                if (error) return;  // gone again; its return brings a new claim
                PropertyMap props;
                try {
                    reply >> props;
                    auto has = props.find(kHasAccelerometer);
                    if (has != props.end() && !has->second.get<bool>()) return;
                    auto it = props.find(kOrientation);
                    if (it != props.end()) report(it->second.get<std::string>());
                } catch (const sdbus::Error&) {
                    warnOnce("warning: net.hadess.SensorProxy answered with unexpected types; ignored");
                }
            });
        };
        auto claim = [this, &l, readAll] {
            auto call = l.service->createMethodCall(kInterface, "ClaimAccelerometer");
            l.service->callMethod(call, [this, &l, readAll](sdbus::MethodReply& reply, const sdbus::Error* error) {
                if (error) {
                    if (!busnames::isMissing(*error))
                        warnOnce("warning: net.hadess.SensorProxy: " + error->getName() + "; orientation stays as it is");
                    return;
                }
                l.owner = reply.getSender();
                l.claimed = true;
                readAll();
            });
        };
        l.ownerWatch = busnames::watchOwner(bus, kService, [&l, claim](const std::string& owner) {
            l.owner.clear();
            l.claimed = false;
            if (!owner.empty()) claim();
        });
        const std::string rule = std::string("type='signal',path='") + kPath + "',interface='" + kProperties +
                                 "',member='PropertiesChanged',arg0='" + kInterface + "'";
        l.changes = bus.addMatch(rule, [this, &l, readAll](sdbus::Message& m) {
            if (!l.claimed || m.getSender() != l.owner) return;
            std::string interface;
            PropertyMap changed;
            std::vector<std::string> invalidated;
            try {
                m >> interface >> changed >> invalidated;
                if (auto it = changed.find(kOrientation); it != changed.end()) report(it->second.get<std::string>());
                else if (changed.count(kHasAccelerometer) || !invalidated.empty()) readAll();
            } catch (const sdbus::Error&) {
                warnOnce("warning: net.hadess.SensorProxy sent unexpected types; ignored");
            }
        });
        claim();
    });
}

SensorProxyOrientation::~SensorProxyOrientation() {
    alive_.reset();
    bus_->post([this](sdbus::IConnection&) {
        if (link_ && link_->claimed) {
            // Sent without waiting for an answer: the process may be on its way out.
            auto call = link_->service->createMethodCall(kInterface, "ReleaseAccelerometer");
            call.dontExpectReply();
            link_->service->callMethod(call);
        }
        link_.reset();
    });
    bus_->stop();
}

std::optional<DeviceOrientation> SensorProxyOrientation::orientationForName(const std::string& name) {
    if (name == "normal") return DeviceOrientation::Portrait;
    if (name == "bottom-up") return DeviceOrientation::PortraitUpsideDown;
    if (name == "right-up") return DeviceOrientation::LandscapeLeft;
    if (name == "left-up") return DeviceOrientation::LandscapeRight;
    if (name == "undefined") return DeviceOrientation::Unknown;
    return std::nullopt;
}

void SensorProxyOrientation::report(const std::string& name) {
    auto orientation = orientationForName(name);
    if (!orientation) {
        warnOnce("warning: net.hadess.SensorProxy reported the orientation '" + printable(name) + "'; ignored");
        return;
    }
    if (*orientation == DeviceOrientation::Unknown) return;
    idling_->beginWork();
    loop_.post([weak = std::weak_ptr<int>(alive_), this, o = *orientation] {
        if (!weak.lock()) return;
        changed_(o);
        idling_->endWork();
    });
}

void SensorProxyOrientation::warnOnce(const std::string& line) {
    if (warned_) return;
    warned_ = true;
    warn_(line);
}

}  // namespace platform
