// The preferences reader: arbitrary bytes as a property list, then as the application's own
// preferences file read through UserDefaults, every kind of read, and a save that must produce
// a file that reads back. Inputs starting with "!N" or "!G" are first turned into deep XML
// nesting or a binary list whose objects refer to each other as the bytes say (chains, shared
// objects, cycles), so the nesting and value limits are reached often; whatever the walk refuses
// must never reach the parser.
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PlistLimits.h"
#include "platform/foundation/PlistNode.h"
#include "platform/foundation/UserDefaults.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

void putBigEndian(std::string& s, uint64_t v, int size) {
    for (int i = size - 1; i >= 0; --i) s += char(v >> (8 * i));
}

// "!N" + two bytes of depth + the rest: that many arrays around the rest.
std::string nested(const uint8_t* d, size_t n) {
    const int depth = n >= 2 ? (d[0] << 8 | d[1]) : 0;
    std::string s = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i) s += "<array>";
    if (n > 2) s.append(reinterpret_cast<const char*>(d + 2), n - 2);
    for (int i = 0; i < depth; ++i) s += "</array>";
    return s + "</plist>";
}

// "!G" + bytes: object i is an array holding (byte i & 3) references, to the objects the next
// bytes name (modulo the count); a byte with its high bit set makes a string instead.
std::string graph(const uint8_t* d, size_t n) {
    std::string s = "bplist00";
    std::vector<uint64_t> offsets;
    const size_t count = n == 0 ? 1 : n;
    for (size_t i = 0; i < count; ++i) {
        offsets.push_back(s.size());
        const uint8_t b = i < n ? d[i] : 0;
        if (b & 0x80) {
            s += char(0x51);  // a one-character string
            s += 'x';
            continue;
        }
        const int refs = b & 3;
        s += char(0xA0 | refs);
        for (int r = 0; r < refs; ++r) putBigEndian(s, (i + 1 + r < n ? d[i + 1 + r] : 0) % count, 2);
    }
    const uint64_t table = s.size();
    for (uint64_t o : offsets) putBigEndian(s, o, 4);
    s += std::string(6, '\0');
    s += char(4);
    s += char(2);
    putBigEndian(s, count, 8);
    putBigEndian(s, 0, 8);
    putBigEndian(s, table, 8);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* rawData, size_t rawSize) {
    std::string built;
    if (rawSize >= 2 && rawData[0] == '!' && rawData[1] == 'N') built = nested(rawData + 2, rawSize - 2);
    if (rawSize >= 2 && rawData[0] == '!' && rawData[1] == 'G') built = graph(rawData + 2, rawSize - 2);
    const auto* data = built.empty() ? rawData : reinterpret_cast<const uint8_t*>(built.data());
    const size_t size = built.empty() ? rawSize : built.size();

    // The parser and the conversion to values, and back to XML. What the limits refuse is a null
    // node, never a parse.
    platform::PlistNode node = platform::PlistNode::parse(data, size);
    if (!platform::PlistLimits::within(data, size, 258, 1000000) && !node.isNull()) std::abort();
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
