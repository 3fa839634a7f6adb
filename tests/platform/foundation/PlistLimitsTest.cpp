#include "platform/foundation/PlistLimits.h"
#include "platform/foundation/PlistNode.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using platform::PlistLimits;
using platform::PlistNode;

namespace {

std::string nestedXml(int arrays, const std::string& attribute = "") {
    std::string s = "<?xml version=\"1.0\"?>\n<!-- <array> in a comment is no element -->\n<plist version=\"1.0\">";
    for (int i = 0; i < arrays; ++i) s += "<array" + attribute + ">";
    s += "<true/>";
    for (int i = 0; i < arrays; ++i) s += "</array>";
    return s + "</plist>";
}

void putBigEndian(std::string& out, uint64_t v, int size) {
    for (int i = size - 1; i >= 0; --i) out += char(v >> (8 * i));
}

// A binary list of `objects` arrays, object i holding `refs` references to object i + 1 (or, for
// `loop`, the last one referring back to the first); the last holds nothing unless it loops.
std::string binaryChain(uint64_t objects, int refs, bool loop = false) {
    std::string s = "bplist00";
    std::vector<uint64_t> offsets;
    for (uint64_t i = 0; i < objects; ++i) {
        offsets.push_back(s.size());
        const bool last = i + 1 == objects;
        const int n = last && !loop ? 0 : refs;
        s += char(0xA0 | n);
        for (int r = 0; r < n; ++r) putBigEndian(s, last ? 0 : i + 1, 4);
    }
    const uint64_t table = s.size();
    for (uint64_t o : offsets) putBigEndian(s, o, 4);
    s += std::string(6, '\0');
    s += char(4);  // offset size
    s += char(4);  // reference size
    putBigEndian(s, objects, 8);
    putBigEndian(s, 0, 8);  // top object
    putBigEndian(s, table, 8);
    return s;
}

int depthOf(const platform::PropertyValue& v) {
    int d = 0;
    for (const platform::PropertyValue* p = &v; p->asArray(); p = &p->asArray()->front(), ++d)
        if (p->asArray()->empty()) return d + 1;
    return d;
}

}  // namespace

TEST(PlistLimits, DeepNestingIsRefusedBeforeTheParserRecurses) {
    // Deep but within bounds: read whole, in either form.
    auto xml = nestedXml(250);
    auto value = PlistNode::parse(xml.data(), xml.size()).toValue();
    ASSERT_TRUE(value);
    EXPECT_EQ(depthOf(*value), 250);
    auto bin = binaryChain(250, 1);
    value = PlistNode::parse(bin.data(), bin.size()).toValue();
    ASSERT_TRUE(value);
    EXPECT_EQ(depthOf(*value), 250);

    // Past the limit: a null node, not a crash, however deep.
    for (int deep : {260, 30000}) {
        xml = nestedXml(deep);
        EXPECT_TRUE(PlistNode::parse(xml.data(), xml.size()).isNull()) << deep;
        bin = binaryChain(uint64_t(deep), 1);
        EXPECT_TRUE(PlistNode::parse(bin.data(), bin.size()).isNull()) << deep;
    }
    // Quoted attribute values cannot hide tags from the count.
    xml = nestedXml(300, " a=\"/\"");
    EXPECT_FALSE(PlistLimits::within(xml.data(), xml.size(), 258, 1000));
    // The limit is exact, counting the plist element (an empty element does not nest).
    xml = nestedXml(10);
    EXPECT_TRUE(PlistLimits::within(xml.data(), xml.size(), 11, 1000));
    EXPECT_FALSE(PlistLimits::within(xml.data(), xml.size(), 10, 1000));
    EXPECT_FALSE(PlistLimits::within(xml.data(), xml.size(), 11, 11));  // 12 elements
    bin = binaryChain(10, 1);
    EXPECT_TRUE(PlistLimits::within(bin.data(), bin.size(), 10, 1000));
    EXPECT_FALSE(PlistLimits::within(bin.data(), bin.size(), 9, 1000));
}

TEST(PlistLimits, SharedAndCyclicReferencesAreCountedOnceEachAndRefused) {
    // An object referring to itself (through a chain) nests without end.
    auto cycle = binaryChain(5, 1, true);
    EXPECT_FALSE(PlistLimits::within(cycle.data(), cycle.size(), 256, 1000000));
    EXPECT_TRUE(PlistNode::parse(cycle.data(), cycle.size()).isNull());

    // Each of 60 arrays refers twice to the next: 2^60 values once expanded. Refused, quickly.
    auto doubling = binaryChain(60, 2);
    EXPECT_FALSE(PlistLimits::within(doubling.data(), doubling.size(), 256, 1000000));
    EXPECT_TRUE(PlistNode::parse(doubling.data(), doubling.size()).isNull());
    // Ten levels are 2^11 - 1 values: the value limit is exact.
    auto ten = binaryChain(11, 2);
    EXPECT_TRUE(PlistLimits::within(ten.data(), ten.size(), 256, 2047));
    EXPECT_FALSE(PlistLimits::within(ten.data(), ten.size(), 256, 2046));

    // A trailer pointing outside the file, and a reference past the last object: refused.
    auto broken = binaryChain(3, 1);
    broken[broken.size() - 1] = char(0xFF);
    EXPECT_FALSE(PlistLimits::within(broken.data(), broken.size(), 256, 1000));
    auto dangling = binaryChain(3, 1);
    dangling[8 + 1 + 3] = char(9);  // object 0's reference: 9
    EXPECT_FALSE(PlistLimits::within(dangling.data(), dangling.size(), 256, 1000));
}

// Inputs the fuzzer found, kept in its corpus: a dictionary key holding a NUL byte, and a damaged
// list whose root is a string holding NUL bytes. libplist's readers assert on both, which aborted
// the whole program at start-up.
TEST(PlistFuzzRegression, NulBytesInKeysAndStringsReadWithoutAborting) {
    struct Case {
        const char* file;
        size_t size;
        bool dictionary;
    };
    for (Case c : {Case{"regression-key-with-nul.bplist", 177, true},
                   Case{"regression-string-with-nuls.bplist", 167, false}}) {
        SCOPED_TRACE(c.file);
        const std::string bytes = testenv::readFile(testenv::sourceDir() + "/fuzz/corpus/preferences/" + c.file);
        ASSERT_EQ(bytes.size(), c.size);
        auto value = PlistNode::parse(bytes.data(), bytes.size()).toValue();
        ASSERT_TRUE(value.has_value());
        if (!c.dictionary) {
            EXPECT_NE(value->asString(), nullptr);
            continue;
        }
        ASSERT_NE(value->asDictionary(), nullptr);
        // The entry before the damaged key is still there.
        EXPECT_EQ(value->asDictionary()->at("ColorMode"), platform::PropertyValue(2));
    }
}
