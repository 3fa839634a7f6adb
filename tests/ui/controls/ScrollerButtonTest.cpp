#include "OptionsBarFixture.h"

#include <optional>

namespace kestrova {
namespace {

using test::blankImages;

// Stands in for the application delegate: keeps the band's state as the bar would and records
// what the button asks for.
class RecordingTarget : public ScrollerButtonDelegate {
public:
    bool getTipsShowState() override { return shown; }
    void showOptionsLabel(const std::string& html) override {
        shown = true;
        shows.push_back(html);
    }
    void hideOptionsLabel() override {
        shown = false;
        ++hides;
    }
    bool shown = false;
    std::vector<std::string> shows;
    int hides = 0;
};

// A button alone at the window's top left, above the options bar of the fixture.
class ScrollerButtonTest : public test::OptionsBarFixture {
protected:
    // A button of `states` states in the window, its actions recorded.
    ScrollerButton* makeButton(size_t states, int32_t saved) {
        std::vector<std::string> tips;
        for (size_t i = 0; i < states; ++i) tips.push_back(std::string(1, char('A' + i)));
        auto button = std::make_unique<ScrollerButton>(
            ScrollerButton::kFrame, blankImages(states), tips, "Title", &target_,
            [this](ScrollerButton* sender) { actions_.push_back(sender->getCurrentState()); }, saved);
        return static_cast<ScrollerButton*>(window_.addSubview(std::move(button)));
    }
    void down() { window_.touchDown(0, {35, 20}, clock_.now()); }
    void up() { window_.touchUp(0, clock_.now()); }

    RecordingTarget target_;
    std::vector<int32_t> actions_;
};

TEST_F(ScrollerButtonTest, TheSavedStateIsAppliedOnceAndOutOfRangeStartsAtZero) {
    // In range: the action runs once, during construction, with that state.
    ScrollerButton* b = makeButton(3, 2);
    EXPECT_EQ(b->getCurrentState(), 2);
    EXPECT_EQ(actions_, (std::vector<int32_t>{2}));
    EXPECT_FLOAT_EQ(b->imageAt(2)->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(b->imageAt(0)->alpha(), 0.0f);

    // Equal to the number of states, and negative (a huge unsigned value): state 0.
    actions_.clear();
    ScrollerButton* c = makeButton(3, 3);
    ScrollerButton* d = makeButton(3, -1);
    EXPECT_EQ(c->getCurrentState(), 0);
    EXPECT_EQ(d->getCurrentState(), 0);
    EXPECT_EQ(actions_, (std::vector<int32_t>{0, 0}));
}

TEST_F(ScrollerButtonTest, SetStateCrossFadesAndAlwaysSendsTheAction) {
    ScrollerButton* b = makeButton(3, 0);
    actions_.clear();
    runFor(1);

    b->setState(1);
    EXPECT_EQ(actions_, (std::vector<int32_t>{1}));
    runFor(0.15);
    EXPECT_GT(b->imageAt(1)->presentation().alpha, 0.0f);
    EXPECT_LT(b->imageAt(1)->presentation().alpha, 1.0f);
    runFor(0.2);
    EXPECT_FLOAT_EQ(b->imageAt(0)->presentation().alpha, 0.0f);

    // The current state again: the action still goes.
    b->setState(1);
    EXPECT_EQ(actions_, (std::vector<int32_t>{1, 1}));

    // A state without an image is ignored.
    b->setState(7);
    EXPECT_EQ(b->getCurrentState(), 1);
    EXPECT_EQ(actions_.size(), 2u);
}

TEST_F(ScrollerButtonTest, QuickTapsStepThroughTheStatesWithoutTips) {
    ScrollerButton* b = makeButton(3, 0);
    actions_.clear();

    // Each tap steps to the next state, the third back to the first; no band shows, but the hide
    // is still sent after each lift.
    for (int i = 0; i < 3; ++i) {
        tap(b);
        runFor(1);
    }
    EXPECT_EQ(b->getCurrentState(), 0);
    EXPECT_EQ(actions_, (std::vector<int32_t>{1, 2, 0}));
    EXPECT_TRUE(target_.shows.empty());
    EXPECT_EQ(target_.hides, 3);
}

// A lift past the tap limit (0.3 s) steps nothing; the tips still come 0.45 s after the touch-down
// and go 0.55 s after the lift.
TEST_F(ScrollerButtonTest, AHoldShowsTheTipsWithoutStepping) {
    ScrollerButton* b = makeButton(3, 1);
    actions_.clear();
    const double start = clock_.now();

    down();
    runFor(0.35);
    up();
    EXPECT_EQ(b->getCurrentState(), 1);
    EXPECT_TRUE(actions_.empty());
    runFor(start + 0.44 - clock_.now());
    EXPECT_TRUE(target_.shows.empty());
    runFor(0.02);
    ASSERT_EQ(target_.shows.size(), 1u);
    EXPECT_EQ(target_.shows[0], ScrollerButton::tipsHtml("Title", {"A", "B", "C"}, 1));
    runFor(start + 0.89 - clock_.now());
    EXPECT_TRUE(target_.shown);
    runFor(start + 0.91 - clock_.now());
    EXPECT_FALSE(target_.shown);
}

TEST_F(ScrollerButtonTest, TapsWhileTheBandIsUpRefreshItAndKeepItUp) {
    ScrollerButton* b = makeButton(3, 0);
    down();
    runFor(0.5);
    up();
    ASSERT_EQ(target_.shows.size(), 1u);
    runFor(0.3);

    // Touch-down while shown: the pending hide is dropped and the band refreshed at once; the
    // lift steps the state and refreshes it again with the new state highlighted.
    down();
    EXPECT_EQ(target_.shows.size(), 2u);
    runFor(0.1);
    up();
    EXPECT_EQ(b->getCurrentState(), 1);
    ASSERT_EQ(target_.shows.size(), 3u);
    EXPECT_EQ(target_.shows[2], ScrollerButton::tipsHtml("Title", {"A", "B", "C"}, 1));
    // The first lift's hide (due 0.55 s after it) was cancelled; the band stays until 0.55 s
    // after this lift.
    runFor(0.4);
    EXPECT_EQ(target_.hides, 0);
    runFor(0.2);
    EXPECT_EQ(target_.hides, 1);
}

TEST_F(ScrollerButtonTest, TheTipsHtmlIsExact) {
    EXPECT_EQ(ScrollerButton::tipsHtml("Burst", {"Single shot", "Three shots", "Off"}, 1),
              "<font face=\"Helvetica\" color=\"#C0C0C0\"><center><h3><font color=\"FFFFFF\">Burst</font></h3>"
              "<strong>Single shot &#x22C5; <font color=\"00AEEF\">Three shots</font> &#x22C5; Off</strong>"
              "</center></font>");
}

TEST_F(ScrollerButtonTest, ACancelledTouchDropsThePendingTipsAndStillHidesTheBand) {
    makeButton(2, 0);
    down();
    window_.cancelAllTouches(clock_.now());
    runFor(1);
    EXPECT_TRUE(target_.shows.empty());
    EXPECT_EQ(target_.hides, 1);
}

}  // namespace
}  // namespace kestrova
