#include "platform/camera/PhotoLoader.h"

#include "platform/foundation/IdlingResource.h"

namespace platform {

PhotoLoader::PhotoLoader(std::vector<std::filesystem::path> files, Decode decode, RunLoop* loop)
    : files_(std::move(files)), decode_(std::move(decode)) {
    if (loop) idling_ = std::make_unique<IdlingResource>(*loop, "photo loader");
    thread_ = std::thread([this] { run(); });
}

PhotoLoader::~PhotoLoader() {
    {
        std::lock_guard lk(mutex_);
        stopping_ = true;
        pending_.reset();
    }
    changed_.notify_all();
    thread_.join();
    if (working_ && idling_) idling_->endWork();
}

void PhotoLoader::request(size_t start) {
    {
        std::lock_guard lk(mutex_);
        pending_ = start;
        answer_.reset();
        if (!working_ && idling_) idling_->beginWork();
        working_ = true;
    }
    changed_.notify_all();
}

std::optional<PhotoLoader::Result> PhotoLoader::take() {
    std::lock_guard lk(mutex_);
    std::optional<Result> r = std::move(answer_);
    answer_.reset();
    return r;
}

std::optional<PhotoLoader::Result> PhotoLoader::wait() {
    std::unique_lock lk(mutex_);
    changed_.wait(lk, [this] { return !working_ || stopping_; });
    std::optional<Result> r = std::move(answer_);
    answer_.reset();
    return r;
}

std::optional<PhotoLoader::Stamp> PhotoLoader::stampOf(const std::filesystem::path& file) {
    std::error_code ec, tc;
    const auto size = std::filesystem::file_size(file, ec);
    const auto modified = std::filesystem::last_write_time(file, tc);
    if (ec || tc) return std::nullopt;
    return Stamp{size, modified};
}

PhotoLoader::Result PhotoLoader::find(size_t start) {
    Result r;
    for (size_t tries = 0; tries < files_.size(); ++tries) {
        const size_t i = (start + tries) % files_.size();
        const auto stamp = stampOf(files_[i]);
        if (!stamp) continue;
        auto known = failed_.find(files_[i]);
        if (known != failed_.end() && known->second.stamp == *stamp) {
            if (known->second.tooLarge && r.tooLargeFile.empty()) r.tooLargeFile = files_[i].filename().string();
            continue;
        }
        bool tooLarge = false;
        if (ImageRef photo = decode_(files_[i], &tooLarge)) {
            if (known != failed_.end()) failed_.erase(known);
            r.photo = std::move(photo);
            r.index = i;
            return r;
        }
        failed_.insert_or_assign(files_[i], Failure{*stamp, tooLarge});
        if (tooLarge && r.tooLargeFile.empty()) r.tooLargeFile = files_[i].filename().string();
        // A newer request makes this one moot.
        std::lock_guard lk(mutex_);
        if (pending_ || stopping_) return r;
    }
    return r;
}

void PhotoLoader::run() {
    std::unique_lock lk(mutex_);
    for (;;) {
        changed_.wait(lk, [this] { return pending_ || stopping_; });
        if (stopping_) return;
        const size_t start = *pending_;
        pending_.reset();
        lk.unlock();
        Result r = files_.empty() ? Result{} : find(start);
        lk.lock();
        if (stopping_) return;
        if (pending_) continue;  // answered by the next pass
        answer_ = std::move(r);
        working_ = false;
        if (idling_) idling_->endWork();
        changed_.notify_all();
    }
}

}  // namespace platform
