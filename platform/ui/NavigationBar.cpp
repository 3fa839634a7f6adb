#include "platform/ui/NavigationBar.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceValue.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewAnimation.h"

#include <algorithm>
#include <typeinfo>

namespace platform {
namespace {

constexpr int32_t kLeftTag = 1, kRightTag = 2, kTitleTag = 3;

Color baseColor(BarStyle style, const std::optional<Color>& tint) {
    if (tint) return *tint;
    return style == BarStyle::Black ? Color::white(0.08f) : Color::rgba(0.43f, 0.52f, 0.64f);
}

Color mix(const Color& a, const Color& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// The button of a bar button item: it unties itself from the item when it goes.
class ItemButton final : public Button {
public:
    ItemButton(std::shared_ptr<BarButtonLink> link, ButtonType type) : Button({}, type), link_(std::move(link)) {
        link_->button = this;
        addTarget(link_->item, [l = link_](Object*) {
            if (l->item) l->item->sendAction();
        }, ControlEvent::TouchUpInside);
    }
    ~ItemButton() override { detach(); }
    void detach() {
        if (link_->button != this) return;
        link_->button = nullptr;
        link_->retitled = nullptr;
    }

private:
    std::shared_ptr<BarButtonLink> link_;
};

}  // namespace

NavigationBar::NavigationBar(const Rect& frame) : View(frame) {}

void NavigationBar::detachButtons(View* contents) {
    for (const auto& sub : contents->subviews())
        if (typeid(*sub) == typeid(ItemButton)) static_cast<ItemButton*>(sub.get())->detach();
}

void NavigationBar::setBarStyle(BarStyle style) {
    barStyle_ = style;
    reloadTopItem();
}

void NavigationBar::setTintColor(std::optional<Color> tint) {
    tint_ = tint;
    reloadTopItem();
}

std::unique_ptr<Button> NavigationBar::makeButton(const std::string& title, BarButtonItemStyle style,
                                                 std::shared_ptr<BarButtonLink> link) {
    ButtonType type = style == BarButtonItemStyle::Plain ? ButtonType::Custom : ButtonType::RoundedRect;
    std::unique_ptr<Button> b = link ? std::make_unique<ItemButton>(link, type) : std::make_unique<Button>(Rect{}, type);
    b->setFont(Font::boldSystem(12));
    b->setTitle(title);
    b->setTitleColor(Color::white(1));
    b->setTitleColor(Color::white(1, 0.8f), ControlState::Highlighted);
    b->setCornerRadius(5);
    Color base = baseColor(barStyle_, tint_);
    Color fill = style == BarButtonItemStyle::Done ? Color::rgba(0.2f, 0.4f, 0.85f) : mix(base, Color::black(), 0.2f);
    b->setFillColor(fill);
    b->setFillColor(mix(fill, Color::black(), 0.35f), ControlState::Highlighted);
    b->setBorderColor(mix(base, Color::black(), 0.55f));
    b->setBounds({0, 0, buttonWidth(*b), kButtonHeight});
    if (link) link->retitled = [this] {
        if (contents_) layoutContents(contents_);
    };
    return b;
}

float NavigationBar::buttonWidth(const Button& button) const {
    Size text = GraphicsContext::measureText(button.titleForState(ControlState::Normal), button.font());
    return std::clamp(text.width + 2 * kTitlePadding, kMinButtonWidth, std::max(kMinButtonWidth, bounds().width() / 3));
}

std::unique_ptr<View> NavigationBar::makeContents(NavigationItem* item, NavigationItem* below) {
    auto contents = std::make_unique<View>(bounds());
    if (!item) return contents;
    auto title = std::make_unique<Label>();
    title->setText(item->title());
    title->setFont(Font::boldSystem(20));
    title->setTextColor(Color::white(1));
    title->setShadowColor(Color::white(0, 0.5f));
    title->setShadowOffset({0, -1});
    title->setTextAlignment(TextAlignment::Center);
    title->setTag(kTitleTag);
    contents->addSubview(std::move(title));

    auto addItemButton = [&](const std::shared_ptr<BarButtonItem>& bi, int32_t tag) {
        auto button = makeButton(bi->title(), bi->style(), bi->link());
        button->setTag(tag);
        button->setName(bi->name());
        button->setEnabled(bi->enabled());
        contents->addSubview(std::move(button));
    };
    if (item->leftBarButtonItem()) {
        addItemButton(item->leftBarButtonItem(), kLeftTag);
    } else if (below && !item->hidesBackButton()) {
        std::string t = below->backBarButtonItem() ? below->backBarButtonItem()->title() : below->title();
        auto back = makeButton(t.empty() ? "Back" : t, BarButtonItemStyle::Bordered);
        back->setTag(kLeftTag);
        back->addTarget(this, [this](Object*) { popNavigationItemAnimated(true); }, ControlEvent::TouchUpInside);
        backButton_ = static_cast<Button*>(contents->addSubview(std::move(back)));
    }
    if (item->rightBarButtonItem()) addItemButton(item->rightBarButtonItem(), kRightTag);
    layoutContents(contents.get());
    return contents;
}

void NavigationBar::layoutContents(View* contents) {
    Rect b = bounds();
    contents->setFrame(b);
    float y = (b.height() - kButtonHeight) / 2;
    float leftEnd = kMargin, rightStart = b.width() - kMargin;
    for (const auto& sub : contents->subviews()) {
        if (sub->tag() != kLeftTag && sub->tag() != kRightTag) continue;
        // Sized here, not only when made: a title set later takes its own width.
        const float w = buttonWidth(*static_cast<Button*>(sub.get()));
        if (sub->tag() == kLeftTag) {
            sub->setFrame({kMargin, y, w, kButtonHeight});
            leftEnd = kMargin + w;
        } else {
            sub->setFrame({b.width() - kMargin - w, y, w, kButtonHeight});
            rightStart = b.width() - kMargin - w;
        }
    }
    // The title stays centred on the bar, narrowed symmetrically to clear the buttons.
    float inset = std::max(leftEnd, b.width() - rightStart) + kMargin;
    if (View* title = contents->viewWithTag(kTitleTag))
        title->setFrame({inset, 0, std::max(0.0f, b.width() - 2 * inset), b.height()});
    laidOutFor_ = b.size;
}

void NavigationBar::layoutIfNeeded() {
    if (contents_ && !(laidOutFor_ == bounds().size)) layoutContents(contents_);
}

void NavigationBar::showTop(bool animated, bool forward) {
    View* old = contents_;
    if (old) detachButtons(old);
    backButton_ = nullptr;
    auto fresh = makeContents(topItem(), backItem());
    contents_ = addSubview(std::move(fresh));
    if (!old) return;
    if (!animated) {
        old->removeFromSuperview();
        return;
    }
    // The old contents slide a little and fade out while the new ones come in from the other side.
    float shift = bounds().width() / 4 * (forward ? 1 : -1);
    Point home = contents_->center();
    contents_->setAlpha(0);
    contents_->setCenter({home.x + shift, home.y});
    leaving_.push_back(old);
    old->setUserInteractionEnabled(false);
    ViewAnimation::beginAnimations("NavigationBarTransition");
    ViewAnimation::setAnimationDuration(kAnimationDuration);
    ViewAnimation::setAnimationDelegate(animations_);
    ViewAnimation::setAnimationDidStopCallback([this, old](const std::string&, bool) {
        auto it = std::find(leaving_.begin(), leaving_.end(), old);
        if (it == leaving_.end()) return;
        leaving_.erase(it);
        old->removeFromSuperview();
    });
    contents_->setAlpha(1);
    contents_->setCenter(home);
    old->setAlpha(0);
    old->setCenter({old->center().x - shift, old->center().y});
    ViewAnimation::commitAnimations();
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated) {
    if (!item || std::find(items_.begin(), items_.end(), item) != items_.end()) return;
    if (delegate_ && !delegate_->navigationBarShouldPushItem(this, item.get())) return;
    items_.push_back(item);
    showTop(animated, true);
    setNeedsDisplay();
    if (delegate_) delegate_->navigationBarDidPushItem(this, item.get());
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItemAnimated(bool animated) {
    if (items_.empty()) return nullptr;
    if (delegate_ && !delegate_->navigationBarShouldPopItem(this, items_.back().get())) return nullptr;
    // The popped item's buttons stay on screen while they fade: keep it alive until the end.
    std::shared_ptr<NavigationItem> popped = items_.back();
    if (contents_) detachButtons(contents_);
    items_.pop_back();
    showTop(animated, false);
    setNeedsDisplay();
    if (delegate_) delegate_->navigationBarDidPopItem(this, popped.get());
    return popped;
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated) {
    if (contents_) detachButtons(contents_);
    items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
    items_ = std::move(items);
    showTop(animated, true);
}

void NavigationBar::reloadTopItem() {
    if (contents_) showTop(false, true);
    setNeedsDisplay();
}

Button* NavigationBar::buttonForItem(const BarButtonItem* item) const {
    return item && item->button() && contents_ && item->button()->isDescendantOf(contents_) ? item->button() : nullptr;
}

Button* NavigationBar::buttonWithTitle(const std::string& title) const {
    if (!contents_) return nullptr;
    for (const auto& sub : contents_->subviews()) {
        if (sub->tag() != kLeftTag && sub->tag() != kRightTag) continue;
        auto* b = static_cast<Button*>(sub.get());
        if (b->titleForState(ControlState::Normal) == title) return b;
    }
    return nullptr;
}

std::shared_ptr<BarButtonItem> NavigationBar::barButtonItemNamed(std::string_view name) const {
    for (const auto& item : items_)
        for (const auto& bi : {item->leftBarButtonItem(), item->rightBarButtonItem(), item->backBarButtonItem()})
            if (bi && bi->name() == name) return bi;
    return nullptr;
}

View* NavigationBar::hitTest(Point p, const Event* event) {
    layoutIfNeeded();
    return View::hitTest(p, event);
}

void NavigationBar::drawRect(GraphicsContext& context, const Rect& rect) {
    layoutIfNeeded();
    Rect b = bounds();
    Color base = baseColor(barStyle_, tint_);
    // A glossy bar: a lighter upper half, the base colour below, a dark line at the bottom.
    context.setFillColor(mix(base, Color::white(1), 0.25f));
    context.fillRect({b.x(), b.y(), b.width(), b.height() / 2});
    context.setFillColor(base);
    context.fillRect({b.x(), b.midY(), b.width(), b.height() / 2});
    context.setFillColor(mix(base, Color::black(), 0.6f));
    context.fillRect({b.x(), b.maxY() - 1, b.width(), 1});
}

bool NavigationBar::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "barStyle") {
        if (auto s = value.asString()) setBarStyle(*s == "black" ? BarStyle::Black : BarStyle::Default);
        return true;
    }
    if (key == "tintColor") {
        if (auto c = value.asColor()) setTintColor(*c);
        return true;
    }
    if (key == "items") {
        auto barItem = [](const InterfaceValue* v) -> std::shared_ptr<BarButtonItem> {
            if (!v || v->kind() != InterfaceValue::Kind::Dictionary) return nullptr;
            auto bi = std::make_shared<BarButtonItem>();
            if (auto* t = v->find("title")) bi->setTitle(t->asString().value_or(""));
            if (auto* n = v->find("name")) bi->setName(n->asString().value_or(""));
            if (auto* t = v->find("tag")) bi->setTag(int32_t(t->asNumber().value_or(0)));
            if (auto* s = v->find("style")) {
                std::string st = s->asString().value_or("bordered");
                bi->setStyle(st == "plain" ? BarButtonItemStyle::Plain : st == "done" ? BarButtonItemStyle::Done
                                                                                        : BarButtonItemStyle::Bordered);
            }
            return bi;
        };
        std::vector<std::shared_ptr<NavigationItem>> items;
        for (const auto& v : value.items()) {
            auto item = std::make_shared<NavigationItem>();
            if (auto* t = v.find("title")) item->setTitle(t->asString().value_or(""));
            item->setLeftBarButtonItem(barItem(v.find("left")));
            item->setRightBarButtonItem(barItem(v.find("right")));
            item->setBackBarButtonItem(barItem(v.find("back")));
            items.push_back(std::move(item));
        }
        setItems(std::move(items));
        return true;
    }
    return View::setProperty(key, value);
}

void NavigationBar::awakeFromNib() {
    View::awakeFromNib();
    reloadTopItem();
}

bool NavigationBar::setOutlet(std::string_view name, Object* object) {
    if (name == "topItem" || name == "item") {
        if (auto* item = dynamic_cast<NavigationItem*>(object))
            pushNavigationItem(std::shared_ptr<NavigationItem>(std::shared_ptr<void>(), item), false);
        return true;
    }
    if (name == "delegate") {
        delegate_ = dynamic_cast<NavigationBarDelegate*>(object);
        return true;
    }
    return View::setOutlet(name, object);
}

}  // namespace platform
