#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PlistNode.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <climits>

using namespace platform;
namespace fs = std::filesystem;

namespace platform {
// Failures show values as XML.
void PrintTo(const PropertyValue& v, std::ostream* os) { *os << PlistNode::fromValue(v).toXml(); }
}  // namespace platform

namespace {

const std::string kApp = "org.kestrova.camera";
const std::string kSpringboard = "com.apple.springboard";

class UserDefaultsTest : public ::testing::Test {
protected:
    fs::path prefs() const { return root.path() / "var/mobile/Library/Preferences"; }
    fs::path fileOf(const std::string& domain) const { return prefs() / (domain + ".plist"); }
    // The file as the independent reader understands it: converted to binary and printed back
    // as XML (an XML file converted to XML would be copied as it is), or its complaint.
    testenv::CommandResult plistutilXml(const fs::path& file) const {
        const std::string tool = testenv::plistutil();
        return testenv::run("set -e; " + tool + " -i " + testenv::shellQuote(file.string()) + " -f bin -o - | " + tool +
                            " -f xml");
    }
    std::vector<std::string> prefsFolder() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(prefs())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testenv::ScratchDir root;
    FileManager files{root.path()};
};

// Files that are not a whole property list with a dictionary at its root: a list cut short must
// not read as the part before the cut.
const std::vector<std::pair<std::string, std::string>> kUnreadable = {
    {"text", "this is not a property list\n"},
    {"binary", std::string("bplist00\xd1\x01\x02\x57\xff\x00\x13\x37garbage", 22)},
    {"array root", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>"},
    {"cut", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>A</key><dict><key>B</key><true/></dict><key>C"},
    {"empty", ""},
};

}  // namespace

TEST_F(UserDefaultsTest, RoundTripThroughRealPlistFiles) {
    {
        UserDefaults d(files, kApp);
        d.setInteger(3, "ColorMode");
        d.setInteger(INT64_MIN, "Lowest");
        d.setBool(true, "OptionsBarHidden");
        d.setObject(std::string("caf\xc3\xa9 <&>"), "Name");
        ASSERT_TRUE(d.synchronize());
    }
    // An XML property list, which the independent reader converts to binary; a fresh defaults
    // object reads that back exactly.
    EXPECT_EQ(testenv::readFile(fileOf(kApp)).rfind("<?xml", 0), 0u);
    auto bin = testenv::run(testenv::plistutil() + " -i " + testenv::shellQuote(fileOf(kApp).string()) + " -f bin -o " +
                            testenv::shellQuote(fileOf(kApp).string()));
    ASSERT_EQ(bin.status, 0) << bin.out;
    ASSERT_EQ(testenv::readFile(fileOf(kApp)).rfind("bplist00", 0), 0u);
    UserDefaults back(files, kApp);
    EXPECT_EQ(back.integerForKey("ColorMode"), 3);
    EXPECT_EQ(back.integerForKey("Lowest"), INT64_MIN);
    EXPECT_EQ(back.stringForKey("OptionsBarHidden"), "1");  // as the application reads it
    EXPECT_EQ(back.stringForKey("Name"), "caf\xc3\xa9 <&>");

    // Nothing changed: synchronize writes nothing (the binary file stays); a change writes XML.
    EXPECT_TRUE(back.synchronize());
    EXPECT_EQ(testenv::readFile(fileOf(kApp)).rfind("bplist00", 0), 0u);
    back.setInteger(4, "ColorMode");
    EXPECT_TRUE(back.synchronize());
    EXPECT_EQ(UserDefaults(files, kApp).integerForKey("ColorMode"), 4);
    EXPECT_EQ(prefsFolder(), std::vector<std::string>{kApp + ".plist"});
}

// Absent keys read as nothing; numbers and booleans read as text and as each other; text reads
// as numbers the way the text rules below say; containers are not text. (The application reads
// no reals and asks for no booleans but through text.)
TEST_F(UserDefaultsTest, ReadsConvertBetweenStringsNumbersAndBooleans) {
    UserDefaults d(files, kApp);
    EXPECT_EQ(d.integerForKey("Missing"), 0);
    EXPECT_EQ(d.stringForKey("Missing"), std::nullopt);
    d.setInteger(-7, "Negative");
    d.setBool(true, "Hidden");
    d.setObject(" \t42 pictures", "Text");
    d.setObject(PropertyArray{1, 2}, "List");
    EXPECT_EQ(d.stringForKey("Negative"), "-7");
    EXPECT_EQ(d.stringForKey("Hidden"), "1");
    EXPECT_EQ(d.integerForKey("Hidden"), 1);
    EXPECT_EQ(d.integerForKey("Text"), 42);
    EXPECT_EQ(d.stringForKey("List"), std::nullopt);
    EXPECT_EQ(d.integerForKey("List"), 0);
}

TEST(PropertyValueStrings, IntegerAndBooleanValuesOfText) {
    struct IntCase { const char* text; int64_t value; };
    for (auto c : std::initializer_list<IntCase>{
             {"", 0}, {"abc", 0}, {"12", 12}, {"  -12x", -12}, {"+7", 7}, {"\t\n 3", 3}, {"3.9", 3},
             {"- 5", 0}, {"0x1F", 0}, {"007", 7}, {"9223372036854775807", INT64_MAX},
             {"99999999999999999999", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
             {"-99999999999999999999", INT64_MIN}})
        EXPECT_EQ(PropertyValue::integerValueOf(c.text), c.value) << '"' << c.text << '"';

    struct BoolCase { const char* text; bool value; };
    for (auto c : std::initializer_list<BoolCase>{
             {"Y", true}, {"yes", true}, {"T", true}, {"true", true}, {"  t", true}, {"1", true}, {"007", true},
             {"-1", true}, {"42abc", true}, {"", false}, {"n", false}, {"NO", false}, {"false", false},
             {"0", false}, {"000", false}, {"+0", false}, {"0.5", false}, {"x1", false}})
        EXPECT_EQ(PropertyValue::boolValueOf(c.text), c.value) << '"' << c.text << '"';
}

TEST_F(UserDefaultsTest, UnreadableOwnFileStartsCleanAndIsReplacedByTheNextSave) {
    for (const auto& [what, bytes] : kUnreadable) {
        SCOPED_TRACE(what);
        testenv::writeFile(fileOf(kApp), bytes);
        UserDefaults d(files, kApp);
        EXPECT_TRUE(d.dictionaryRepresentation().empty());
        EXPECT_EQ(testenv::readFile(fileOf(kApp)), bytes);  // reading alone changes nothing

        d.setInteger(4, "ColorMode");
        ASSERT_TRUE(d.synchronize());
        EXPECT_EQ(UserDefaults(files, kApp).integerForKey("ColorMode"), 4);
    }
}

TEST_F(UserDefaultsTest, UnreadableForeignDomainIsNeverReplaced) {
    UserDefaults d(files, kApp);
    const PropertyDictionary update{{"SBDoubleTapURL", "doubletap://" + kApp}};
    for (const auto& [what, bytes] : kUnreadable) {
        SCOPED_TRACE(what);
        testenv::writeFile(fileOf(kSpringboard), bytes);
        EXPECT_EQ(d.persistentDomainForName(kSpringboard), std::nullopt);
        EXPECT_FALSE(d.setPersistentDomain(update, kSpringboard));
        EXPECT_EQ(testenv::readFile(fileOf(kSpringboard)), bytes);  // byte for byte
        EXPECT_EQ(prefsFolder(), std::vector<std::string>{kSpringboard + ".plist"});  // no temporaries
    }
    // A missing domain is created (a folder or a link in its place stays: FileManagerTest).
    fs::remove(fileOf(kSpringboard));
    ASSERT_TRUE(d.setPersistentDomain(update, kSpringboard));
    EXPECT_EQ(d.persistentDomainForName(kSpringboard), update);
}

TEST_F(UserDefaultsTest, ForeignDomainKeepsEveryTypeWhenAKeyIsAdded) {
    // Every type a property list has, keys in byte order, so the independent reader prints the
    // file and the expected one alike; the new key goes in at its place in that order.
    const std::string original =
        testenv::readFile(testenv::sourceDir() + "/tests/platform/foundation/every-type.plist");
    std::string withKey = original;
    withKey.insert(withKey.find("<key>True</key>"),
                   "<key>SBDoubleTapURL</key><string>doubletap://org.kestrova.camera</string>\n");
    testenv::writeFile(fileOf(kSpringboard), original);
    UserDefaults d(files, kApp);

    auto domain = d.persistentDomainForName(kSpringboard);
    ASSERT_TRUE(domain);
    domain->insert_or_assign("SBDoubleTapURL", "doubletap://" + kApp);
    ASSERT_TRUE(d.setPersistentDomain(*domain, kSpringboard));

    testenv::ScratchDir expectedDir;
    testenv::writeFile(expectedDir / "expected.plist", withKey);
    auto expected = plistutilXml(expectedDir / "expected.plist");
    auto actual = plistutilXml(fileOf(kSpringboard));
    ASSERT_EQ(expected.status, 0) << expected.out;
    ASSERT_EQ(actual.status, 0) << actual.out;
    EXPECT_EQ(actual.out, expected.out);
}
