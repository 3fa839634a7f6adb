#pragma once
// What an action sheet looks like on screen: its band, title, body text and buttons.
#include "platform/ui/ActionSheet.h"
#include "platform/ui/View.h"

#include <vector>

namespace platform {

class Button;

class ActionSheetView : public View {
public:
    static constexpr float kPadding = 10;
    static constexpr float kSideInset = 20;
    static constexpr float kButtonHeight = 44;
    static constexpr float kButtonSpacing = 8;

    // Builds the title, body and buttons of `sheet` (borrowed; it outlives this view or tells it).
    ActionSheetView(ActionSheet* sheet, const Rect& frame, bool fixedFrame);
    ~ActionSheetView() override;

    // The height a sheet with this content needs at `width`.
    static float heightFor(const ActionSheet& sheet, float width);

    Button* buttonAtIndex(int index) const;
    ActionSheet* sheet() const { return sheet_; }
    void detachSheet() { sheet_ = nullptr; }

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    // Touches that miss the buttons stop here: the sheet is modal over its band.
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}

private:
    ActionSheet* sheet_;  // may be null once the sheet is gone
    ActionSheetStyle style_;
    std::vector<Button*> buttons_;
};

}  // namespace platform
