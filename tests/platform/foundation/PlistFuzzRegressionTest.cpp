// Inputs the fuzzers found that once crashed the preferences reader, kept in the fuzzer's corpus
// and read here as regression tests.
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PlistNode.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

std::string corpusFile(const std::string& name) {
    return testenv::readFile(testenv::sourceDir() + "/fuzz/corpus/preferences/" + name);
}

}  // namespace

// A dictionary key holding a NUL byte (libplist's key reader asserts on it).
TEST(PlistFuzzRegression, KeyHoldingANulByteReadsWithoutAborting) {
    const std::string bytes = corpusFile("regression-key-with-nul.bplist");
    ASSERT_EQ(bytes.size(), 177u);
    auto value = platform::PlistNode::parse(bytes.data(), bytes.size()).toValue();
    ASSERT_TRUE(value.has_value());
    ASSERT_NE(value->asDictionary(), nullptr);
    // The entry before the damaged key is still there.
    EXPECT_EQ(value->asDictionary()->at("ColorMode"), platform::PropertyValue(2));
}

// A damaged list whose root is a string holding NUL bytes (libplist's plist_get_string_val
// asserts on it, which aborted the whole program at start-up).
TEST(PlistFuzzRegression, StringHoldingNulBytesReadsWithoutAborting) {
    const std::string bytes = corpusFile("regression-string-with-nuls.bplist");
    ASSERT_EQ(bytes.size(), 167u);
    auto value = platform::PlistNode::parse(bytes.data(), bytes.size()).toValue();
    ASSERT_TRUE(value.has_value());
    EXPECT_NE(value->asString(), nullptr);

    // As the application's preferences file: not a dictionary, so it reads as empty, and the next
    // save writes a file that reads back.
    testenv::ScratchDir dir;
    platform::FileManager files(dir.path());
    const std::string domain = "org.kestrova.regression";
    testenv::writeFile(*files.resolve(platform::UserDefaults::pathForDomain(domain)), bytes);
    platform::UserDefaults defaults(files, domain);
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    defaults.setInteger(3, "ColorMode");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(platform::UserDefaults(files, domain).integerForKey("ColorMode"), 3);
}
