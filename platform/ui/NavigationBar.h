#pragma once
// The bar at the top of a page: a stack of navigation items, the top one shown with its title and
// its left (or back) and right buttons. Push and pop cross-fade and slide the contents when
// animated. A back button appears when the top item has no left item and there is an item below.
#include "platform/ui/AnimationDelegateHandle.h"
#include "platform/graphics/Color.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Button;
class NavigationBar;

// Optional hooks around pushes and pops.
class NavigationBarDelegate {
public:
    virtual ~NavigationBarDelegate() = default;
    virtual bool navigationBarShouldPushItem(NavigationBar* bar, NavigationItem* item) { return true; }
    virtual void navigationBarDidPushItem(NavigationBar* bar, NavigationItem* item) {}
    virtual bool navigationBarShouldPopItem(NavigationBar* bar, NavigationItem* item) { return true; }
    virtual void navigationBarDidPopItem(NavigationBar* bar, NavigationItem* item) {}
};

enum class BarStyle { Default, Black };

class NavigationBar : public View {
public:
    static constexpr double kAnimationDuration = 0.3;
    static constexpr float kButtonHeight = 30;
    static constexpr float kMargin = 5;
    // A button is its title's width plus this on each side, at least kMinButtonWidth wide and at
    // most a third of the bar.
    static constexpr float kTitlePadding = 10;
    static constexpr float kMinButtonWidth = 48;

    explicit NavigationBar(const Rect& frame = {});

    // Pushes `item` on top. Does nothing for a null item, one already in the stack, or when the
    // delegate refuses.
    void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated);
    // Pops the top item and returns it; null when the stack is empty or the delegate refuses.
    std::shared_ptr<NavigationItem> popNavigationItemAnimated(bool animated);
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated = false);
    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }
    NavigationItem* backItem() const { return items_.size() < 2 ? nullptr : items_[items_.size() - 2].get(); }

    NavigationBarDelegate* delegate() const { return delegate_; }
    void setDelegate(NavigationBarDelegate* delegate) { delegate_ = delegate; }  // may be null
    BarStyle barStyle() const { return barStyle_; }
    void setBarStyle(BarStyle style);
    // The bar's colour; none: the style's.
    void setTintColor(std::optional<Color> tint);

    // The button showing `item` on screen now; null when it is not shown.
    Button* buttonForItem(const BarButtonItem* item) const;
    // The visible button with that title (back button included); null when none.
    Button* buttonWithTitle(const std::string& title) const;
    // The back button on screen; null when none is shown.
    Button* backButton() const { return backButton_; }
    // A bar button item of any item in the stack, by name (interface-file outlets).
    std::shared_ptr<BarButtonItem> barButtonItemNamed(std::string_view name) const;
    // Shows the top item's contents again (after its buttons were changed in place).
    void reloadTopItem();

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    View* hitTest(Point p, const Event* event) override;
    // "items": [{"title": .., "left": {"title": .., "name": .., "style": "bordered"}, "right": ..,
    // "back": ..}], "barStyle": "black", "tintColor".
    bool setProperty(std::string_view key, const InterfaceValue& value) override;
    // "topItem": pushes a navigation item of the file (borrowed: the file's owner keeps it);
    // "delegate".
    bool setOutlet(std::string_view name, Object* object) override;
    // Shows the top item again: its items' outlets may have been connected after the bar's.
    void awakeFromNib() override;

private:
    std::unique_ptr<View> makeContents(NavigationItem* item, NavigationItem* below);
    // A button for `link`'s item, or a plain one (the back button) when link is null.
    std::unique_ptr<Button> makeButton(const std::string& title, BarButtonItemStyle style,
                                       std::shared_ptr<BarButtonLink> link = nullptr);
    void layoutContents(View* contents);
    float buttonWidth(const Button& button) const;
    void layoutIfNeeded();
    void showTop(bool animated, bool forward);
    static void detachButtons(View* contents);

    std::vector<std::shared_ptr<NavigationItem>> items_;
    NavigationBarDelegate* delegate_ = nullptr;  // may be null
    BarStyle barStyle_ = BarStyle::Default;
    std::optional<Color> tint_;
    View* contents_ = nullptr;     // the top item's title and buttons; a subview
    Button* backButton_ = nullptr;
    std::vector<View*> leaving_;   // contents fading out
    Size laidOutFor_;
    AnimationDelegateHandle animations_;  // the contents' fades end with the bar
};

}  // namespace platform
