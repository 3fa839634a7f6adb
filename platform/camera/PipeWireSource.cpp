#include "platform/camera/PipeWireSource.h"

#include "platform/camera/PipeWireCameraNode.h"
#include "platform/camera/PipeWireFormats.h"
#include "platform/camera/VideoModeChooser.h"

#include <pipewire/pipewire.h>
#include <spa/param/buffers.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include <unistd.h>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

double seconds(SteadyClock::duration d) { return std::chrono::duration<double>(d).count(); }
SteadyClock::duration span(double s) {
    return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(s));
}

std::string secondsText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

// Frames are checked for silence and failures handled at this interval, s.
constexpr double kTick = 0.1;
// A node just listed may not be ready for a link yet, s.
constexpr double kNewNodeDelay = 0.5;
// More offers than this say nothing new: the first ones are what is taken.
constexpr size_t kMaxOffers = 48;

}  // namespace

// Everything PipeWire's: touched only on its thread, or with the thread loop locked.
struct PipeWireSource::Impl {
    PipeWireSource& owner;
    const std::string wanted;
    const Timing timing;

    pw_thread_loop* threadLoop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    spa_hook coreHook{};
    pw_registry* registry = nullptr;
    spa_hook registryHook{};
    spa_source* timer = nullptr;
    spa_source* kick = nullptr;
    bool closing = false;
    int syncSeq = -1;
    bool synced = false;
    bool daemonGone = false;
    std::string connectError;
    int remoteFd = -1;        // a connection handed over, until PipeWire takes it
    bool remoteOnly = false;  // the daemon is reached through that connection alone
    std::vector<PipeWireCameraNode> nodes;

    // The camera being opened or streamed: its node (for its formats), then its stream.
    uint32_t current = SPA_ID_INVALID;
    pw_proxy* nodeProxy = nullptr;
    spa_hook nodeHook{};
    int enumSeq = -1;
    std::vector<VideoMode> modes;
    pw_stream* stream = nullptr;
    spa_hook streamHook{};
    VideoFormat format;
    bool formatKnown = false;
    SteadyClock::time_point lastFrame;
    std::string failure;  // the stream failed in a callback: closed at the next step
    SteadyClock::time_point retryAt;

    Impl(PipeWireSource& o, std::string w, Timing t) : owner(o), wanted(std::move(w)), timing(t) {}
    ~Impl() {
        if (remoteFd >= 0) close(remoteFd);
    }

    pw_loop* loop() const { return pw_thread_loop_get_loop(threadLoop); }
    void wake() { pw_loop_signal_event(loop(), kick); }

    bool connect() {
        if (remoteOnly && remoteFd < 0) {
            connectError = "its connection is closed";
            return false;
        }
        // PipeWire owns a connection handed to it, and closes it with the core.
        core = remoteOnly ? pw_context_connect_fd(context, std::exchange(remoteFd, -1), nullptr, 0)
                          : pw_context_connect(context, nullptr, 0);
        if (!core) {
            connectError = std::strerror(errno);
            return false;
        }
        static const pw_core_events coreEvents = [] {
            pw_core_events e{};
            e.version = PW_VERSION_CORE_EVENTS;
            e.done = [](void* d, uint32_t id, int seq) { static_cast<Impl*>(d)->onDone(id, seq); };
            e.error = [](void* d, uint32_t id, int seq, int res, const char* message) {
                static_cast<Impl*>(d)->onError(id, seq, res, message);
            };
            return e;
        }();
        pw_core_add_listener(core, &coreHook, &coreEvents, this);
        registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
        static const pw_registry_events registryEvents = [] {
            pw_registry_events e{};
            e.version = PW_VERSION_REGISTRY_EVENTS;
            e.global = [](void* d, uint32_t id, uint32_t, const char* type, uint32_t, const spa_dict* props) {
                static_cast<Impl*>(d)->onGlobal(id, type, props);
            };
            e.global_remove = [](void* d, uint32_t id) { static_cast<Impl*>(d)->onGlobalRemove(id); };
            return e;
        }();
        pw_registry_add_listener(registry, &registryHook, &registryEvents, this);
        synced = false;
        daemonGone = false;
        syncSeq = pw_core_sync(core, PW_ID_CORE, 0);
        return true;
    }

    void disconnect() {
        closeCamera();
        if (registry) {
            spa_hook_remove(&registryHook);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
            registry = nullptr;
        }
        if (core) {
            spa_hook_remove(&coreHook);
            pw_core_disconnect(core);
            core = nullptr;
        }
        nodes.clear();
        synced = false;
    }

    void closeCamera() {
        if (stream) {
            spa_hook_remove(&streamHook);
            pw_stream_destroy(stream);
            stream = nullptr;
        }
        if (nodeProxy) {
            spa_hook_remove(&nodeHook);
            pw_proxy_destroy(nodeProxy);
            nodeProxy = nullptr;
        }
        current = SPA_ID_INVALID;
        formatKnown = false;
        failure.clear();
    }

    void lose(const std::string& reason) {
        closeCamera();
        owner.reportLost(reason);
        retryAt = SteadyClock::now() + span(timing.reopenInterval);
    }

    // What happens next, from the state the callbacks left.
    void step() {
        if (closing) return;
        const auto now = SteadyClock::now();
        if (daemonGone) {
            const bool hadCamera = current != SPA_ID_INVALID;
            disconnect();
            if (hadCamera) owner.reportLost("PipeWire went away");
            retryAt = now + span(timing.reopenInterval);
            daemonGone = false;
        }
        if (!core) {
            if (now >= retryAt && !connect()) retryAt = now + span(timing.reopenInterval);
            return;
        }
        if (!failure.empty()) lose(failure);
        // A silent stream is made anew: a link that stopped moving does not start again by itself.
        if (stream && seconds(now - lastFrame) >= timing.stallSeconds)
            lose("no frame for " + secondsText(timing.stallSeconds) + " s");
        if (current == SPA_ID_INVALID && synced && now >= retryAt) openCamera();
    }

    void openCamera() {
        const PipeWireCameraNode* node = PipeWireCameraNode::choose(nodes, wanted);
        if (!node) return;
        current = node->id;
        modes.clear();
        nodeProxy = static_cast<pw_proxy*>(pw_registry_bind(registry, node->id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
        if (!nodeProxy) {
            lose(std::string("the node cannot be bound (") + std::strerror(errno) + ")");
            return;
        }
        static const pw_node_events nodeEvents = [] {
            pw_node_events e{};
            e.version = PW_VERSION_NODE_EVENTS;
            e.param = [](void* d, int, uint32_t id, uint32_t, uint32_t, const spa_pod* param) {
                if (id != SPA_PARAM_EnumFormat) return;
                auto& modes = static_cast<Impl*>(d)->modes;
                for (auto& m : PipeWireFormats::modes(param)) modes.push_back(std::move(m));
            };
            return e;
        }();
        pw_proxy_add_object_listener(nodeProxy, &nodeHook, &nodeEvents, this);
        pw_node_enum_params(reinterpret_cast<pw_node*>(nodeProxy), 0, SPA_PARAM_EnumFormat, 0, UINT32_MAX, nullptr);
        enumSeq = pw_core_sync(core, PW_ID_CORE, 0);
    }

    // The node's formats are in: stream the best of them.
    void startStream() {
        const PipeWireCameraNode* node = nullptr;
        for (const auto& n : nodes)
            if (n.id == current) node = &n;
        if (!node) return;
        std::vector<uint8_t> buffer(64 * 1024);
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer.data(), uint32_t(buffer.size()));
        std::vector<const spa_pod*> params;
        if (modes.empty()) {
            // A node that lists nothing: whatever it sends that we read.
            for (uint32_t pf : PipeWireFormats::readable()) params.push_back(PipeWireFormats::anySize(&b, pf));
        } else {
            for (const auto& c : VideoModeChooser::candidates(modes, PipeWireFormats::readable())) {
                if (params.size() == kMaxOffers) break;
                if (const spa_pod* p = PipeWireFormats::offer(&b, c)) params.push_back(p);
            }
        }
        params.erase(std::remove(params.begin(), params.end(), nullptr), params.end());
        if (params.empty()) {
            lose("the camera offers no format that can be read");
            return;
        }
        pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                 PW_KEY_MEDIA_ROLE, "Camera", PW_KEY_TARGET_OBJECT,
                                                 node->serial.empty() ? node->name.c_str() : node->serial.c_str(),
                                                 PW_KEY_NODE_DONT_RECONNECT, "true", nullptr);
        stream = pw_stream_new(core, "kestrova", props);
        if (!stream) {
            lose(std::string("no stream (") + std::strerror(errno) + ")");
            return;
        }
        static const pw_stream_events streamEvents = [] {
            pw_stream_events e{};
            e.version = PW_VERSION_STREAM_EVENTS;
            e.state_changed = [](void* d, pw_stream_state old, pw_stream_state state, const char* error) {
                static_cast<Impl*>(d)->onState(old, state, error);
            };
            e.param_changed = [](void* d, uint32_t id, const spa_pod* param) {
                static_cast<Impl*>(d)->onParam(id, param);
            };
            e.process = [](void* d) { static_cast<Impl*>(d)->onProcess(); };
            return e;
        }();
        pw_stream_add_listener(stream, &streamHook, &streamEvents, this);
        lastFrame = SteadyClock::now();
        const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                           PW_STREAM_FLAG_DONT_RECONNECT);
        if (const int r = pw_stream_connect(stream, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params.data(),
                                            uint32_t(params.size()));
            r < 0)
            lose(std::string("the stream cannot connect (") + std::strerror(-r) + ")");
    }

    void onDone(uint32_t id, int seq) {
        if (id != PW_ID_CORE || closing) return;
        if (seq == syncSeq && !synced) {
            synced = true;
            pw_thread_loop_signal(threadLoop, false);
            step();
        }
        if (seq == enumSeq && nodeProxy && !stream) startStream();
    }

    void onError(uint32_t id, int, int res, const char* message) {
        if (closing) return;
        if (id == PW_ID_CORE && res == -EPIPE) {
            daemonGone = true;
            pw_thread_loop_signal(threadLoop, false);
            wake();
        }
        // Errors of the node binding leave its formats unlisted: the stream then takes any.
        (void)message;
    }

    void onGlobal(uint32_t id, const char* type, const spa_dict* props) {
        if (!type || std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0 || !props) return;
        const char* mediaClass = spa_dict_lookup(props, PW_KEY_MEDIA_CLASS);
        if (!mediaClass || std::strcmp(mediaClass, "Video/Source") != 0) return;
        auto text = [&](const char* key) {
            const char* v = spa_dict_lookup(props, key);
            return std::string(v ? v : "");
        };
        nodes.push_back({id, text(PW_KEY_OBJECT_SERIAL), text(PW_KEY_NODE_NAME), text(PW_KEY_NODE_DESCRIPTION),
                         text(PW_KEY_MEDIA_ROLE)});
        // A camera that appears is taken once its producer has had a moment to set itself up.
        if (synced && current == SPA_ID_INVALID) retryAt = std::max(retryAt, SteadyClock::now() + span(kNewNodeDelay));
    }

    void onGlobalRemove(uint32_t id) {
        nodes.erase(std::remove_if(nodes.begin(), nodes.end(), [&](const auto& n) { return n.id == id; }), nodes.end());
        if (id != current || closing) return;
        lose("camera removed");
        retryAt = SteadyClock::now();  // another camera that is there may stand in now
        step();
    }

    void onState(pw_stream_state old, pw_stream_state state, const char* error) {
        if (closing) return;
        if (state == PW_STREAM_STATE_ERROR)
            failure = std::string("stream error: ") + (error ? error : "unknown");
        else if (state == PW_STREAM_STATE_UNCONNECTED && old != PW_STREAM_STATE_UNCONNECTED)
            failure = "the stream was disconnected";
        else
            return;
        wake();  // the stream may not be destroyed inside its own callback
    }

    void onParam(uint32_t id, const spa_pod* param) {
        if (id != SPA_PARAM_Format || !param || closing) return;
        auto f = PipeWireFormats::negotiated(param);
        if (!f) {
            failure = "the camera settled on a format that cannot be read";
            wake();
            return;
        }
        format = *f;
        formatKnown = true;
        owner.reportFormat(format);
        // Buffers we can read from memory; the rest (their number, size) as the camera likes.
        uint8_t buffer[256];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_pod* buffers = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        pw_stream_update_params(stream, &buffers, 1);
    }

    void onProcess() {
        pw_buffer* b = pw_stream_dequeue_buffer(stream);
        if (!b) return;
        const spa_buffer* buf = b->buffer;
        std::vector<VideoPlane> planes;
        bool broken = !formatKnown;
        for (uint32_t i = 0; i < buf->n_datas && !broken; ++i) {
            const spa_data& d = buf->datas[i];
            if (!d.data || !d.chunk) break;
            if (d.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) broken = true;
            const uint32_t offset = std::min(d.chunk->offset, d.maxsize);
            const uint32_t room = d.maxsize - offset;
            const uint32_t size = d.chunk->size ? std::min(d.chunk->size, room) : room;
            planes.push_back({static_cast<const uint8_t*>(d.data) + offset, size, d.chunk->stride});
        }
        if (!broken && !planes.empty() && owner.offerFrame(format, std::move(planes))) lastFrame = SteadyClock::now();
        pw_stream_queue_buffer(stream, b);
    }
};

PipeWireSource::PipeWireSource(std::string name, RunLoop& loop, Warn warn, Timing timing)
    : LiveCameraSource(loop, std::move(warn), timing.settleSeconds), name_(name),
      impl_(std::make_unique<Impl>(*this, std::move(name), timing)) {}

std::unique_ptr<PipeWireSource> PipeWireSource::open(const std::string& name, RunLoop& loop, std::string* error,
                                                     Warn warn, Timing timing) {
    return start(-1, name, loop, error, std::move(warn), timing);
}

std::unique_ptr<PipeWireSource> PipeWireSource::openConnected(int fd, const std::string& name, RunLoop& loop,
                                                              std::string* error, Warn warn, Timing timing) {
    return start(fd, name, loop, error, std::move(warn), timing);
}

std::unique_ptr<PipeWireSource> PipeWireSource::start(int fd, const std::string& name, RunLoop& loop,
                                                      std::string* error, Warn warn, Timing timing) {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
    auto fail = [&](const std::string& reason) -> std::unique_ptr<PipeWireSource> {
        if (error) *error = reason;
        return nullptr;
    };
    std::unique_ptr<PipeWireSource> src(new PipeWireSource(name, loop, std::move(warn), timing));
    Impl& m = *src->impl_;
    m.remoteFd = fd;
    m.remoteOnly = fd >= 0;
    m.threadLoop = pw_thread_loop_new("kestrova-camera", nullptr);
    if (!m.threadLoop) return fail(std::string("no PipeWire loop (") + std::strerror(errno) + ")");
    m.context = pw_context_new(m.loop(), nullptr, 0);
    if (!m.context) return fail(std::string("no PipeWire context (") + std::strerror(errno) + ")");
    pw_thread_loop_lock(m.threadLoop);
    m.timer = pw_loop_add_timer(m.loop(), [](void* d, uint64_t) { static_cast<Impl*>(d)->step(); }, &m);
    m.kick = pw_loop_add_event(m.loop(), [](void* d, uint64_t) { static_cast<Impl*>(d)->step(); }, &m);
    timespec tick{0, long(kTick * 1e9)};
    pw_loop_update_timer(m.loop(), m.timer, &tick, &tick, false);
    bool answered = false;
    // PipeWire's thread never takes the signals the host handles, whenever the host blocks them.
    sigset_t hostSignals, previous;
    sigemptyset(&hostSignals);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&hostSignals, sig);
    pthread_sigmask(SIG_BLOCK, &hostSignals, &previous);
    const bool started = m.connect() && pw_thread_loop_start(m.threadLoop) == 0;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (started) {
        timespec deadline{};
        pw_thread_loop_get_time(m.threadLoop, &deadline, int64_t(timing.connectTimeout * SPA_NSEC_PER_SEC));
        while (!m.synced && !m.daemonGone)
            if (pw_thread_loop_timed_wait_full(m.threadLoop, &deadline) != 0) break;
        answered = m.synced;
        if (answered && !PipeWireCameraNode::choose(m.nodes, name)) {
            src->markMissing();
        } else if (answered) {
            src->atStart_ = PipeWireCameraNode::choose(m.nodes, name)->name;
        }
    }
    const std::string why = m.core ? "PipeWire does not answer" : "no PipeWire daemon (" + m.connectError + ")";
    pw_thread_loop_unlock(m.threadLoop);
    if (!answered) return fail(why);
    return src;
}

PipeWireSource::~PipeWireSource() {
    Impl& m = *impl_;
    if (m.threadLoop) {
        pw_thread_loop_lock(m.threadLoop);
        m.closing = true;
        m.disconnect();
        if (m.timer) pw_loop_destroy_source(m.loop(), m.timer);
        if (m.kick) pw_loop_destroy_source(m.loop(), m.kick);
        pw_thread_loop_unlock(m.threadLoop);
        pw_thread_loop_stop(m.threadLoop);
    }
    if (m.context) pw_context_destroy(m.context);
    if (m.threadLoop) pw_thread_loop_destroy(m.threadLoop);
}

}  // namespace platform
