#pragma once
// A button on a navigation bar, described by its title, style and action. The bar makes the
// actual Button when the item is on screen (button()); the item is shared by the navigation
// items that show it, for example as both back and left button.
#include "platform/ui/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class Button;
class BarButtonItem;

// Ties an item to the button showing it; each side clears its pointer when it goes, so neither
// outliving the other leaves a dangling pointer.
struct BarButtonLink {
    BarButtonItem* item = nullptr;
    Button* button = nullptr;
    // Set by the bar showing the button: lays its buttons out again after a new title.
    std::function<void()> retitled;
};

enum class BarButtonItemStyle { Plain, Bordered, Done };

class BarButtonItem : public Object {
public:
    explicit BarButtonItem(std::string title = {}, BarButtonItemStyle style = BarButtonItemStyle::Bordered,
                           Object* target = nullptr, Action action = {});
    ~BarButtonItem() override;
    static std::shared_ptr<BarButtonItem> create(std::string title, BarButtonItemStyle style, Object* target = nullptr,
                                                 Action action = {}) {
        return std::make_shared<BarButtonItem>(std::move(title), style, target, std::move(action));
    }

    const std::string& title() const { return title_; }
    // Also retitles the button on screen, which takes the width of its new title.
    void setTitle(const std::string& title);
    BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle style) { style_ = style; }
    int32_t tag() const { return tag_; }
    void setTag(int32_t tag) { tag_ = tag; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // The name scripts use (`tap @infoButton`); given to the button on screen.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    Object* target() const { return target_; }  // may be null
    void setTarget(Object* target) { target_ = target; }
    void setAction(Action action) { action_ = std::move(action); }
    // Sends the action with this item as the sender. Does nothing without an action.
    void sendAction();

    // The button showing this item now; null when the item is not on screen.
    Button* button() const { return link_->button; }

    bool connectAction(const ActionConnection& connection) override;
    // "title", "style" ("plain", "bordered", "done"), "tag", "name", "enabled".
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

    // For the navigation bar.
    const std::shared_ptr<BarButtonLink>& link() const { return link_; }

private:
    std::string title_;
    BarButtonItemStyle style_;
    Object* target_;  // may be null
    Action action_;
    int32_t tag_ = 0;
    bool enabled_ = true;
    std::string name_;
    std::shared_ptr<BarButtonLink> link_;
};

}  // namespace platform
