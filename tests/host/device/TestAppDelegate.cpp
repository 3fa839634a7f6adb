#include "tests/host/device/TestAppDelegate.h"

#include "platform/foundation/EventLog.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

namespace host {

using platform::Color;
using platform::Rect;

void TestAppDelegate::applicationDidFinishLaunching(platform::Application&) {
    window_ = std::make_unique<platform::Window>(Rect(0, 0, 320, 480));
    window_->setBackgroundColor(Color::rgba(0.08f, 0.09f, 0.11f));

    auto label = std::make_unique<platform::Label>(Rect(0, 0, 320, 53));
    label->setBackgroundColor(Color::rgba(0.25f, 0.32f, 0.42f));
    label->setTextColor(Color::white(1));
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setText("Kestrova");
    label->setName("titleLabel");
    label_ = static_cast<platform::Label*>(window_->addSubview(std::move(label)));

    auto button = std::make_unique<platform::Button>(Rect(60, 200, 200, 80));
    button->setBackgroundColor(Color::rgba(0.85f, 0.45f, 0.1f));
    button->setTitle("Tap me");
    button->setName("demoButton");
    button->addTarget(nullptr, [this](platform::Object*) { tapped(); }, platform::ControlEvent::TouchUpInside);
    window_->addSubview(std::move(button));
    window_->makeKeyAndVisible();
}

void TestAppDelegate::tapped() {
    ++taps_;
    label_->setText("Kestrova: " + std::to_string(taps_) + (taps_ == 1 ? " tap" : " taps"));
    platform::EventLog::log("demo tap");
}

}  // namespace host
