#include "platform/ui/ActionSheetView.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

#include <algorithm>

namespace platform {
namespace {

const Font kTitleFont = Font::boldSystem(16);
const Font kBodyFont = Font::system(14);
const Font kButtonFont = Font::boldSystem(18);

bool isBlack(ActionSheetStyle s) { return s == ActionSheetStyle::BlackOpaque || s == ActionSheetStyle::BlackTranslucent; }

float textHeight(const std::string& text, const Font& font, float width) {
    return text.empty() ? 0 : GraphicsContext::measureText(text, font, width).height;
}

}  // namespace

float ActionSheetView::heightFor(const ActionSheet& sheet, float width) {
    float textWidth = std::max(1.0f, width - 2 * kSideInset);
    float h = kPadding;
    float t = textHeight(sheet.title(), kTitleFont, textWidth);
    float b = textHeight(sheet.bodyText(), kBodyFont, textWidth);
    if (t > 0) h += t + 4;
    if (b > 0) h += b + 4;
    if (t > 0 || b > 0) h += kPadding - 4;
    int n = sheet.numberOfButtons();
    if (n > 0) h += n * kButtonHeight + (n - 1) * kButtonSpacing;
    return h + kPadding;
}

ActionSheetView::ActionSheetView(ActionSheet* sheet, const Rect& frame, bool fixedFrame)
    : View(frame), sheet_(sheet), style_(sheet->actionSheetStyle()) {
    setOpaque(false);
    float w = frame.width();
    float textWidth = std::max(1.0f, w - 2 * kSideInset);
    Color textColor = isBlack(style_) ? Color::white(1) : Color::white(0.1f);
    float y = kPadding;
    auto addText = [&](const std::string& text, const Font& font) {
        float h = textHeight(text, font, textWidth);
        if (h <= 0) return;
        auto label = std::make_unique<Label>(Rect{kSideInset, y, textWidth, h});
        label->setText(text);
        label->setFont(font);
        label->setTextColor(textColor);
        label->setTextAlignment(TextAlignment::Center);
        addSubview(std::move(label));
        y += h + 4;
    };
    addText(sheet->title(), kTitleFont);
    addText(sheet->bodyText(), kBodyFont);
    if (y > kPadding) y += kPadding - 4;

    int n = sheet->numberOfButtons();
    float buttonHeight = kButtonHeight;
    if (fixedFrame && n > 0) {
        // A frame given by the caller: the buttons share what is left of it.
        float room = frame.height() - y - kPadding - (n - 1) * kButtonSpacing;
        buttonHeight = std::clamp(room / n, 20.0f, kButtonHeight);
        if (y == kPadding) y = (frame.height() - (n * buttonHeight + (n - 1) * kButtonSpacing)) / 2;
    }
    for (int i = 0; i < n; ++i) {
        auto button = std::make_unique<Button>(Rect{kSideInset, y, w - 2 * kSideInset, buttonHeight}, ButtonType::RoundedRect);
        button->setTitle(sheet->buttonTitleAtIndex(i));
        button->setFont(kButtonFont);
        button->setCornerRadius(10);
        Color fill = Color::white(0.96f), title = Color::white(0.12f);
        if (i == sheet->destructiveButtonIndex()) {
            fill = Color::rgba(0.82f, 0.12f, 0.1f);
            title = Color::white(1);
        } else if (i == sheet->cancelButtonIndex()) {
            fill = isBlack(style_) ? Color::white(0.25f) : Color::white(0.35f);
            title = Color::white(1);
        } else if (i == sheet->defaultButtonIndex()) {
            fill = Color::rgba(0.22f, 0.45f, 0.88f);
            title = Color::white(1);
        }
        button->setFillColor(fill);
        button->setFillColor(Color::rgba(0.16f, 0.36f, 0.85f), ControlState::Highlighted);
        button->setTitleColor(title);
        button->setTitleColor(Color::white(1), ControlState::Highlighted);
        button->setBorderColor(isBlack(style_) ? Color::white(0, 0.8f) : Color::white(0.45f));
        button->addTarget(nullptr, [this, i](Object*) {
            if (sheet_) sheet_->clickButtonAtIndex(i);
        }, ControlEvent::TouchUpInside);
        buttons_.push_back(static_cast<Button*>(addSubview(std::move(button))));
        y += buttonHeight + kButtonSpacing;
    }
}

ActionSheetView::~ActionSheetView() {
    if (sheet_) sheet_->viewWillBeDestroyed(this);
}

Button* ActionSheetView::buttonAtIndex(int index) const {
    return index >= 0 && index < int(buttons_.size()) ? buttons_[size_t(index)] : nullptr;
}

void ActionSheetView::drawRect(GraphicsContext& context, const Rect& rect) {
    Rect b = bounds();
    switch (style_) {
    case ActionSheetStyle::BlackTranslucent:
        context.setFillColor(Color::white(0, 0.8f));
        break;
    case ActionSheetStyle::BlackOpaque:
        context.setFillColor(Color::white(0.05f));
        break;
    default:
        context.setFillColor(Color::rgba(0.55f, 0.6f, 0.68f, 0.96f));
        break;
    }
    context.fillRect(b);
    // A light hairline along the top edge.
    context.setFillColor(Color::white(1, isBlack(style_) ? 0.25f : 0.6f));
    context.fillRect({b.x(), b.y(), b.width(), 1});
}

}  // namespace platform
