// The information page through the application delegate: the position line following fixes, the
// help overlay and the about sheet under a finger, and the double-tap launch written into the home
// screen's preferences and announced once at termination.
#include "tests/app/AppFixture.h"

#include "location/GeoPosition.h"
#include "platform/location/LocationManager.h"
#include "platform/location/LocationServices.h"
#include "platform/location/SimulatedLocationSource.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "ui/info/AboutView.h"

#include <regex>

using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;
using kestrova::AboutView;

constexpr const char* kDoubleTapURL = "doubletap://org.kestrova.camera";

class InfoPageTest : public apptest::AppFixture {
protected:
    ~InfoPageTest() override {
        platform::EventLog::configure(&clock, {});
        if (auto manager = kestrova::GeoPosition::sharedInstance()->locationManager()) manager->stopUpdatingLocation();
        platform::LocationServices::setCurrent(nullptr);
    }

    fs::path springboardPath() const { return root / "device/var/mobile/Library/Preferences/com.apple.springboard.plist"; }

    AboutView* page() const { return dynamic_cast<AboutView*>(delegate->aboutView()); }

    // Launches, waits for the information page and goes there.
    void openInfoPage() {
        launchReady();
        ASSERT_NE(page(), nullptr);
        delegate->gotoInfoPage(nullptr);
        loop.runFor(0.5s);
    }

    // A finger tap at the centre of `view`, through the window's hit testing.
    void tap(platform::View* view) {
        platform::Rect b = view->bounds();
        platform::Point p = view->convertPointToView({b.midX(), b.midY()}, nullptr);
        delegate->window()->touchDown(0, p, loop.now());
        loop.runFor(0.05s);
        delegate->window()->touchUp(0, loop.now());
        loop.runFor(0.05s);
    }

    std::vector<std::string> notifications() const {
        std::vector<std::string> out;
        for (const auto& line : platform::EventLog::lines())
            if (line.rfind("notify ", 0) == 0) out.push_back(line);
        return out;
    }

    std::string plistXml(const fs::path& path) const {
        return testenv::run(testenv::plistutil() + " -f xml -i " + testenv::shellQuote(path.string())).out;
    }

    void writeSpringboard(const std::string& bytes) {
        fs::create_directories(springboardPath().parent_path());
        testenv::writeFile(springboardPath(), bytes);
    }

    // The confirmation sheet as the double-tap control opens it.
    platform::ActionSheet* openConfirmation() {
        delegate->confirmDoubleTap(nullptr);
        const auto& sheets = platform::ActionSheet::visibleSheets();
        return sheets.empty() ? nullptr : sheets.back();
    }
};

TEST_F(InfoPageTest, PositionLineChangesWhenAFixArrivesWithoutUserAction) {
    ASSERT_EQ(kestrova::GeoPosition::sharedInstance()->getValuesState(), 0)
        << "an earlier test in this process fed a fix";
    // Updates an earlier launch in this process left running would keep their old receiver.
    kestrova::GeoPosition::sharedInstance()->locationManager()->stopUpdatingLocation();
    auto receiver = std::make_shared<platform::SimulatedLocationSource>(loop);
    platform::LocationServices services(true, receiver);
    platform::LocationServices::setCurrent(&services);
    openInfoPage();
    AboutView* p = page();
    ASSERT_NE(p, nullptr);

    // Before the first fix: the refresh text, and updates running since launch.
    const std::string refresh = bundle->localizedString("GEOTAG_REFRESH");
    ASSERT_FALSE(refresh.empty());
    EXPECT_EQ(p->gpstext()->text(), refresh);
    auto manager = kestrova::GeoPosition::sharedInstance()->locationManager();
    EXPECT_TRUE(manager->updating());

    // The receiver finds London: the line changes by itself, and the updates stop.
    ASSERT_TRUE(receiver->inject(51.5074, -0.1278));
    loop.runFor(0.1s);
    EXPECT_EQ(p->gpstext()->text(), "51.51 -0.13");
    EXPECT_FALSE(manager->updating());

    // Moving on to Sydney changes nothing until the refresh button asks again.
    ASSERT_TRUE(receiver->inject(-33.8688, 151.2093));
    loop.runFor(1.0s);
    EXPECT_EQ(p->gpstext()->text(), "51.51 -0.13");
    tap(p->gpsButton());
    loop.runFor(1.0s);
    EXPECT_EQ(p->gpstext()->text(), "-33.87 151.21");

    // Location services off (the switch, or a positioning service that left): the line says so at
    // once. Back on: updates start again, as at launch, and the kept fix shows.
    ASSERT_FALSE(manager->updating());
    services.setEnabled(false);
    const std::string off = bundle->localizedString("GEOTAG_SERVICES_OFF");
    ASSERT_FALSE(off.empty());
    EXPECT_EQ(p->gpstext()->text(), off);
    services.setEnabled(true);
    EXPECT_TRUE(manager->updating());
    EXPECT_EQ(p->gpstext()->text(), "-33.87 151.21");
    manager->stopUpdatingLocation();
    platform::LocationServices::setCurrent(nullptr);
}

TEST_F(InfoPageTest, HelpShowsAndHidesUnderAFingerAndTheAboutSheetCarriesTheVersion) {
    openInfoPage();
    AboutView* p = page();
    ASSERT_NE(p, nullptr);
    platform::WebView* web = p->helpView();

    // Help: the web view comes up over the page, the controls go; a tap where the help button was
    // now lands on the web view.
    // (Each control's look: AboutViewTest.)
    tap(p->helpButton());
    loop.runFor(0.3s);
    EXPECT_EQ(web->alpha(), 0.7f);
    platform::Rect hb = p->helpButton()->bounds();
    EXPECT_EQ(delegate->window()->hitTest(p->helpButton()->convertPointToView({hb.midX(), hb.midY()}, nullptr), nullptr),
              web);
    // Switching pages keeps it open.
    delegate->gotoCameraPage(nullptr);
    loop.runFor(0.5s);
    delegate->gotoInfoPage(nullptr);
    loop.runFor(0.5s);
    EXPECT_EQ(web->alpha(), 0.7f);

    // The close button brings the controls back.
    tap(p->xButton());
    loop.runFor(0.3s);
    EXPECT_EQ(web->alpha(), 0.0f);
    EXPECT_EQ(p->helpButton()->alpha(), 1.0f);

    // About: the version where the body text has its placeholder, one fixed "OK".
    tap(p->aboutButton());
    const auto& sheets = platform::ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    platform::ActionSheet* about = sheets.back();
    EXPECT_EQ(about->title(), bundle->localizedString("ABOUT_TITLE"));
    EXPECT_EQ(about->bodyText().rfind("Version 2.1\n", 0), 0u) << about->bodyText();
    EXPECT_EQ(about->bodyText().find("%@"), std::string::npos);
    ASSERT_EQ(about->numberOfButtons(), 1);
    EXPECT_EQ(about->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(about->defaultButtonIndex(), 1);
    EXPECT_EQ(about->delegate(), delegate.get());
    EXPECT_EQ(about->context(), delegate.get());
    about->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_TRUE(platform::ActionSheet::visibleSheets().empty());
    EXPECT_FALSE(api().confirmedTap());
    EXPECT_FALSE(fs::exists(springboardPath()));
}

TEST_F(InfoPageTest, ConfirmWritesTheKeyKeepingEveryForeignValueAndNotifiesOnceAfterSaving) {
    // The home screen's file, in binary form, with a value of every property-list type and an
    // earlier double-tap address. Keys in sorted order, as dictionaries are written back.
    const fs::path xml = root / "springboard.xml";
    testenv::writeFile(xml, R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>SBArray</key>
	<array><string>one</string><integer>2</integer><array/></array>
	<key>SBBoolFalse</key>
	<false/>
	<key>SBBoolTrue</key>
	<true/>
	<key>SBData</key>
	<data>AAECA/7/</data>
	<key>SBDate</key>
	<date>2009-06-17T12:34:56Z</date>
	<key>SBDict</key>
	<dict><key>empty</key><dict/><key>inner</key><real>0.5</real></dict>
	<key>SBDoubleTapURL</key>
	<string>prefs:old</string>
	<key>SBInteger</key>
	<integer>-42</integer>
	<key>SBLarge</key>
	<integer>9007199254740993</integer>
	<key>SBReal</key>
	<real>0.1</real>
	<key>SBString</key>
	<string>caf&#233; &amp; &lt;tag&gt; &#28450;&#23383;</string>
</dict>
</plist>
)");
    fs::create_directories(springboardPath().parent_path());
    auto converted = testenv::run(testenv::plistutil() + " -f bin -i " + testenv::shellQuote(xml.string()) + " -o " +
                                  testenv::shellQuote(springboardPath().string()));
    ASSERT_EQ(converted.status, 0) << converted.out;
    const std::string before = plistXml(springboardPath());
    ASSERT_NE(before.find("prefs:old"), std::string::npos) << before;

    // Record what storage holds at the moment the notification goes out.
    const fs::path prefs = root / "device/var/mobile/Library/Preferences" / (bundle->bundleIdentifier() + ".plist");
    const fs::path atNotify = root / "prefs-at-notify.plist";
    bool pictureWrittenAtNotify = false;
    platform::EventLog::configure(&clock, [&](const std::string& line) {
        if (line.find("notify com.apple.language.changed") == std::string::npos) return;
        std::error_code ec;
        fs::copy_file(prefs, atNotify, fs::copy_options::overwrite_existing, ec);
        pictureWrittenAtNotify = fs::exists(root / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG");
    });

    openInfoPage();
    platform::ActionSheet* sheet = openConfirmation();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->title(), bundle->localizedString("CONFIRM_DOUBLE_TAP"));
    EXPECT_EQ(sheet->bodyText(), bundle->localizedString("CONFIRM_DOUBLE_TAP_BODY"));
    ASSERT_EQ(sheet->numberOfButtons(), 2);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), bundle->localizedString("CONFIRM"));
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), bundle->localizedString("CANCEL"));
    EXPECT_EQ(sheet->defaultButtonIndex(), 1);
    EXPECT_EQ(sheet->delegate(), delegate.get());
    sheet->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_TRUE(platform::ActionSheet::visibleSheets().empty());
    EXPECT_TRUE(api().confirmedTap());

    // The key replaced, read back by an independent reader; every other key as it was.
    std::string expected = std::regex_replace(before, std::regex("prefs:old"), kDoubleTapURL);
    EXPECT_EQ(plistXml(springboardPath()), expected);

    // A second confirmation writes the same; nothing is posted before termination.
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_EQ(plistXml(springboardPath()), expected);
    EXPECT_TRUE(notifications().empty());

    // A changed setting and a picture still on its way when the application ends.
    delegate->setColorStatus(kestrova::ColorMode::Negative);
    delegate->performCapture();
    loop.runFor(0.3s);
    app->terminate();
    EXPECT_EQ(notifications(), std::vector<std::string>{"notify com.apple.language.changed"});
    EXPECT_TRUE(pictureWrittenAtNotify);
    ASSERT_TRUE(fs::exists(atNotify));
    EXPECT_NE(plistXml(atNotify).find("<key>ColorMode</key>\n\t<integer>3</integer>"), std::string::npos)
        << plistXml(atNotify);
}

TEST_F(InfoPageTest, CancelAndUnreadableDomainsWriteNothingAndPostNothing) {
    const std::string corrupt = "bplist00\x01\x02 this is not a property list";
    const std::string arrayRoot = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<array><string>SBDoubleTapURL</string></array>
</plist>
)";
    openInfoPage();

    // Cancel: the file stays byte for byte, nothing is confirmed.
    writeSpringboard(arrayRoot);
    openConfirmation()->clickButtonAtIndex(1);
    loop.runFor(0.5s);
    EXPECT_EQ(testenv::readFile(springboardPath()), arrayRoot);
    EXPECT_FALSE(api().confirmedTap());

    // Confirm over a file with the wrong root type, then over a corrupt one: never replaced.
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_EQ(testenv::readFile(springboardPath()), arrayRoot);
    writeSpringboard(corrupt);
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_EQ(testenv::readFile(springboardPath()), corrupt);
    EXPECT_FALSE(api().confirmedTap());

    app->terminate();
    EXPECT_TRUE(notifications().empty());
    EXPECT_EQ(testenv::readFile(springboardPath()), corrupt);
}

TEST_F(InfoPageTest, MissingDomainIsCreatedWithTheKeyAlone) {
    openInfoPage();
    ASSERT_FALSE(fs::exists(springboardPath()));
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    const std::string xml = plistXml(springboardPath());
    EXPECT_NE(xml.find(std::string("<key>SBDoubleTapURL</key>\n\t<string>") + kDoubleTapURL + "</string>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(std::regex_replace(xml, std::regex("[^]*?<key>"), "<key>", std::regex_constants::format_first_only)
                  .find("<key>", 1),
              std::string::npos)
        << "a key besides the address: " << xml;
    app->terminate();
    EXPECT_EQ(notifications(), std::vector<std::string>{"notify com.apple.language.changed"});
}

}  // namespace
