#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PlistNode.h"

#include <atomic>
#include <cassert>

namespace platform {
namespace {

std::atomic<UserDefaults*> gStandard{nullptr};

constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";
// Far above any real preferences file; a larger one is unreadable, never read into memory.
constexpr size_t kMaxDomainBytes = size_t(16) << 20;

bool isPlainName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

enum class FileState { Missing, Unreadable, Read };

struct DomainFile {
    FileState state = FileState::Missing;
    PropertyDictionary values;
};

// Anything but a property list with a dictionary at its root is unreadable.
DomainFile readDomain(const FileManager& files, const std::string& name) {
    DomainFile out;
    const std::string path = UserDefaults::pathForDomain(name);
    if (!files.fileExists(path)) {
        // A dangling symlink or an entry outside the root is still not ours to replace.
        auto host = files.resolve(path);
        std::error_code ec;
        bool present = !host || std::filesystem::symlink_status(*host, ec).type() != std::filesystem::file_type::not_found;
        out.state = present ? FileState::Unreadable : FileState::Missing;
        return out;
    }
    out.state = FileState::Unreadable;
    auto bytes = files.contents(path, kMaxDomainBytes);
    if (!bytes) return out;
    auto value = PlistNode::parse(bytes->data(), bytes->size()).toValue();
    if (!value || !value->asDictionary()) return out;
    out.values = std::move(*value->asDictionary());
    out.state = FileState::Read;
    return out;
}

bool writeDomain(const FileManager& files, const std::string& name, const PropertyDictionary& values,
                 bool replaceExisting) {
    if (!files.createDirectory(kPreferencesFolder)) return false;
    std::string xml = PlistNode::fromValue(PropertyValue(values)).toXml();
    if (xml.empty()) return false;
    return files.writeAtomically(UserDefaults::pathForDomain(name), xml.data(), xml.size(), replaceExisting);
}

}  // namespace

UserDefaults::UserDefaults(const FileManager& files, std::string domain) : files_(files), domain_(std::move(domain)) {
    // A process killed while it wrote a domain leaves its temporary beside the domain files; no
    // one else would ever clear it.
    files_.removeLeftoverTemporaries(kPreferencesFolder);
    if (isPlainName(domain_)) values_ = readDomain(files_, domain_).values;  // unreadable: empty
}

UserDefaults& UserDefaults::standardUserDefaults() {
    UserDefaults* d = gStandard.load();
    assert(d && "no standard user defaults installed");
    return *d;
}

void UserDefaults::setStandardUserDefaults(UserDefaults* defaults) { gStandard.store(defaults); }

std::string UserDefaults::pathForDomain(const std::string& domain) {
    return std::string(kPreferencesFolder) + "/" + domain + ".plist";
}

std::optional<PropertyValue> UserDefaults::objectForKey(const std::string& key) const {
    std::lock_guard lk(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    std::lock_guard lk(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second.stringValue();
}

int64_t UserDefaults::integerForKey(const std::string& key) const {
    std::lock_guard lk(mutex_);
    auto it = values_.find(key);
    return it == values_.end() ? 0 : it->second.integerValue();
}

bool UserDefaults::boolForKey(const std::string& key) const {
    std::lock_guard lk(mutex_);
    auto it = values_.find(key);
    return it != values_.end() && it->second.boolValue();
}

double UserDefaults::doubleForKey(const std::string& key) const {
    std::lock_guard lk(mutex_);
    auto it = values_.find(key);
    return it == values_.end() ? 0.0 : it->second.doubleValue();
}

PropertyDictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lk(mutex_);
    return values_;
}

void UserDefaults::setObject(PropertyValue value, const std::string& key) {
    std::lock_guard lk(mutex_);
    values_.insert_or_assign(key, std::move(value));
    dirty_ = true;
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lk(mutex_);
    if (values_.erase(key)) dirty_ = true;
}

bool UserDefaults::synchronize() {
    std::lock_guard lk(mutex_);
    if (!dirty_) return true;
    return writeLocked();
}

bool UserDefaults::writeLocked() {
    if (!isPlainName(domain_) || !writeDomain(files_, domain_, values_, true)) return false;
    dirty_ = false;
    return true;
}

std::optional<PropertyDictionary> UserDefaults::persistentDomainForName(const std::string& name) const {
    if (!isPlainName(name)) return std::nullopt;
    if (name == domain_) return dictionaryRepresentation();
    DomainFile f = readDomain(files_, name);
    if (f.state != FileState::Read) return std::nullopt;
    return std::move(f.values);
}

bool UserDefaults::setPersistentDomain(const PropertyDictionary& domain, const std::string& name) {
    if (!isPlainName(name)) return false;
    if (name == domain_) {
        std::lock_guard lk(mutex_);
        values_ = domain;
        dirty_ = true;
        return writeLocked();
    }
    DomainFile f = readDomain(files_, name);
    if (f.state == FileState::Unreadable) return false;
    // A file that appears between the read and the write was not read: never replace it.
    return writeDomain(files_, name, domain, f.state == FileState::Read);
}

}  // namespace platform
