#pragma once
// Helpers of the fault tests: runs the built kestrova headless on a device root, and audits the
// camera roll it leaves (whole pictures, nothing lost, no temporaries).
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace faults {

struct Session {
    int status = -1;      // exit status; 137 when killed, 124 never (a hang is killed too)
    std::string out;      // stdout and stderr
    double seconds = 0;   // real time the process ran
};

// Runs kestrova --headless with `script` on `root` (made if missing). `extra` are more options.
// `unprivileged`: as root, run as user 65534 on a tree chowned to it (permissions count then).
// `killAfter` > 0: SIGKILL after that many real seconds. The watchdog kills a session after 120 s.
// `environment`: NAME=value words for the program's environment. Returns once the process has
// ended, a killed one included.
Session runKestrova(const std::filesystem::path& scratch, const std::filesystem::path& root, const std::string& script,
                    const std::string& extra = "", bool unprivileged = false, double killAfter = 0,
                    const std::filesystem::path& binary = {}, const std::string& environment = "");

// True when permissions stop this process's sessions: not root, or root with setpriv.
bool canDropPrivileges();
void chownTree(const std::filesystem::path& p);
void chmodTree(const std::filesystem::path& p, const std::string& mode);

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
std::vector<std::string> lostFiles(const Snapshot& before, const std::filesystem::path& root);

// Writes until the file system is full.
void fillDisk(const std::filesystem::path& filler);

// The application's preferences file and a property list holding `body` in its dictionary.
std::filesystem::path preferencesFile(const std::filesystem::path& root);
std::string preferencesXml(const std::string& body);
void writePreferences(const std::filesystem::path& root, const std::string& body);
// Saved integer settings and the greatest value each may have (the least is 0).
std::vector<std::pair<std::string, long long>> settingRanges();

// A small whole JPEG made with cjpeg (once per scratch folder), and others of given sizes.
std::filesystem::path sampleJpeg(const std::filesystem::path& scratch);
std::string sampleJpegBytes(const std::filesystem::path& scratch);
void makeJpeg(const std::filesystem::path& out, int width, int height);
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace faults
