#include "platform/ui/BarButtonItem.h"

#include "platform/ui/Button.h"
#include "platform/ui/InterfaceValue.h"

namespace platform {

BarButtonItem::BarButtonItem(std::string title, BarButtonItemStyle style, Object* target, Action action)
    : title_(std::move(title)), style_(style), target_(target), action_(std::move(action)),
      link_(std::make_shared<BarButtonLink>()) {
    link_->item = this;
}

BarButtonItem::~BarButtonItem() { link_->item = nullptr; }

void BarButtonItem::setTitle(const std::string& title) {
    title_ = title;
    if (Button* b = button()) {
        b->setTitle(title);
        if (link_->retitled) link_->retitled();
    }
}

void BarButtonItem::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (Button* b = button()) b->setEnabled(enabled);
}

void BarButtonItem::sendAction() {
    if (action_) action_(this);
}

bool BarButtonItem::connectAction(const ActionConnection& connection) {
    if (!connection.fn) return false;
    target_ = connection.target;
    action_ = connection.fn;
    return true;
}



bool BarButtonItem::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "title") {
        if (auto t = value.asString()) setTitle(*t);
        return true;
    }
    if (key == "style") {
        if (auto st = value.asString())
            style_ = *st == "plain" ? BarButtonItemStyle::Plain : *st == "done" ? BarButtonItemStyle::Done : BarButtonItemStyle::Bordered;
        return true;
    }
    if (key == "tag") {
        if (auto n = value.asNumber()) tag_ = int32_t(*n);
        return true;
    }
    if (key == "name") {
        if (auto n = value.asString()) name_ = *n;
        return true;
    }
    if (key == "enabled") {
        if (auto b = value.asBool()) setEnabled(*b);
        return true;
    }
    return false;
}

}  // namespace platform
