#pragma once
// What a navigation bar shows for one level: a title and up to three bar button items. The back
// item is what the next level's back button shows.
#include "platform/ui/BarButtonItem.h"

#include <memory>
#include <string>

namespace platform {

class NavigationItem : public Object {
public:
    explicit NavigationItem(std::string title = {}) : title_(std::move(title)) {}
    static std::shared_ptr<NavigationItem> create(std::string title = {}) {
        return std::make_shared<NavigationItem>(std::move(title));
    }

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return back_; }
    void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) { back_ = std::move(item); }
    const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return left_; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { left_ = std::move(item); }
    const std::shared_ptr<BarButtonItem>& rightBarButtonItem() const { return right_; }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) { right_ = std::move(item); }
    bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides) { hidesBackButton_ = hides; }

    // Interface files: "title", "hidesBackButton"; outlets "leftBarButtonItem",
    // "rightBarButtonItem", "backBarButtonItem" borrow items the file's owner keeps.
    bool setProperty(std::string_view key, const InterfaceValue& value) override;
    bool setOutlet(std::string_view name, Object* object) override;

private:
    std::string title_;
    std::shared_ptr<BarButtonItem> back_, left_, right_;
    bool hidesBackButton_ = false;
};

}  // namespace platform
