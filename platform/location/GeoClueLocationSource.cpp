#include "platform/location/GeoClueLocationSource.h"

#include "platform/dbus/BusNames.h"
#include "platform/dbus/BusThread.h"
#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <map>

namespace platform {
namespace {
constexpr const char* kManagerPath = "/org/freedesktop/GeoClue2/Manager";
constexpr const char* kManager = "org.freedesktop.GeoClue2.Manager";
constexpr const char* kClient = "org.freedesktop.GeoClue2.Client";
constexpr const char* kLocation = "org.freedesktop.GeoClue2.Location";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
using PropertyMap = std::map<std::string, sdbus::Variant>;
using Timestamp = sdbus::Struct<uint64_t, uint64_t>;
}  // namespace

struct GeoClueLocationSource::Link {
    sdbus::IConnection* bus = nullptr;
    std::unique_ptr<sdbus::IProxy> manager, client, fix;
    sdbus::Slot ownerWatch, updates;
    std::string owner, clientPath;
    unsigned generation = 0;  // replies to an older round of calls are stale
    bool wanted = false;      // someone listens
    bool starting = false;    // GetClient ... Start on its way
    bool running = false;     // Start answered
    bool answered = false;    // GeoClue2 answered once, or was found missing
    bool gaveUp = false;      // the fallback took over
    uint64_t lastTime = 0;    // microseconds since the epoch of the last fix read
};

GeoClueLocationSource::GeoClueLocationSource(RunLoop& loop, Warn warn, std::string busAddress,
                                             std::shared_ptr<LocationSource> fallback)
    : loop_(loop),
      warn_(std::move(warn)),
      fallback_(std::move(fallback)),
      idling_(std::make_unique<IdlingResource>(loop, "geoclue")),
      bus_(std::make_unique<BusThread>(std::move(busAddress))) {
    if (!warn_) warn_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    // No bus at all is a missing service.
    bus_->start([this](const std::string&) {
        if (fallback_ && !(link_ && link_->answered)) postFallback();
        else postAvailability(false);
    });
    bus_->post([this](sdbus::IConnection& bus) {
        link_ = std::make_unique<Link>();
        Link& l = *link_;
        l.bus = &bus;
        l.manager = sdbus::createProxy(bus, kService, kManagerPath);
        l.ownerWatch = busnames::watchOwner(bus, kService, [this](const std::string& owner) { lose(owner); });
        const std::string rule = std::string("type='signal',interface='") + kClient + "',member='LocationUpdated'";
        l.updates = bus.addMatch(rule, [this, &l](sdbus::Message& m) {
            // A service may announce the fix it has before it answers Start.
            if (!(l.running || l.starting) || m.getSender() != l.owner || m.getPath() != l.clientPath) return;
            sdbus::ObjectPath before, now;
            try {
                m >> before >> now;
            } catch (const sdbus::Error&) {
                warnOnce("warning: GeoClue2 sent a location update of unexpected types; ignored");
                return;
            }
            read(now);
        });
    });
}

GeoClueLocationSource::~GeoClueLocationSource() {
    alive_.reset();
    if (usingFallback_ && active()) fallback_->removeListener(this);
    bus_->post([this](sdbus::IConnection&) {
        if (link_ && link_->running) {
            auto call = link_->client->createMethodCall(kClient, "Stop");
            call.dontExpectReply();
            link_->client->callMethod(call);
        }
        link_.reset();
    });
    bus_->stop();
}

void GeoClueLocationSource::start() {
    if (usingFallback_) {
        fallback_->addListener(this);
        return;
    }
    bus_->post([this](sdbus::IConnection&) {
        if (!link_) return;
        link_->wanted = true;
        begin();
    });
}

void GeoClueLocationSource::stop() {
    if (usingFallback_) {
        fallback_->removeListener(this);
        return;
    }
    bus_->post([this](sdbus::IConnection&) {
        if (!link_) return;
        Link& l = *link_;
        l.wanted = false;
        if (!l.running) return;  // a start on its way stops itself when it lands
        l.running = false;
        l.client->callMethod(l.client->createMethodCall(kClient, "Stop"), [](sdbus::MethodReply&, const sdbus::Error*) {});
    });
}

void GeoClueLocationSource::begin() {
    Link& l = *link_;
    if (l.gaveUp || !l.wanted || l.starting || l.running) return;
    l.starting = true;
    const unsigned gen = ++l.generation;
    if (!l.clientPath.empty()) {
        configure(gen);
        return;
    }
    l.manager->callMethod(l.manager->createMethodCall(kManager, "GetClient"),
                          [this, gen](sdbus::MethodReply& reply, const sdbus::Error* error) {
                              Link& l = *link_;
                              if (gen != l.generation) return;
                              if (error) return fail(gen, "GetClient", error);
                              sdbus::ObjectPath path;
                              try {
                                  reply >> path;
                              } catch (const sdbus::Error& e) {
                                  return fail(gen, "GetClient", &e);
                              }
                              l.owner = reply.getSender();
                              l.clientPath = path;
                              l.client = sdbus::createProxy(*l.bus, kService, path);
                              configure(gen);
                          });
}

void GeoClueLocationSource::configure(unsigned gen) {
    Link& l = *link_;
    auto set = [&l](const char* property, sdbus::Variant value) {
        auto call = l.client->createMethodCall(kProperties, "Set");
        call << std::string(kClient) << std::string(property) << value;
        return call;
    };
    // The calls go out in order and GeoClue2 answers them in order: only Start's answer matters,
    // but a refusal of either property is reported as well.
    auto check = [this, gen](const char* step) {
        return [this, gen, step](sdbus::MethodReply&, const sdbus::Error* error) {
            if (error && gen == link_->generation) fail(gen, step, error);
        };
    };
    l.client->callMethod(set("DesktopId", sdbus::Variant(std::string(kDesktopId))), check("DesktopId"));
    l.client->callMethod(set("RequestedAccuracyLevel", sdbus::Variant(uint32_t(kAccuracyExact))),
                         check("RequestedAccuracyLevel"));
    l.client->callMethod(l.client->createMethodCall(kClient, "Start"),
                         [this, gen](sdbus::MethodReply&, const sdbus::Error* error) {
                             Link& l = *link_;
                             if (gen != l.generation) return;
                             if (error) return fail(gen, "Start", error);
                             l.starting = false;
                             l.running = true;
                             l.answered = true;
                             postAvailability(true);
                             if (!l.wanted) {
                                 l.running = false;
                                 l.client->callMethod(l.client->createMethodCall(kClient, "Stop"),
                                                      [](sdbus::MethodReply&, const sdbus::Error*) {});
                             }
                         });
}

void GeoClueLocationSource::fail(unsigned gen, const std::string& step, const sdbus::Error* errorPtr) {
    Link& l = *link_;
    const auto& error = *errorPtr;
    ++l.generation;  // the rest of this round is moot
    l.starting = false;
    l.running = false;
    const bool firstAnswer = !l.answered;
    l.answered = true;
    if (busnames::isMissing(error)) {
        l.clientPath.clear();
        l.client.reset();
        if (firstAnswer && fallback_) {
            l.gaveUp = true;
            postFallback();
        } else {
            postAvailability(false);
        }
        return;
    }
    if (!busnames::isDenied(error)) warnOnce("warning: GeoClue2 " + step + ": " + error.getName() + "; location services off");
    postAvailability(false);
}

void GeoClueLocationSource::lose(const std::string& newOwner) {
    Link& l = *link_;
    if (l.gaveUp) return;
    ++l.generation;
    l.owner.clear();
    l.clientPath.clear();
    l.client.reset();
    l.fix.reset();
    l.starting = false;
    l.running = false;
    if (newOwner.empty()) {
        postAvailability(false);
        return;
    }
    // Back (or replaced): on again, and started again for whoever still listens.
    postAvailability(true);
    begin();
}

void GeoClueLocationSource::read(const std::string& fixPath) {
    Link& l = *link_;
    l.fix = sdbus::createProxy(*l.bus, kService, fixPath);
    auto call = l.fix->createMethodCall(kProperties, "GetAll");
    call << std::string(kLocation);
    const unsigned gen = l.generation;
    l.fix->callMethod(call, [this, gen](sdbus::MethodReply& reply, const sdbus::Error* error) {
        Link& l = *link_;
        if (error || gen != l.generation) return;  // gone meanwhile: the next update brings another
        Location fix;
        uint64_t micros = 0;
        try {
            PropertyMap props;
            reply >> props;
            fix.latitude = props.at("Latitude").get<double>();
            fix.longitude = props.at("Longitude").get<double>();
            fix.horizontalAccuracy = props.at("Accuracy").get<double>();
            if (auto t = props.find("Timestamp"); t != props.end()) {
                auto stamp = t->second.get<Timestamp>();
                micros = std::get<0>(stamp) * 1000000u + std::get<1>(stamp);
            }
        } catch (const std::exception&) {
            warnOnce("warning: GeoClue2 sent a location that lacks a field or has one of the wrong type; ignored");
            return;
        }
        if (!fix.isWellFormed() || fix.horizontalAccuracy < 0) {
            warnOnce("warning: GeoClue2 sent a location off the globe; ignored");
            return;
        }
        if (micros < l.lastTime) return;  // overtaken by a later fix
        l.lastTime = micros;
        idling_->beginWork();
        loop_.post([weak = std::weak_ptr<int>(alive_), this, fix] {
            if (!weak.lock()) return;
            Location l = fix;
            l.timestamp = loop_.now();
            deliver(l);
            idling_->endWork();
        });
    });
}

void GeoClueLocationSource::warnOnce(const std::string& line) {
    if (warned_) return;
    warned_ = true;
    warn_(line);
}

void GeoClueLocationSource::postAvailability(bool available) {
    loop_.post([weak = std::weak_ptr<int>(alive_), this, available] {
        if (!weak.lock() || usingFallback_) return;
        const bool changed = this->available() != available;
        setAvailable(available);
        if (changed && !available) deliverError({LocationError::Code::Denied, "GeoClue2 is missing or refused us"});
    });
}

void GeoClueLocationSource::postFallback() {
    loop_.post([weak = std::weak_ptr<int>(alive_), this] {
        if (weak.lock()) takeFallback();
    });
}

void GeoClueLocationSource::takeFallback() {
    if (usingFallback_) return;
    usingFallback_ = true;
    setAvailable(true);
    if (active()) fallback_->addListener(this);
}

}  // namespace platform
