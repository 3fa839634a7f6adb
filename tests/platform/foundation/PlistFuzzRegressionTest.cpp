// Inputs the fuzzers found that once crashed the preferences reader, kept in the fuzzer's corpus
// and read here as regression tests. (A root that is no dictionary, as the second is, reads as
// empty preferences: UserDefaultsTest's unreadable files.)
#include "platform/foundation/PlistNode.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

// A dictionary key holding a NUL byte, and a damaged list whose root is a string holding NUL
// bytes: libplist's readers assert on both, which aborted the whole program at start-up.
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
        auto value = platform::PlistNode::parse(bytes.data(), bytes.size()).toValue();
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
