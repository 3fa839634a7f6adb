#pragma once
// Helpers of the fault tests: runs the built kestrova headless on a device root, and audits the
// camera roll it leaves (whole pictures, nothing lost, no temporaries).
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace faults {

struct Session {
    int status = -1;      // exit status; 137 when killed, 124 never (a hang is killed too)
    std::string out;      // stdout and stderr
};

// Runs kestrova --headless with `script` on `root` (made if missing). `extra` are more options,
// `environment` NAME=value words for the program's environment. A watchdog kills a session after
// 120 s. Returns once the process has ended, a killed one included.
Session runKestrova(const std::filesystem::path& scratch, const std::filesystem::path& root, const std::string& script,
                    const std::string& extra = "", const std::filesystem::path& binary = {},
                    const std::string& environment = "");

// Every regular .JPG under the roll (symlinks not followed, unreadable folders skipped), sorted.
std::vector<std::filesystem::path> pictures(const std::filesystem::path& root);
// .JPG and .THM files that are empty or do not decode to their end with djpeg.
std::vector<std::string> badPictures(const std::filesystem::path& root);
// Files whose name starts with the atomic writer's temporary prefix, anywhere under the root.
std::vector<std::string> temporaryFiles(const std::filesystem::path& root);

// Regular files under /var/mobile/Media and their bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshotMedia(const std::filesystem::path& root);
// Files of the snapshot that are gone or changed.
std::vector<std::string> lostFiles(const Snapshot& before);

// Writes until the file system is full.
void fillDisk(const std::filesystem::path& filler);

// The application's preferences file and a property list holding `body` in its dictionary.
std::filesystem::path preferencesFile(const std::filesystem::path& root);
std::string preferencesXml(const std::string& body);
void writePreferences(const std::filesystem::path& root, const std::string& body);

}  // namespace faults
