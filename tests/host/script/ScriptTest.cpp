#include "host/script/Script.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using host::Script;
using host::ScriptCommand;
using Kind = host::ScriptCommand::Kind;

// What the runner's own tests do not see of the commands: comments, quotes and their escapes, a
// CR before the newline, line numbers, keys, a location's values, resign and activate, the
// screenshot's file. (Touches, waits, sheets, orientation and the location-services switch arrive
// at the device in those tests with the values parsed here.)
TEST(Script, ParsesEveryCommand) {
    auto r = Script::parse(
        "# a comment line\n"
        "\n"
        "wait 1.5   # trailing comment\n"
        "tap @snapButton\n"
        "tap \"Cancel Timer\"\n"
        "tap \"say \\\"hi\\\" # not a comment\"\n"
        "key volume-up\n"
        "key volume-down\n"
        "location 47.5 -122.25\n"
        "location 1 2 65\n"
        "resign\n"
        "activate\n"
        "screenshot out/shot.PNG\r\n"
        "quit\n");
    ASSERT_TRUE(r.script) << r.error;
    const auto& c = r.script->commands();
    ASSERT_EQ(c.size(), 12u);
    EXPECT_EQ(c[0].kind, Kind::Wait);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_DOUBLE_EQ(c[0].seconds, 1.5);
    EXPECT_EQ(c[1].kind, Kind::TapNamed);
    EXPECT_EQ(c[1].text, "snapButton");
    EXPECT_EQ(c[2].kind, Kind::TapTitled);
    EXPECT_EQ(c[2].text, "Cancel Timer");
    EXPECT_EQ(c[3].text, "say \"hi\" # not a comment");
    EXPECT_TRUE(c[4].volumeUp);
    EXPECT_FALSE(c[5].volumeUp);
    EXPECT_DOUBLE_EQ(c[6].latitude, 47.5);
    EXPECT_DOUBLE_EQ(c[6].longitude, -122.25);
    EXPECT_GT(c[6].accuracy, 0);  // a default accuracy
    EXPECT_DOUBLE_EQ(c[7].accuracy, 65);
    EXPECT_EQ(c[8].kind, Kind::Resign);
    EXPECT_EQ(c[9].kind, Kind::Activate);
    EXPECT_EQ(c[10].kind, Kind::Screenshot);
    EXPECT_EQ(c[10].text, "out/shot.PNG");
    EXPECT_TRUE(r.script->endsWithQuit());
}

TEST(Script, GesturesUseFingersNobodyHolds) {
    // Finger 0 is held, so the tap and the pinch take the lowest free ones.
    auto r = Script::parse("down 10 10\ntap 20 20\npinch 160 240 50 100 1\nup\n");
    ASSERT_TRUE(r.script) << r.error;
    const auto& c = r.script->commands();
    EXPECT_EQ(c[1].finger, 1);
    EXPECT_EQ(c[2].finger, 1);
    EXPECT_EQ(c[2].finger2, 2);
    EXPECT_FALSE(r.script->endsWithQuit());
}

TEST(Script, MalformedLinesReportTheirLineNumber) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"wait 1\nfly 3\n", "script:2: unknown command 'fly'"},
        {"\n\n# c\nwait\n", "script:4: wait: expected wait S"},
        {"wait -1", "script:1: wait: seconds must not be negative, got -1"},
        {"wait nan", "script:1: wait: seconds must be a number, got 'nan'"},
        {"wait inf", "script:1: wait: seconds must be a number"},
        {"wait 0x10", "script:1: wait: seconds must be a number"},
        {"wait 4000", "script:1: wait: seconds must be at most 3600"},
        {"tap 400 10", "script:1: tap: x 400 is off the 320 x 480 screen"},
        {"tap 10 -1", "script:1: tap: y -1 is off"},
        {"tap 10", "script:1: tap: expected tap X Y"},
        {"tap @", "script:1: tap: expected"},
        {"tap @snap-button", "script:1: tap: '@snap-button' is not a view name"},
        {"tap \"OK", "script:1: unterminated quote"},
        {"tap \"\"", "script:1: tap: tap \"\": the title is empty"},
        {"tap \"OK\"x", "script:1: text after a closing quote"},
        {"sheet -1", "script:1: sheet: button index must be a whole number from 0"},
        {"sheet 1.5", "script:1: sheet: button index"},
        {"down 1 1 10", "script:1: down: finger must be a whole number from 0 to 9, got '10'"},
        {"down 1 1\ndown 2 2", "script:2: down: finger 0 is already down"},
        {"up", "script:1: up: finger 0 is not down"},
        {"down 1 1 3\nmove 2 2", "script:2: move: finger 0 is not down"},
        {"down 1 1\ncancel\ncancel", "script:3: cancel: finger 0 is not down"},
        {"hold 1 1", "script:1: hold: expected hold X Y S"},
        {"drag 1 1 2 2 -0.5", "script:1: drag: seconds must not be negative"},
        {"pinch 160 240 0 100 1", "script:1: pinch: a pinch's finger separation must be above 0"},
        {"pinch 20 240 50 100 1", "script:1: pinch: a separation of 50 puts a finger off the screen"},
        {"key power", "script:1: key: unknown key 'power'"},
        {"orientation 7", "script:1: orientation: orientation must be a whole number from 1 to 6, got '7'"},
        {"location 95 0", "script:1: location: latitude must be -90 to 90"},
        {"location nan 0", "script:1: location: latitude"},
        {"location 0 -inf", "script:1: location: longitude"},
        {"location 0 180.01", "script:1: location: longitude must be -180 to 180"},
        {"location 0 0 -3", "script:1: location: accuracy must not be negative"},
        {"wait 1\nlocation-services maybe", "script:2: location-services: expected on or off, got 'maybe'"},
        {"location-services \"on\"", "script:1: location-services: expected on or off, got 'on'"},
        {"location-services", "script:1: location-services: expected location-services on or location-services off"},
        {"location-services on off", "script:1: location-services: expected location-services on or"},
        {"resign now", "script:1: resign: expected resign (no arguments)"},
        {"screenshot shot.jpg", "script:1: screenshot: screenshot file must end in .png, got 'shot.jpg'"},
        {"screenshot", "script:1: screenshot: expected screenshot FILE.png"},
        {"quit\n\n# fine\nwait 1\n", "script:4: nothing can follow quit (line 1)"},
        {"\"wait\" 1", "script:1: a line must start with a command"},
    };
    for (const auto& c : cases) {
        auto r = Script::parse(c.text);
        EXPECT_FALSE(r.script) << c.text;
        EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << "got: " << r.error << "\nwanted: " << c.error;
    }
}

TEST(Script, EmptyAndUnreadableFiles) {
    // Only comments: a valid script with nothing to do.
    auto r = Script::parse("# nothing\n   \n");
    ASSERT_TRUE(r.script);
    EXPECT_TRUE(r.script->commands().empty());
    // A folder or a missing file is not a script.
    r = Script::load("/");
    EXPECT_FALSE(r.script);
    EXPECT_EQ(r.error, "script: cannot read /: not a regular file");
    r = Script::load("/nonexistent/x.script");
    EXPECT_FALSE(r.script);
    EXPECT_EQ(r.error, "script: cannot read /nonexistent/x.script");
    // A FIFO nobody writes to would be waited on for ever: refused without opening it.
    testenv::ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.script").c_str(), 0600), 0);
    r = Script::load(dir / "fifo.script");
    EXPECT_EQ(r.error, "script: cannot read " + (dir / "fifo.script").string() + ": not a regular file");
}
