#pragma once
// Owns one libplist node tree (a plist_t) and converts it to and from PropertyValue. The only
// place that talks to libplist, so the rest of the platform sees plain values.
#include "platform/foundation/PropertyValue.h"

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

class PlistNode {
public:
    PlistNode() = default;
    ~PlistNode();
    PlistNode(PlistNode&& o) noexcept : node_(o.node_) { o.node_ = nullptr; }
    PlistNode& operator=(PlistNode&& o) noexcept;
    PlistNode(const PlistNode&) = delete;
    PlistNode& operator=(const PlistNode&) = delete;

    // Reads an XML or binary property list; a null node when the bytes are not one.
    static PlistNode parse(const void* bytes, size_t length);
    static PlistNode fromValue(const PropertyValue& value);

    bool isNull() const { return node_ == nullptr; }
    // The tree as a value; nothing for a null node or one nested deeper than any real file.
    std::optional<PropertyValue> toValue() const;
    // The tree as an XML property list; empty for a null node.
    std::string toXml() const;

private:
    explicit PlistNode(void* node) : node_(node) {}
    void* node_ = nullptr;  // plist_t
};

}  // namespace platform
