#pragma once
// Preferences: the defaults of the application's domain (its bundle identifier), plus other
// programs' persistent domains by name. Each domain is an XML property list at
// /var/mobile/Library/Preferences/<domain>.plist on the device. Any thread.
//
// The application's own file, when it cannot be read, counts as empty and the next
// synchronize() replaces it. Another domain's file that exists but cannot be read is never
// replaced: setPersistentDomain() refuses and leaves it byte for byte as it was.
#include "platform/foundation/PropertyValue.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

class FileManager;

class UserDefaults {
public:
    // Reads `domain` from `files` at once, after removing the temporaries that interrupted writes
    // of other processes left in the preferences folder; `files` must outlive this object.
    UserDefaults(const FileManager& files, std::string domain);

    // The application's defaults (installed by the host or a test fixture).
    static UserDefaults& standardUserDefaults();
    static void setStandardUserDefaults(UserDefaults* defaults);

    // The device path of a domain's file.
    static std::string pathForDomain(const std::string& domain);

    const std::string& domain() const { return domain_; }

    // Nothing when the key is absent.
    std::optional<PropertyValue> objectForKey(const std::string& key) const;
    // A string, or a number as its text; nothing for an absent key or another type.
    std::optional<std::string> stringForKey(const std::string& key) const;
    // 0 / false / 0.0 for an absent key; otherwise PropertyValue's conversions.
    int64_t integerForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    PropertyDictionary dictionaryRepresentation() const;

    void setObject(PropertyValue value, const std::string& key);
    void setInteger(int64_t value, const std::string& key) { setObject(PropertyValue(value), key); }
    void setBool(bool value, const std::string& key) { setObject(PropertyValue(value), key); }
    void setDouble(double value, const std::string& key) { setObject(PropertyValue(value), key); }
    void removeObjectForKey(const std::string& key);

    // Writes the domain atomically when something changed since the last write. False when
    // the write failed (the changes stay and the next call tries again).
    bool synchronize();

    // A domain's whole contents; nothing when its file is missing or cannot be read.
    std::optional<PropertyDictionary> persistentDomainForName(const std::string& name) const;
    // Replaces a domain's contents and writes it at once. False, with nothing written, when the
    // name is not a plain file name or the domain's existing file cannot be read.
    bool setPersistentDomain(const PropertyDictionary& domain, const std::string& name);

private:
    bool writeLocked();

    const FileManager& files_;
    const std::string domain_;
    mutable std::mutex mutex_;  // guards values_ and dirty_
    PropertyDictionary values_;
    bool dirty_ = false;
};

}  // namespace platform
