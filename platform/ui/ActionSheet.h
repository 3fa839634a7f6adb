#pragma once
// A sheet of buttons that slides up from the bottom of a view, with a title and a body text.
// The creator owns the sheet; while it is shown, its view (an ActionSheetView) belongs to the view
// it is shown in. A pressed button tells the delegate, then the sheet goes away.
#include "platform/ui/AnimationDelegateHandle.h"
#include "platform/foundation/Geometry.h"
#include "platform/ui/ActionSheetDelegate.h"
#include "platform/ui/Object.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class ActionSheetView;
class Button;
class View;

enum class ActionSheetStyle { Automatic = -1, Default = 0, BlackOpaque = 1, BlackTranslucent = 2 };

class ActionSheet : public Object {
public:
    static constexpr double kAnimationDuration = 0.3;

    explicit ActionSheet(std::string title = {}, ActionSheetDelegate* delegate = nullptr,
                         std::vector<std::string> buttonTitles = {});
    ~ActionSheet() override;
    ActionSheet(const ActionSheet&) = delete;
    ActionSheet& operator=(const ActionSheet&) = delete;

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::string& bodyText() const { return body_; }
    void setBodyText(std::string text) { body_ = std::move(text); }
    ActionSheetDelegate* delegate() const { return delegate_; }
    void setDelegate(ActionSheetDelegate* delegate) { delegate_ = delegate; }  // may be null
    Object* context() const { return context_; }
    void setContext(Object* context) { context_ = context; }  // may be null

    // Returns the new button's index.
    int addButtonWithTitle(std::string title);
    int numberOfButtons() const { return int(buttonTitles_.size()); }
    // Empty for an index out of range.
    std::string buttonTitleAtIndex(int index) const;
    // -1: none. An index out of range is kept but marks no button.
    int defaultButtonIndex() const { return defaultIndex_; }
    void setDefaultButtonIndex(int index) { defaultIndex_ = index; }
    int cancelButtonIndex() const { return cancelIndex_; }
    void setCancelButtonIndex(int index) { cancelIndex_ = index; }
    int destructiveButtonIndex() const { return destructiveIndex_; }
    void setDestructiveButtonIndex(int index) { destructiveIndex_ = index; }
    ActionSheetStyle actionSheetStyle() const { return style_; }
    void setActionSheetStyle(ActionSheetStyle style) { style_ = style; }
    // An empty frame (the default) lays the sheet out across the bottom of the view it is shown in.
    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& frame) { frame_ = frame; }

    // Shows the sheet over `view` (null: the key window), sliding up when animated. Showing a
    // sheet that is already up moves it there.
    void showInView(View* view, bool animated = true);
    void show(bool animated = true) { showInView(nullptr, animated); }
    // Takes the sheet away, sliding down when animated. Does nothing when it is not shown.
    void dismissWithClickedButtonIndex(int index, bool animated);
    bool isVisible() const { return visible_; }

    // Presses button `index` as a finger would. Ignored when the sheet is not shown or the index
    // is out of range.
    void clickButtonAtIndex(int index);
    // The button of `index` on screen; null when not shown.
    Button* buttonAtIndex(int index) const;
    ActionSheetView* view() const { return view_; }

    // The sheets on screen, in the order they were shown (the last is in front).
    static const std::vector<ActionSheet*>& visibleSheets();

    // For ActionSheetView.
    void viewWillBeDestroyed(ActionSheetView* view);

private:
    void setVisible(bool visible);
    void finishDismiss(int index);

    std::string title_, body_;
    ActionSheetDelegate* delegate_;  // may be null
    Object* context_ = nullptr;      // may be null
    std::vector<std::string> buttonTitles_;
    int defaultIndex_ = -1, cancelIndex_ = -1, destructiveIndex_ = -1;
    ActionSheetStyle style_ = ActionSheetStyle::Automatic;
    Rect frame_;
    ActionSheetView* view_ = nullptr;  // owned by the view it is shown in
    std::unique_ptr<View> retired_;    // a view taken down while one of its buttons may be calling
    bool visible_ = false;
    unsigned generation_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once destroyed
    AnimationDelegateHandle animations_;  // also drops what the destructor's dismissal starts
};

}  // namespace platform
