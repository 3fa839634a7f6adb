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
#include "ui/info/AboutView.h"

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
    AboutView* openInfoPage() {
        launchReady();
        delegate->gotoInfoPage(nullptr);
        loop.runFor(0.5s);
        return page();
    }

    std::vector<std::string> notifications() const {
        std::vector<std::string> out;
        for (const auto& line : platform::EventLog::lines())
            if (line.rfind("notify ", 0) == 0) out.push_back(line);
        return out;
    }

    void writeSpringboard(const std::string& bytes) {
        fs::create_directories(springboardPath().parent_path());
        testenv::writeFile(springboardPath(), bytes);
    }

    // The confirmation sheet as a tap on the double-tap control opens it.
    platform::ActionSheet* openConfirmation() {
        touch(page()->viewWithName("doubleTapButton"));
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
    AboutView* p = openInfoPage();
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
    touch(p->gpsButton());
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

TEST_F(InfoPageTest, HelpFadesInAndOutUnderAFingerAndTheAboutSheetCarriesTheVersion) {
    AboutView* p = openInfoPage();
    ASSERT_NE(p, nullptr);
    platform::WebView* web = p->helpView();
    ASSERT_NE(web, nullptr);
    const std::vector<platform::View*> controls = {p->helpButton(), p->aboutButton(), p->gpstext(),
                                                   p->geotagLabel(), p->gpsButton()};

    // Loaded: the help text in a web view over the page's controls, with the close button alone
    // in front; both invisible.
    EXPECT_NE(web->html().find("Kestrova Help"), std::string::npos);
    const auto& subs = p->subviews();
    ASSERT_GE(subs.size(), 2u);
    EXPECT_EQ(subs.back().get(), p->xButton());
    EXPECT_EQ(subs[subs.size() - 2].get(), web);
    EXPECT_EQ(web->alpha(), 0.0f);
    EXPECT_EQ(p->xButton()->alpha(), 0.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 1.0f);

    // "Help": one animation of the default duration; halfway the page is between the two looks.
    touch(p->helpButton());
    EXPECT_EQ(web->alpha(), 0.7f);
    EXPECT_EQ(p->xButton()->alpha(), 1.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 0.0f);
    loop.runFor(0.1s);
    EXPECT_GT(web->presentation().alpha, 0.0f);
    EXPECT_GT(p->helpButton()->presentation().alpha, 0.0f);
    loop.runFor(0.15s);
    EXPECT_EQ(web->presentation().alpha, 0.7f);

    // The close button: hidden again in one animation, every control still on its way halfway.
    touch(p->xButton());
    EXPECT_EQ(web->alpha(), 0.0f);
    EXPECT_EQ(p->xButton()->alpha(), 0.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 1.0f);
    loop.runFor(0.1s);
    for (auto* v : controls) EXPECT_LT(v->presentation().alpha, 1.0f);
    loop.runFor(0.15s);
    EXPECT_EQ(web->presentation().alpha, 0.0f);

    // About: the version where the body text has its placeholder; its "OK" confirms nothing.
    touch(p->aboutButton());
    const auto& sheets = platform::ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    platform::ActionSheet* about = sheets.back();
    EXPECT_EQ(about->title(), bundle->localizedString("ABOUT_TITLE"));
    EXPECT_EQ(about->bodyText().rfind("Version 2.1\n", 0), 0u) << about->bodyText();
    about->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_FALSE(api().confirmedTap());
    EXPECT_FALSE(fs::exists(springboardPath()));
}

// Confirmed, the key goes into the home screen's domain beside its other keys (every value type
// kept: UserDefaultsTest), a missing domain made with the key alone; the home screen hears of it
// once, at termination, after the settings and pictures are saved (unconfirmed: StartupTest).
TEST_F(InfoPageTest, OnlyAConfirmedTapWritesTheKeyAndNotifiesOnceAfterSaving) {
    // Record what storage holds at the moment the notification goes out.
    const fs::path atNotify = root / "prefs-at-notify.plist";
    bool pictureWrittenAtNotify = false;
    platform::EventLog::configure(&clock, [&](const std::string& line) {
        if (line.find("notify com.apple.language.changed") == std::string::npos) return;
        std::error_code ec;
        fs::copy_file(preferencesFile(), atNotify, fs::copy_options::overwrite_existing, ec);
        pictureWrittenAtNotify = fs::exists(roll("IMG_0001.JPG"));
    });

    ASSERT_NE(openInfoPage(), nullptr);
    platform::ActionSheet* sheet = openConfirmation();
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->numberOfButtons(), 2);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), bundle->localizedString("CONFIRM"));
    // Cancelled, or confirmed over a file that cannot be read: nothing written, nothing confirmed.
    sheet->clickButtonAtIndex(1);
    loop.runFor(0.5s);
    EXPECT_FALSE(fs::exists(springboardPath()));
    const std::string corrupt = "bplist00\x01\x02 this is not a property list";
    writeSpringboard(corrupt);
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_EQ(testenv::readFile(springboardPath()), corrupt);
    EXPECT_FALSE(api().confirmedTap());

    fs::remove(springboardPath());
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    EXPECT_TRUE(api().confirmedTap());
    const std::string alone = plistXml(springboardPath());
    EXPECT_NE(alone.find(std::string("<key>SBDoubleTapURL</key>\n\t<string>") + kDoubleTapURL + "</string>"),
              std::string::npos)
        << alone;
    EXPECT_EQ(alone.find("<key>", alone.find("<key>") + 1), std::string::npos) << "a key besides the address";

    // Over an earlier address beside a foreign key: the address replaced, the key kept.
    writeSpringboard(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>SBDoubleTapURL</key><string>prefs:old</string><key>SBOther</key><integer>-42</integer></dict></plist>
)");
    openConfirmation()->clickButtonAtIndex(0);
    loop.runFor(0.5s);
    const std::string replaced = plistXml(springboardPath());
    EXPECT_EQ(replaced.find("prefs:old"), std::string::npos) << replaced;
    EXPECT_NE(replaced.find(kDoubleTapURL), std::string::npos) << replaced;
    EXPECT_NE(replaced.find("<key>SBOther</key>\n\t<integer>-42</integer>"), std::string::npos) << replaced;
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

}  // namespace
