#pragma once
// Files of the simulated device. Every path the application uses is a device path
// ("/var/mobile/Media/DCIM"); it resolves beneath the device root and never climbs out of it by
// "..". The root belongs to its user: a symlink in it that leads to a folder is used like that
// folder wherever it points (a DCIM on another disk); a symlink to anything else outside the root
// is refused. No call throws.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class FileManager {
public:
    explicit FileManager(std::filesystem::path deviceRoot);

    // The process's file manager (installed by the host or a test fixture).
    static FileManager& defaultManager();
    static void setDefaultManager(FileManager* fm);

    const std::filesystem::path& deviceRoot() const { return root_; }
    // The host path of a device path; nothing when it would leave the device root.
    std::optional<std::filesystem::path> resolve(const std::string& devicePath) const;

    // True when the path leads to something (links followed).
    bool fileExists(const std::string& devicePath) const;
    // True when the name is taken by any entry, a dangling or looping symlink included.
    bool entryExists(const std::string& devicePath) const;
    bool isDirectory(const std::string& devicePath) const;
    // Creates the folder and its parents. True when it exists afterwards as a folder.
    bool createDirectory(const std::string& devicePath) const;
    // The names in a folder (not recursive); empty when it cannot be read.
    std::vector<std::string> contentsOfDirectory(const std::string& devicePath) const;
    // Every entry beneath a folder as a path relative to it ("100APPLE/IMG_0001.JPG"), depth first.
    // Symlinks to folders are followed like folders, but no folder is entered twice, so link
    // cycles end; unreadable subfolders are skipped.
    std::vector<std::string> enumerate(const std::string& devicePath) const;
    bool removeItem(const std::string& devicePath) const;
    std::optional<std::vector<uint8_t>> contents(const std::string& devicePath) const;

    // Writes all of `bytes` to a temporary file in the same folder (a name that never ends in
    // .JPG or .THM), fsyncs it, renames it into place and fsyncs the folder. When
    // `replaceExisting` is false an existing file at the path is never replaced: the write fails.
    // On any failure nothing is left behind and the old file (if any) is untouched.
    bool writeAtomically(const std::string& devicePath, const void* bytes, size_t length,
                         bool replaceExisting = true) const;
    // The same for a host path, for platform code that works outside the device paths.
    static bool writeFileAtomically(const std::filesystem::path& hostPath, const void* bytes, size_t length,
                                    bool replaceExisting = true);
    // Prefix of the temporary files writeAtomically makes, so a start-up scan can remove leftovers.
    static constexpr const char* kTemporaryPrefix = ".kestrova-tmp-";
    // Removes the temporaries beneath a folder that writes of other processes left behind (a kill
    // between creating one and renaming it into place). Those of this process's writes in
    // progress are kept. Returns how many went.
    int removeLeftoverTemporaries(const std::string& devicePath) const;

private:
    // The host path of the entry a device path names, its folder resolved but a link at the end
    // not followed.
    std::optional<std::filesystem::path> resolveEntry(const std::string& devicePath) const;

    std::filesystem::path root_;
};

}  // namespace platform
