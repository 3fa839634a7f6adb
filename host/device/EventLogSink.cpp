#include "host/device/EventLogSink.h"

#include "platform/foundation/EventLog.h"

#include <cerrno>
#include <cstring>

namespace host {

std::unique_ptr<EventLogSink> EventLogSink::open(const std::optional<std::filesystem::path>& file,
                                                 const platform::Clock& clock, std::string* error) {
    std::FILE* out = stdout;
    bool owned = false;
    if (file) {
        out = std::fopen(file->c_str(), "w");
        if (!out) {
            if (error) *error = "--event-log: cannot write " + file->string() + ": " + std::strerror(errno);
            return nullptr;
        }
        owned = true;
    }
    std::unique_ptr<EventLogSink> sink(new EventLogSink(out, owned));
    // EventLog calls the sink under its own lock, so lines from several threads never interleave.
    platform::EventLog::configure(&clock, [out](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fputc('\n', out);
        std::fflush(out);
    });
    return sink;
}

EventLogSink::EventLogSink(std::FILE* out, bool owned) : out_(out), owned_(owned) {}

EventLogSink::~EventLogSink() {
    platform::EventLog::configure(nullptr, {});
    if (owned_) std::fclose(out_);
}

}  // namespace host
