#include "CoreUiFixture.h"

#include "platform/foundation/Bundle.h"
#include "platform/graphics/PNGFile.h"
#include "platform/ui/Application.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/InterfaceValue.h"
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
        { "class": "WiredView", "id": "second", "properties": { "frame": [0, 100, 50, 50] } }
      ] },
    { "class": "Owner", "id": "helper" }
  ],
  "outlets": [
    { "from": "owner", "name": "button", "to": "second" },
    { "from": "first", "name": "partner", "to": "second" },
    { "from": "second", "name": "noSuchOutlet", "to": "first" }
  ],
  "actions": [
    { "from": "first", "event": "touchDown", "to": "owner", "action": "pressed" },
    { "from": "second", "to": "helper", "action": "pressed" },
    { "from": "second", "to": "owner", "action": "noSuchAction" }
  ]
})";

TEST_F(InterfaceLoaderTest, ObjectsPropertiesOutletsActionsAndAwake) {
    Owner owner;
    std::string error;
    auto contents = InterfaceLoader::loadString(kFile, &owner, &error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->topLevelObjects.size(), 2u);

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

    // Taking a top-level view hands it over.
    std::unique_ptr<View> taken = contents->takeView("window");
    EXPECT_EQ(taken.get(), window);
    EXPECT_EQ(contents->topLevelObjects.size(), 1u);
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
class ImageCacheTest : public CoreUiFixture {
protected:
    ImageCacheTest() {
        writePng("dot.png", 3, 2, 0x20);
        writePng("dot@2x.png", 6, 4, 0x40);
        writePng("single.png", 5, 5, 0x60);
        ImageCache::clear();
    }
    ~ImageCacheTest() override {
        ImageCache::setScale(1);
        ImageCache::clear();
    }
    void writePng(const std::string& name, int w, int h, uint8_t level) {
        auto img = Image::createBGRX(w, h, std::vector<uint8_t>(size_t(w) * h * 4, level));
        ASSERT_TRUE(PNGFile::write(*img, dir_ / name));
    }

    testenv::ScratchDir dir_;
    Bundle bundle_{dir_.path()};
};

TEST_F(ImageCacheTest, LoadsAtTheScreenScaleAndShares) {
    ImageCache::setScale(2);
    ImageRef dot = ImageCache::imageNamed("dot.png", &bundle_);
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->width(), 6);
    EXPECT_EQ(ImageCache::pointSize(dot), (Size{3, 2}));
    EXPECT_EQ(ImageCache::imageNamed("dot", &bundle_), ImageCache::imageNamed("dot", &bundle_));
    // No @2x file: the 1x file, one pixel a point.
    ImageRef single = ImageCache::imageNamed("single.png", &bundle_);
    ASSERT_TRUE(single);
    EXPECT_EQ(ImageCache::pointSize(single), (Size{5, 5}));
    EXPECT_EQ(ImageCache::imageNamed("missing.png", &bundle_), nullptr);
    // At scale 1 the 1x file.
    ImageCache::setScale(1);
    ImageCache::clear();
    EXPECT_EQ(ImageCache::imageNamed("dot.png", &bundle_)->width(), 3);
}

struct RecordingDelegate : ApplicationDelegate {
    std::vector<std::string> calls;
    void applicationDidFinishLaunching(Application&) override { calls.push_back("launched"); }
    void applicationWillResignActive(Application&) override { calls.push_back("resign"); }
    void applicationDidBecomeActive(Application&) override { calls.push_back("active"); }
    void applicationWillTerminate(Application&) override { calls.push_back("terminate"); }
};

// Resign and activate only on a change and only once launched; terminate once; nothing after.
TEST(ApplicationTest, LifecycleCallsComeOnlyOnAChange) {
    RecordingDelegate delegate;
    {
        Application app;
        EXPECT_EQ(Application::sharedApplication(), &app);
        app.setDelegate(&delegate);
        app.becomeActive();
        ASSERT_TRUE(app.launchWithoutInterface());
        app.resignActive();
        app.resignActive();
        app.becomeActive();
        app.terminate();
        app.terminate();
        app.becomeActive();
        EXPECT_EQ(delegate.calls, (std::vector<std::string>{"launched", "active", "resign", "active", "terminate"}));
        EXPECT_FALSE(app.launchWithoutInterface());
    }
    EXPECT_EQ(Application::sharedApplication(), nullptr);
}

}  // namespace
}  // namespace platform
