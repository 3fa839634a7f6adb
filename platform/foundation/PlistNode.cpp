#include "platform/foundation/PlistNode.h"

#include "platform/foundation/PlistLimits.h"

#include <plist/plist.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

constexpr int kMaxDepth = 256;
// Far more values than any real preferences file holds.
constexpr uint64_t kMaxValues = 1000000;

std::optional<PropertyValue> toValue(plist_t node, int depth) {
    if (!node || depth > kMaxDepth) return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return PropertyValue(b != 0);
        }
        case PLIST_UINT: {
            uint64_t u = 0;
            plist_get_uint_val(node, &u);
            return PropertyValue(static_cast<int64_t>(u));  // negatives are kept as two's complement
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return PropertyValue(d);
        }
        case PLIST_STRING: {
            // Not plist_get_string_val: it asserts on a string holding a NUL, as a binary file may.
            uint64_t len = 0;
            const char* s = plist_get_string_ptr(node, &len);
            return PropertyValue(std::string(s ? s : "", s ? len : 0));
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return PropertyValue(PropertyDate{sec + usec / 1e6});
        }
        case PLIST_DATA: {
            char* d = nullptr;
            uint64_t len = 0;
            plist_get_data_val(node, &d, &len);
            PropertyData data(reinterpret_cast<uint8_t*>(d), reinterpret_cast<uint8_t*>(d) + (d ? len : 0));
            std::free(d);
            return PropertyValue(std::move(data));
        }
        case PLIST_ARRAY: {
            PropertyArray a;
            uint32_t n = plist_array_get_size(node);
            a.reserve(n);
            for (uint32_t i = 0; i < n; ++i) {
                auto item = toValue(plist_array_get_item(node, i), depth + 1);
                if (!item) return std::nullopt;
                a.push_back(std::move(*item));
            }
            return PropertyValue(std::move(a));
        }
        case PLIST_DICT: {
            PropertyDictionary dict;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            for (;;) {
                char* key = nullptr;
                plist_t val = nullptr;
                plist_dict_next_item(node, it, &key, &val);
                if (!val) {
                    std::free(key);
                    break;
                }
                auto item = toValue(val, depth + 1);
                std::string k(key ? key : "");
                std::free(key);
                if (!item) {
                    std::free(it);
                    return std::nullopt;
                }
                dict.insert_or_assign(std::move(k), std::move(*item));
            }
            std::free(it);
            return PropertyValue(std::move(dict));
        }
        case PLIST_UID: {
            // XML writes a UID as this dictionary and reads it back the same way.
            uint64_t u = 0;
            plist_get_uid_val(node, &u);
            return PropertyValue(PropertyDictionary{{"CF$UID", PropertyValue(static_cast<int64_t>(u))}});
        }
        default: return std::nullopt;
    }
}

plist_t fromValue(const PropertyValue& v) {
    using T = PropertyValue::Type;
    switch (v.type()) {
        case T::Boolean: return plist_new_bool(*v.asBoolean() ? 1 : 0);
        case T::Integer: return plist_new_uint(static_cast<uint64_t>(*v.asInteger()));
        case T::Real: return plist_new_real(*v.asReal());
        case T::String: return plist_new_string(v.asString()->c_str());
        case T::Date: {
            double t = v.asDate()->secondsSinceReferenceDate;
            double sec = std::floor(t);
            if (!(sec >= INT32_MIN && sec <= INT32_MAX)) sec = t > 0 ? INT32_MAX : INT32_MIN;
            auto usec = static_cast<int32_t>(std::lround((t - sec) * 1e6));
            if (usec < 0 || usec >= 1000000) usec = 0;
            return plist_new_date(static_cast<int32_t>(sec), usec);
        }
        case T::Data: {
            const auto& d = *v.asData();
            return plist_new_data(reinterpret_cast<const char*>(d.data()), d.size());
        }
        case T::Array: {
            plist_t a = plist_new_array();
            for (const auto& item : *v.asArray()) plist_array_append_item(a, fromValue(item));
            return a;
        }
        case T::Dictionary: {
            plist_t d = plist_new_dict();
            for (const auto& [key, item] : *v.asDictionary()) plist_dict_set_item(d, key.c_str(), fromValue(item));
            return d;
        }
    }
    return nullptr;
}

}  // namespace

PlistNode::~PlistNode() {
    if (node_) plist_free(node_);
}

PlistNode& PlistNode::operator=(PlistNode&& o) noexcept {
    if (this != &o) {
        if (node_) plist_free(node_);
        node_ = o.node_;
        o.node_ = nullptr;
    }
    return *this;
}

PlistNode PlistNode::parse(const void* bytes, size_t length) {
    if (!bytes || length == 0 || length > UINT32_MAX) return {};
    // libplist recurses as deeply as the file nests, and builds a binary list's shared objects once
    // per reference: refuse what would crash or swamp it before it starts. XML counts the plist
    // element and the innermost value's own element too.
    if (!PlistLimits::within(bytes, length, kMaxDepth + 2, kMaxValues)) return {};
    plist_t node = nullptr;
    plist_from_memory(static_cast<const char*>(bytes), static_cast<uint32_t>(length), &node);
    if (node && length >= 8 && std::memcmp(bytes, "bplist00", 8) == 0) {
        // A binary file can hold keys with NUL bytes, on which libplist's key reader asserts;
        // its XML writer copes, so a binary tree is rebuilt from its XML form.
        char* xml = nullptr;
        uint32_t len = 0;
        plist_to_xml(node, &xml, &len);
        plist_free(node);
        node = nullptr;
        if (xml) plist_from_xml(xml, len, &node);
        std::free(xml);
    }
    return PlistNode(node);
}

PlistNode PlistNode::fromValue(const PropertyValue& value) { return PlistNode(platform::fromValue(value)); }

std::optional<PropertyValue> PlistNode::toValue() const { return platform::toValue(node_, 0); }

std::string PlistNode::toXml() const {
    if (!node_) return {};
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(node_, &xml, &len);
    std::string out(xml ? xml : "", xml ? len : 0);
    plist_to_xml_free(xml);
    return out;
}

}  // namespace platform
