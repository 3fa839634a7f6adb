#pragma once
// Sends the platform's event log to standard output or a file, one flushed line per event, for
// as long as the object lives.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class Clock;
}

namespace host {

class EventLogSink {
public:
    // `file` empty: standard output. Returns null and sets `error` when the file cannot be opened.
    static std::unique_ptr<EventLogSink> open(const std::optional<std::filesystem::path>& file,
                                              const platform::Clock& clock, std::string* error);
    ~EventLogSink();
    EventLogSink(const EventLogSink&) = delete;
    EventLogSink& operator=(const EventLogSink&) = delete;

private:
    EventLogSink(std::FILE* out, bool owned);
    std::FILE* out_;
    bool owned_;
};

}  // namespace host
