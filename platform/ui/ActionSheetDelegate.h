#pragma once
// What an action sheet tells its delegate. Every method is optional.
namespace platform {

class ActionSheet;

class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    // A button was pressed; the first button has index 0.
    virtual void actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index) {}
    virtual void willPresentActionSheet(ActionSheet* sheet) {}
    virtual void didPresentActionSheet(ActionSheet* sheet) {}
    virtual void actionSheetWillDismissWithButtonIndex(ActionSheet* sheet, int index) {}
    virtual void actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index) {}
};

}  // namespace platform
