#pragma once
// Finds and decodes the next photo of a folder on a thread of its own, so a slow or hostile file
// never holds up the main thread. A file that failed to decode is not tried again until it
// changes (its size or modification time; a new name is a new file). While it works it is busy
// as an idling resource, so a headless script sees the photo in before its clock moves on.
#include "platform/graphics/Image.h"

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class IdlingResource;
class RunLoop;

class PhotoLoader {
public:
    // Decodes one file; null when it does not, with `tooLarge` set when it was refused for its size.
    using Decode = std::function<ImageRef(const std::filesystem::path& file, bool* tooLarge)>;

    struct Result {
        ImageRef photo;           // null: no file of the folder decodes
        size_t index = 0;         // the file it came from
        std::string tooLargeFile; // the first file refused for its size, when none decoded
    };

    // `loop` (may be null) gets the idling resource.
    PhotoLoader(std::vector<std::filesystem::path> files, Decode decode, RunLoop* loop);
    // Waits for the file being decoded, then ends the thread.
    ~PhotoLoader();
    PhotoLoader(const PhotoLoader&) = delete;
    PhotoLoader& operator=(const PhotoLoader&) = delete;

    // Main thread. Looks for the first file from `start` on (wrapping round) that decodes. A
    // request made while another is still looked for replaces it.
    void request(size_t start);
    // Main thread. The answer to the last request, once there is one; each answer is given once.
    std::optional<Result> take();
    // Main thread. Waits for the answer to the last request.
    std::optional<Result> wait();

private:
    struct Stamp {
        uintmax_t size;
        std::filesystem::file_time_type modified;
        bool operator==(const Stamp& o) const { return size == o.size && modified == o.modified; }
    };
    static std::optional<Stamp> stampOf(const std::filesystem::path& file);
    void run();
    Result find(size_t start);

    const std::vector<std::filesystem::path> files_;
    const Decode decode_;
    std::unique_ptr<IdlingResource> idling_;
    struct Failure {
        Stamp stamp;
        bool tooLarge;
    };
    std::map<std::filesystem::path, Failure> failed_;  // the thread's own

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<size_t> pending_;  // a request not yet taken up
    bool working_ = false;           // pending or being answered
    std::optional<Result> answer_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace platform
