#pragma once
// Files of the simulated device. Every path the application uses is a device path
// ("/var/mobile/Media/DCIM"); it resolves beneath the device root and never climbs out of it by
// "..". The root belongs to its user: a symlink in it that leads to a folder is used like that
// folder wherever it points (a DCIM on another disk); a symlink to anything else outside the root
// is refused. No call throws.
#include <cstdint>
#include <filesystem>
#include <functional>
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
    // Calls `visit` with every entry beneath a folder as a path relative to it
    // ("100APPLE/IMG_0001.JPG"), depth first, in no set order. Its subfolders are entered, but no
    // symlink is followed, except one directly in the folder whose name `followLink` accepts (it
    // may be empty). A folder on another file system (a mount point) is entered only through such
    // a link; unreadable folders are skipped. Only the folders on the way down are held, so
    // memory does not grow with the number of entries.
    using EntryVisitor = std::function<void(const std::string& relativePath)>;
    using LinkFilter = std::function<bool(const std::string& name)>;
    void visitEntries(const std::string& devicePath, const EntryVisitor& visit, const LinkFilter& followLink = {}) const;
    bool removeItem(const std::string& devicePath) const;
    // The bytes of a regular file of at most `maxBytes`; nothing for anything else (a FIFO or a
    // device is never opened, see RegularFile).
    std::optional<std::vector<uint8_t>> contents(const std::string& devicePath, size_t maxBytes = kMaxContentsBytes) const;
    static constexpr size_t kMaxContentsBytes = size_t(64) << 20;

    // Writes all of `bytes` to a temporary file in the same folder (a name that never ends in
    // .JPG or .THM), fsyncs it, renames it into place and fsyncs the folder. The temporary is
    // locked (flock) from before anyone can open it by name until it has its final name, so
    // others can tell a write in progress from one whose writer is gone. When
    // `replaceExisting` is false an existing file at the path is never replaced: the write fails.
    // On any failure nothing is left behind and the old file (if any) is untouched.
    bool writeAtomically(const std::string& devicePath, const void* bytes, size_t length,
                         bool replaceExisting = true) const;
    // The same for a host path, for platform code that works outside the device paths.
    static bool writeFileAtomically(const std::filesystem::path& hostPath, const void* bytes, size_t length,
                                    bool replaceExisting = true);
    // Prefix of the temporary files writeAtomically makes, so a start-up scan can remove leftovers.
    static constexpr const char* kTemporaryPrefix = ".kestrova-tmp-";
    // Removes the temporaries beneath a folder (walked as visitEntries does) whose writer is gone
    // (a kill between creating one and renaming it into place): those nobody holds locked. Writes
    // in progress, of this process or any other, are kept. Returns how many went.
    int removeLeftoverTemporaries(const std::string& devicePath, const LinkFilter& followLink = {}) const;

private:
    // The host path of the entry a device path names, its folder resolved but a link at the end
    // not followed.
    std::optional<std::filesystem::path> resolveEntry(const std::string& devicePath) const;

    std::filesystem::path root_;
};

}  // namespace platform
