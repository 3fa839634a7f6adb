#include "CoreUiFixture.h"

#include "platform/foundation/Bundle.h"
#include "platform/graphics/PNGFile.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/InterfaceValue.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnv.h"

#include <string>
#include <vector>

namespace platform {
namespace {

using test::CoreUiFixture;

std::vector<std::string>& journal() {
    static std::vector<std::string> j;
    return j;
}

// A view that sends one action on "tap" and has a "partner" outlet; it notes what reached it.
class WiredView : public View {
public:
    View* partner = nullptr;
    Action onTap;
    std::string tapEvent;
    bool setOutlet(std::string_view name, Object* o) override {
        if (name != "partner") return false;
        journal().push_back("outlet partner of " + this->name());
        partner = static_cast<View*>(o);
        return true;
    }
    bool connectAction(const ActionConnection& c) override {
        onTap = c.fn;
        tapEvent = c.event;
        return true;
    }
    void awakeFromNib() override {
        // Everything is connected by now.
        journal().push_back("awake " + name() + (partner ? " with partner" : ""));
    }
};

// The file's owner: an outlet and an action method.
class Owner : public Object {
public:
    View* button = nullptr;
    std::vector<Object*> senders;
    bool setOutlet(std::string_view name, Object* o) override {
        if (name == "button") {
            button = static_cast<View*>(o);
            return true;
        }
        return false;
    }
    Action actionNamed(std::string_view name) override {
        if (name == "pressed") return [this](Object* sender) { senders.push_back(sender); };
        return {};
    }
};

// Files are read with the shared registry, which makes the platform's own classes by name; the
// test's classes join it.
class InterfaceLoaderTest : public CoreUiFixture {
protected:
    InterfaceLoaderTest() {
        journal().clear();
        ClassRegistry::shared().registerClass<WiredView>("WiredView");
        ClassRegistry::shared().registerClass<Owner>("Owner");
    }
};

const char* kFile = R"({
  "objects": [
    { "class": "Window", "id": "window",
      "properties": { "frame": [0, 0, 320, 480], "backgroundColor": "#FF0000" },
      "subviews": [
        { "class": "WiredView", "id": "first",
          "properties": { "frame": {"x": 10, "y": 20, "width": 100, "height": 50}, "alpha": 0.5,
                          "tag": 7, "hidden": true, "unknownKey": 3 } },
        { "class": "WiredView", "id": "second", "properties": { "frame": [0, 100, 50, 50] },
          "subviews": [ { "class": "View", "id": "inner", "properties": { "name": "innerName" } } ] },
        { "class": "NavigationBar", "id": "navbar", "properties": { "frame": [0, 0, 320, 53] } },
        { "class": "Label", "id": "countdown", "properties": { "text": "5", "textColor": [1, 1, 0] } },
        { "class": "Button", "id": "go", "properties": { "frame": [10, 200, 100, 40],
          "title": { "normal": "Go", "highlighted": "Going" } } },
        { "class": "PageControl", "id": "dots", "properties": { "numberOfPages": 3 } }
      ] },
    { "class": "Owner", "id": "helper" },
    { "class": "NavigationItem", "id": "cameraItem" },
    { "class": "BarButtonItem", "id": "infoItem", "properties": { "title": "Info", "name": "infoButton" } }
  ],
  "outlets": [
    { "from": "owner", "name": "button", "to": "second" },
    { "from": "first", "name": "partner", "to": "second" },
    { "from": "second", "name": "noSuchOutlet", "to": "first" },
    { "from": "navbar", "name": "topItem", "to": "cameraItem" },
    { "from": "cameraItem", "name": "rightBarButtonItem", "to": "infoItem" }
  ],
  "actions": [
    { "from": "first", "event": "touchDown", "to": "owner", "action": "pressed" },
    { "from": "second", "to": "helper", "action": "pressed" },
    { "from": "second", "to": "owner", "action": "noSuchAction" },
    { "from": "infoItem", "event": "touchUpInside", "to": "owner", "action": "pressed" },
    { "from": "go", "event": "touchUpInside", "to": "owner", "action": "pressed" }
  ]
})";

TEST_F(InterfaceLoaderTest, ObjectsPropertiesOutletsActionsAndAwake) {
    Owner owner;
    std::string error;
    auto contents = InterfaceLoader::loadString(kFile, &owner, &error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->topLevelObjects.size(), 4u);

    // The tree, with its properties set.
    auto* window = static_cast<Window*>(contents->viewWithId("window"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->frame(), (Rect{0, 0, 320, 480}));
    EXPECT_EQ(window->backgroundColor(), Color::rgba(1, 0, 0));
    auto* first = static_cast<WiredView*>(contents->viewWithId("first"));
    auto* second = static_cast<WiredView*>(contents->viewWithId("second"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->superview(), window);
    EXPECT_EQ(window->indexOfSubview(second), 1);
    EXPECT_EQ(first->frame(), (Rect{10, 20, 100, 50}));
    EXPECT_FLOAT_EQ(first->alpha(), 0.5f);
    EXPECT_EQ(first->tag(), 7);
    EXPECT_TRUE(first->hidden());
    // Ids name views for scripts; a "name" property wins.
    EXPECT_EQ(window->viewWithName("second"), second);
    EXPECT_NE(window->viewWithName("innerName"), nullptr);

    // Outlets to the owner and between objects.
    EXPECT_EQ(owner.button, second);
    EXPECT_EQ(first->partner, second);
    EXPECT_EQ(second->partner, nullptr);

    // Actions reach their targets with the sender; the event name is kept.
    ASSERT_TRUE(first->onTap);
    EXPECT_EQ(first->tapEvent, "touchDown");
    first->onTap(first);
    EXPECT_EQ(owner.senders, std::vector<Object*>{first});
    auto* helper = static_cast<Owner*>(contents->objectWithId("helper"));
    ASSERT_TRUE(second->onTap);
    EXPECT_EQ(second->tapEvent, "touchUpInside");
    second->onTap(second);
    EXPECT_EQ(helper->senders.size(), 1u);

    // awakeFromNib once each, after all connections, in file order.
    EXPECT_EQ(journal(), (std::vector<std::string>{"outlet partner of first", "awake first with partner",
                                                   "awake second"}));

    // The platform's controls with their own properties. The bar shows the item whose button was
    // connected after the bar's own outlet, and the buttons' actions reach the owner.
    auto* info = static_cast<BarButtonItem*>(contents->objectWithId("infoItem"));
    ASSERT_TRUE(info->button());
    EXPECT_EQ(info->button()->name(), "infoButton");
    tapView(info->button());
    EXPECT_EQ(owner.senders.size(), 2u);
    auto* go = static_cast<Button*>(window->viewWithName("go"));
    EXPECT_EQ(go->titleForState(ControlState::Highlighted), "Going");
    tapView(go);
    EXPECT_EQ(owner.senders.size(), 3u);
    auto* label = static_cast<Label*>(window->viewWithName("countdown"));
    EXPECT_EQ(label->text(), "5");
    EXPECT_EQ(label->textColor(), Color::rgba(1, 1, 0));
    EXPECT_EQ(static_cast<PageControl*>(window->viewWithName("dots"))->numberOfPages(), 3);

    // Taking a top-level view hands it over.
    std::unique_ptr<View> taken = contents->takeView("window");
    EXPECT_EQ(taken.get(), window);
    EXPECT_EQ(contents->topLevelObjects.size(), 3u);
    EXPECT_EQ(contents->takeView("first"), nullptr);  // not top level
}

TEST_F(InterfaceLoaderTest, BadFilesAreRefusedWithAReason) {
    std::string error;
    auto refused = [&](const std::string& json) {
        error.clear();
        bool ok = !InterfaceLoader::loadString(json, nullptr, &error);
        return ok && !error.empty();
    };
    EXPECT_TRUE(refused("{ not json"));
    EXPECT_TRUE(refused("[]"));
    EXPECT_TRUE(refused(R"({"objects": [{"class": "Nope"}]})"));
    EXPECT_TRUE(refused(R"({"objects": [{"class": "View", "id": "a"}, {"class": "View", "id": "a"}]})"));
    EXPECT_TRUE(refused(R"({"objects": [{"class": "View", "subviews": [{"class": "Owner"}]}]})"));
    EXPECT_TRUE(refused(R"({"objects": [{"class": "Owner", "subviews": []}]})"));
    EXPECT_TRUE(refused(R"({"objects": [{"class": "View", "id": "a"}],
                            "outlets": [{"from": "a", "name": "x", "to": "missing"}]})"));
    EXPECT_TRUE(refused(R"({"objects": [], "actions": [{"from": "owner", "to": "owner", "action": "x"}]})"));
    // Wrong value types for known properties are ignored, not fatal.
    auto ok = InterfaceLoader::loadString(
        R"({"objects": [{"class": "View", "id": "v", "properties": {"frame": "wide", "alpha": [1]}}]})", nullptr,
        &error);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->viewWithId("v")->frame(), Rect{});
}

// A temporary bundle with a 1x and @2x image and one with only its 1x file.
class BundleFixture : public CoreUiFixture {
protected:
    BundleFixture() {
        writePng("dot.png", 3, 2, 0x20);
        writePng("dot@2x.png", 6, 4, 0x40);
        writePng("single.png", 5, 5, 0x60);
        bundle_ = std::make_unique<Bundle>(dir_.path());
        ImageCache::clear();
    }
    ~BundleFixture() override {
        ImageCache::setScale(1);
        ImageCache::clear();
    }
    void writePng(const std::string& name, int w, int h, uint8_t level) {
        auto img = Image::createBGRX(w, h, std::vector<uint8_t>(size_t(w) * h * 4, level));
        ASSERT_TRUE(PNGFile::write(*img, dir_ / name));
    }

    testenv::ScratchDir dir_;
    std::unique_ptr<Bundle> bundle_;
};

using ImageCacheTest = BundleFixture;

TEST_F(ImageCacheTest, LoadsAtTheScreenScaleAndShares) {
    ImageCache::setScale(2);
    ImageRef dot = ImageCache::imageNamed("dot.png", bundle_.get());
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->width(), 6);
    EXPECT_EQ(ImageCache::pointSize(dot), (Size{3, 2}));
    EXPECT_EQ(ImageCache::imageNamed("dot", bundle_.get()), ImageCache::imageNamed("dot", bundle_.get()));
    // No @2x file: the 1x file, one pixel a point.
    ImageRef single = ImageCache::imageNamed("single.png", bundle_.get());
    ASSERT_TRUE(single);
    EXPECT_EQ(ImageCache::pointSize(single), (Size{5, 5}));
    EXPECT_EQ(ImageCache::imageNamed("missing.png", bundle_.get()), nullptr);
    EXPECT_EQ(ImageCache::imageNamed("../escape.png", bundle_.get()), nullptr);
    // At scale 1 the 1x file: the application's launch below.
}

class RecordingDelegate : public View, public ApplicationDelegate {
public:
    std::vector<std::string> calls;
    void applicationDidFinishLaunching(Application& app) override {
        calls.push_back("launched");
        if (Window* w = app.keyWindow()) w->makeKeyAndVisible();
    }
    void applicationWillResignActive(Application&) override { calls.push_back("resign"); }
    void applicationDidBecomeActive(Application&) override { calls.push_back("active"); }
    void applicationWillTerminate(Application&) override { calls.push_back("terminate"); }
};

using ApplicationTest = BundleFixture;

TEST_F(ApplicationTest, LaunchFromTheMainInterfaceFileAndLifecycle) {
    ClassRegistry::shared().registerClass<RecordingDelegate>("RecordingDelegate");
    testenv::writeFile(dir_ / "MainWindow.json", R"({
      "objects": [
        { "class": "Window", "id": "window", "properties": { "frame": [0, 0, 320, 480] },
          "subviews": [ { "class": "ImageView", "id": "picture", "properties": { "image": "dot.png" } } ] },
        { "class": "RecordingDelegate", "id": "delegate" }
      ],
      "outlets": [ { "from": "owner", "name": "delegate", "to": "delegate" },
                   { "from": "owner", "name": "window", "to": "window" } ]
    })");
    Bundle::setMainBundle(bundle_.get());
    {
        Application app;
        EXPECT_EQ(Application::sharedApplication(), &app);
        std::string error;
        ASSERT_TRUE(app.launch("MainWindow", bundle_.get(), &error)) << error;
        auto* delegate = static_cast<RecordingDelegate*>(app.mainInterface().objectWithId("delegate"));
        ASSERT_NE(delegate, nullptr);
        EXPECT_EQ(app.delegate(), delegate);
        ASSERT_NE(app.keyWindow(), nullptr);
        EXPECT_TRUE(app.keyWindow()->isKeyWindow());
        // The 1x file at scale 1.
        auto* picture = static_cast<ImageView*>(app.keyWindow()->viewWithName("picture"));
        ASSERT_NE(picture, nullptr);
        ASSERT_TRUE(picture->image());
        EXPECT_EQ(picture->image()->width(), 3);

        // Resign and activate only on a change; terminate once; nothing after.
        app.resignActive();
        app.resignActive();
        app.becomeActive();
        app.terminate();
        app.terminate();
        app.becomeActive();
        EXPECT_EQ(delegate->calls, (std::vector<std::string>{"launched", "active", "resign", "active", "terminate"}));
        EXPECT_FALSE(app.launch("MainWindow", bundle_.get()));
    }
    EXPECT_EQ(Application::sharedApplication(), nullptr);

    // A missing file is refused and nothing launches.
    Application other;
    std::string error;
    EXPECT_FALSE(other.launch("NoSuchFile", bundle_.get(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(other.launched());
    Bundle::setMainBundle(nullptr);
}

}  // namespace
}  // namespace platform
