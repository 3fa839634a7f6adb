#pragma once
// The camera roll folder tree under /var/mobile/Media/DCIM: folders 100APPLE … 999APPLE, pictures
// IMG_nnnn.JPG with their IMG_nnnn.THM thumbnails, and the numbering of new pictures.
//
// The scan runs once on the save worker; until it has finished no number is handed out. Numbers
// are handed out one at a time under the save queue's lock (from either thread), and never one
// whose picture or thumbnail name is taken by any entry.
#include "platform/foundation/FileManager.h"

#include <atomic>
#include <optional>
#include <string>

namespace kestrova {

class CameraRoll {
public:
    static constexpr const char* kMediaRootPath = "/var/mobile/Media";
    static constexpr int kFirstFolder = 100;
    static constexpr int kLastFolder = 999;
    // A folder whose greatest picture number is this or more is full.
    static constexpr int kFullFolderNumber = 8998;

    explicit CameraRoll(platform::FileManager& files);  // borrowed for the roll's life

    // Worker thread, once: creates DCIM, removes temporary files that interrupted writes left
    // behind, and scans for the folder and first picture number.
    void initializeSavingVariables();
    // Finds the first folder from 100 that is not full, creating each folder it visits, and
    // returns the next number in it (the greatest .JPG name, compared ignoring case, plus one).
    // When every folder is full: 1, with the folder number left at 1000.
    int getNextFileNumberFromPhotoLibrary();

    // Any thread. Device paths of a picture and its thumbnail in the current folder.
    std::string getImagePathForIndex(int index) const;
    std::string getThumbPathForIndex(int index) const;
    std::string dcimPath() const;
    std::string folderPath(int folderNumber) const;

    // True once the scan has finished and its folder exists (false when every folder is full).
    bool readyForPictures() const;
    // True once the scan has found every folder full: no picture can be numbered.
    bool everyFolderFull() const;
    int currentFolderNumber() const { return currentFolderNumber_.load(std::memory_order_acquire); }
    // The number the next picture receives (0 until the scan has finished).
    int nextImageNumber() const { return nextImageNumber_.load(std::memory_order_acquire); }

    // One caller at a time. Hands out the next picture number, skipping numbers whose .JPG or .THM
    // name is taken, and counts on past it. Nothing before the scan or when every folder is full.
    std::optional<int> claimImageNumber();

    // The number in a camera-roll name: the leading digits after the first "_" up to the first
    // "." ("IMG_0123.JPG" -> 123); 0 without "_" or digits. Saturates instead of overflowing.
    static int parseImageNumber(const std::string& name);
    // Case-insensitive lexical order of camera-roll names.
    static bool lessIgnoringCase(const std::string& a, const std::string& b);

private:
    bool numberInUse(int index) const;

    platform::FileManager& files_;
    std::atomic<int> currentFolderNumber_{0};
    std::atomic<int> nextImageNumber_{0};
    std::atomic<bool> scanned_{false};
};

}  // namespace kestrova
