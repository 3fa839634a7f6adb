#pragma once
// Shows HTML (or plain text given as HTML) laid out to the view's width; not editable. Text
// taller than the view scrolls with a finger.
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/HtmlDocument.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace platform {

class Bundle;

class TextView : public View {
public:
    explicit TextView(const Rect& frame = {});
    ~TextView() override;

    const std::string& html() const { return html_; }
    // Replaces the content; the scroll position goes back to the top.
    void setHtml(const std::string& html);
    // Text that no markup styles.
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    // Always false: the platform's editing is not offered. Kept for interface files.
    bool editable() const { return false; }
    void setEditable(bool) {}
    // Where lines may break (Normal: between CJK characters too; KeepAll: only at spaces and
    // punctuation).
    WordBreak wordBreak() const { return wordBreak_; }
    void setWordBreak(WordBreak mode);
    // Points above and below the text (8 by default), as a page's margin.
    float verticalMargin() const { return verticalMargin_; }
    void setVerticalMargin(float points);
    // Where <img> sources come from; may be null (no images).
    void setBundle(const Bundle* bundle);

    float contentOffset() const { return offset_; }
    void setContentOffset(float y);
    // The laid-out height of the content at the current width.
    float contentHeight();

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

private:
    HtmlDocument& document();
    void invalidateDocument();

    std::string html_;
    Color textColor_ = Color::black();
    Font font_ = Font::system(14);
    WordBreak wordBreak_ = WordBreak::Normal;
    float verticalMargin_ = 8;
    const Bundle* bundle_ = nullptr;
    std::unique_ptr<HtmlDocument> document_;
    float offset_ = 0;
    Touch* dragging_ = nullptr;
};

}  // namespace platform
