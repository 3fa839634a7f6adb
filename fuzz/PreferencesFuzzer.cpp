// The preferences reader: arbitrary bytes as a property list, then as the application's own
// preferences file read through UserDefaults, every kind of read, and a save that must produce
// a file that reads back.
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PlistNode.h"
#include "platform/foundation/UserDefaults.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const fs::path& scratchRoot() {
    static const fs::path root = [] {
        char tmpl[] = "/tmp/kestrova-fuzz-prefs-XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made) std::abort();
        return fs::path(made);
    }();
    return root;
}

void readEverything(const platform::UserDefaults& d) {
    for (const auto& [key, value] : d.dictionaryRepresentation()) {
        (void)d.stringForKey(key);
        (void)d.integerForKey(key);
        (void)d.boolForKey(key);
        (void)d.doubleForKey(key);
        (void)value.stringValue();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parser and the conversion to values, and back to XML.
    platform::PlistNode node = platform::PlistNode::parse(data, size);
    if (auto value = node.toValue()) {
        platform::PlistNode again = platform::PlistNode::fromValue(*value);
        const std::string xml = again.toXml();
        platform::PlistNode reread = platform::PlistNode::parse(xml.data(), xml.size());
        auto back = reread.toValue();
        if (!back) std::abort();  // what we write must read back
    }
    // String conversions the settings rely on.
    const std::string_view text(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    (void)platform::PropertyValue::integerValueOf(text);
    (void)platform::PropertyValue::boolValueOf(text);
    (void)platform::PropertyValue::doubleValueOf(text);

    // The same bytes as the application's preferences file.
    const fs::path root = scratchRoot();
    const std::string domain = "com.kestrova.fuzz";
    platform::FileManager files(root);
    const fs::path file = *files.resolve(platform::UserDefaults::pathForDomain(domain));
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    {
        platform::UserDefaults defaults(files, domain);
        readEverything(defaults);
        (void)defaults.persistentDomainForName(domain);
        (void)defaults.persistentDomainForName("com.apple.springboard");
        defaults.setInteger(1, "FuzzKey");
        if (!defaults.synchronize()) std::abort();
    }
    platform::UserDefaults reread(files, domain);
    if (reread.integerForKey("FuzzKey") != 1) std::abort();  // the save did not read back
    return 0;
}
