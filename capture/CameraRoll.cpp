#include "capture/CameraRoll.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace kestrova {

namespace {

std::string formatName(const char* fmt, int folder, int index) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, folder, index);
    return buf;
}

bool endsWithJpgIgnoringCase(const std::string& name) {
    if (name.size() < 4) return false;
    const char* tail = name.c_str() + name.size() - 4;
    return tail[0] == '.' && std::tolower((unsigned char)tail[1]) == 'j' &&
           std::tolower((unsigned char)tail[2]) == 'p' && std::tolower((unsigned char)tail[3]) == 'g';
}

// A camera-roll folder's name: three digits and APPLE.
bool isFolderName(const std::string& name) {
    return name.size() == 8 && std::isdigit((unsigned char)name[0]) && std::isdigit((unsigned char)name[1]) &&
           std::isdigit((unsigned char)name[2]) && name.compare(3, 5, "APPLE") == 0;
}

}  // namespace

CameraRoll::CameraRoll(platform::FileManager& files) : files_(files) {}

std::string CameraRoll::dcimPath() const { return std::string(kMediaRootPath) + "/DCIM"; }

std::string CameraRoll::folderPath(int folderNumber) const {
    return dcimPath() + "/" + std::to_string(folderNumber) + "APPLE";
}

std::string CameraRoll::getImagePathForIndex(int index) const {
    return std::string(kMediaRootPath) + formatName("/DCIM/%dAPPLE/IMG_%04d.JPG", currentFolderNumber(), index);
}

std::string CameraRoll::getThumbPathForIndex(int index) const {
    return std::string(kMediaRootPath) + formatName("/DCIM/%dAPPLE/IMG_%04d.THM", currentFolderNumber(), index);
}

bool CameraRoll::lessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower((unsigned char)x) < std::tolower((unsigned char)y);
    });
}

int CameraRoll::parseImageNumber(const std::string& name) {
    auto underscore = name.find('_');
    if (underscore == std::string::npos) return 0;
    std::string piece = name.substr(underscore + 1);
    piece = piece.substr(0, piece.find('_'));  // the second piece ends at the next "_"
    piece = piece.substr(0, piece.find('.'));
    long long value = 0;
    for (char c : piece) {
        if (c < '0' || c > '9') break;
        value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
    }
    return int(value);
}

void CameraRoll::initializeSavingVariables() {
    const std::string dcim = dcimPath();
    if (!files_.fileExists(dcim)) files_.createDirectory(dcim);
    // A kill between writing a picture's temporary file and renaming it leaves the temporary. The
    // roll's own folders may be links (to another disk); nothing else it holds is followed.
    files_.removeLeftoverTemporaries(dcim, isFolderName);
    nextImageNumber_.store(getNextFileNumberFromPhotoLibrary(), std::memory_order_release);
    scanned_.store(true, std::memory_order_release);
}

int CameraRoll::getNextFileNumberFromPhotoLibrary() {
    int folder = kFirstFolder;
    currentFolderNumber_.store(folder, std::memory_order_release);
    while (folder <= kLastFolder) {
        const std::string path = folderPath(folder);
        if (!files_.fileExists(path)) files_.createDirectory(path);
        // Only the greatest name is kept, however much the folder holds.
        std::string greatest = "IMG_000";  // the floor: an empty folder gives 0
        files_.visitEntries(path, [&greatest](const std::string& rel) {
            if (endsWithJpgIgnoringCase(rel) && lessIgnoringCase(greatest, rel)) greatest = rel;
        });
        const int number = parseImageNumber(greatest);
        if (number < kFullFolderNumber) return number + 1;
        ++folder;
        currentFolderNumber_.store(folder, std::memory_order_release);
    }
    return 1;
}

bool CameraRoll::readyForPictures() const {
    return scanned_.load(std::memory_order_acquire) && currentFolderNumber() <= kLastFolder;
}

bool CameraRoll::everyFolderFull() const {
    return scanned_.load(std::memory_order_acquire) && currentFolderNumber() > kLastFolder;
}

bool CameraRoll::numberInUse(int index) const {
    // Any entry holds the name, a dangling link included: a write there would fail or go elsewhere.
    return files_.entryExists(getImagePathForIndex(index)) || files_.entryExists(getThumbPathForIndex(index));
}

std::optional<int> CameraRoll::claimImageNumber() {
    if (!readyForPictures()) return std::nullopt;
    int n = nextImageNumber();
    while (n < INT_MAX && numberInUse(n)) ++n;
    if (n == INT_MAX) return std::nullopt;
    nextImageNumber_.store(n + 1, std::memory_order_release);
    return n;
}

}  // namespace kestrova
