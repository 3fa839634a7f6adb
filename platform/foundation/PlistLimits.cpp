#include "platform/foundation/PlistLimits.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {

const char* findText(const char* from, const char* end, const char* text) {
    const size_t n = std::strlen(text);
    for (const char* p = from; p + n <= end; ++p)
        if (std::memcmp(p, text, n) == 0) return p;
    return nullptr;
}

// Elements open at once, counted from the tags. Quoted attribute values are skipped, so a "/"
// or ">" inside one cannot hide a tag. Comments, CDATA, processing instructions and the DOCTYPE
// do not nest.
bool xmlWithin(const char* s, size_t n, int maxDepth, uint64_t maxValues) {
    const char* end = s + n;
    const char* p = s;
    int depth = 0;
    uint64_t elements = 0;
    while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p))))) {
        ++p;
        if (p >= end) break;
        const char* close = nullptr;
        if (end - p >= 3 && std::memcmp(p, "!--", 3) == 0) close = findText(p + 3, end, "-->");
        else if (end - p >= 8 && std::memcmp(p, "![CDATA[", 8) == 0) close = findText(p + 8, end, "]]>");
        if (close) {
            p = close + 3;
            continue;
        }
        if (*p == '!' || *p == '?' || *p == '/') {
            if (*p == '/' && depth > 0) --depth;
            continue;  // its '>' is ordinary text to this count
        }
        char quote = 0;
        const char* q = p;
        for (; q < end; ++q) {
            if (quote) {
                if (*q == quote) quote = 0;
            } else if (*q == '"' || *q == '\'') {
                quote = *q;
            } else if (*q == '>') {
                break;
            }
        }
        if (q >= end) break;  // an unfinished tag: the parser refuses it
        if (++elements > maxValues) return false;
        if (q[-1] != '/' && ++depth > maxDepth) return false;
        p = q + 1;
    }
    return true;
}

uint64_t bigEndian(const uint8_t* p, unsigned size) {
    uint64_t v = 0;
    for (unsigned i = 0; i < size; ++i) v = v << 8 | p[i];
    return v;
}

// The binary form: a trailer locates an offset table, which locates the objects; a container
// lists its members by object number. Anything malformed is refused here too (false), so only
// lists this walk understands reach the parser.
class BinaryWalk {
public:
    BinaryWalk(const uint8_t* d, size_t n) : d_(d), n_(n) {}

    bool within(int maxDepth, uint64_t maxValues) {
        if (n_ < 8 + 32) return false;
        const uint8_t* t = d_ + n_ - 32;
        offsetSize_ = t[6];
        refSize_ = t[7];
        count_ = bigEndian(t + 8, 8);
        const uint64_t top = bigEndian(t + 16, 8);
        table_ = bigEndian(t + 24, 8);
        const uint64_t body = n_ - 32;
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || count_ == 0 || top >= count_ ||
            table_ < 8 || table_ > body || count_ > (body - table_) / offsetSize_)
            return false;
        std::vector<uint8_t> state(count_, 0);  // 0 not seen, 1 on the path, 2 done
        std::vector<uint16_t> height(count_, 0);
        std::vector<uint32_t> values(count_, 0);  // the object's tree, every reference followed
        struct Frame {
            uint64_t object, members, next, at;  // `at`: its first member reference
            uint16_t tallest;
            uint64_t values;
        };
        std::vector<Frame> path;
        auto enter = [&](uint64_t object) -> bool {
            uint64_t members = 0, at = 0;
            bool isContainer = false;
            if (!container(object, &isContainer, &members, &at)) return false;
            if (members == 0) {
                if (isContainer && int(path.size()) + 1 > maxDepth) return false;
                state[object] = 2;
                height[object] = isContainer ? 1 : 0;
                values[object] = 1;
                return true;
            }
            if (int(path.size()) + 1 > maxDepth) return false;
            state[object] = 1;
            path.push_back({object, members, 0, at, 0, 1});
            return true;
        };
        if (!member(top) || !enter(top)) return false;
        while (!path.empty()) {
            Frame& f = path.back();
            if (f.next == f.members) {
                const uint16_t h = uint16_t(f.tallest + 1);
                const uint64_t v = f.values;
                state[f.object] = 2;
                height[f.object] = h;
                values[f.object] = uint32_t(v);
                path.pop_back();
                if (!path.empty() && !take(path.back(), h, v, maxValues)) return false;
                continue;
            }
            const uint64_t m = bigEndian(d_ + f.at + f.next * refSize_, refSize_);
            ++f.next;
            if (m >= count_ || state[m] == 1) return false;  // a cycle nests without end
            if (state[m] == 2) {
                if (int(path.size()) + height[m] > maxDepth || !take(f, height[m], values[m], maxValues)) return false;
                continue;
            }
            const size_t before = path.size();
            if (!member(m) || !enter(m)) return false;
            if (path.size() == before && !take(path.back(), height[m], values[m], maxValues)) return false;
        }
        return true;
    }

private:
    // A finished member counts into its container.
    template <typename Frame>
    static bool take(Frame& f, uint16_t height, uint64_t values, uint64_t maxValues) {
        if (height > f.tallest) f.tallest = height;
        f.values += values;
        return f.values <= maxValues;
    }
    // The object's offset is within the body.
    bool member(uint64_t object) {
        const uint64_t off = bigEndian(d_ + table_ + object * offsetSize_, offsetSize_);
        return off < n_ - 32;
    }
    // For an array, set or dictionary: how many references it holds and where they start; none
    // for any other object. False when it does not fit in the body.
    bool container(uint64_t object, bool* isContainer, uint64_t* refs, uint64_t* at) {
        const uint64_t off = bigEndian(d_ + table_ + object * offsetSize_, offsetSize_);
        const uint64_t body = n_ - 32;
        const uint8_t marker = d_[off];
        const unsigned type = marker >> 4;
        *refs = 0;
        *isContainer = type == 0xA || type == 0xC || type == 0xD;
        if (!*isContainer) return true;
        uint64_t count = marker & 0x0F;
        uint64_t p = off + 1;
        if (count == 0x0F) {
            if (p >= body || (d_[p] >> 4) != 0x1) return false;
            const unsigned size = 1u << (d_[p] & 0x0F);
            if (size > 8 || p + 1 + size > body) return false;
            count = bigEndian(d_ + p + 1, size);
            p += 1 + size;
        }
        if (type == 0xD) {
            if (count > UINT64_MAX / 2) return false;
            count *= 2;  // keys, then values
        }
        if (count > (body - p) / refSize_) return false;
        *refs = count;
        *at = p;
        return true;
    }

    const uint8_t* d_;
    size_t n_;
    unsigned offsetSize_ = 0, refSize_ = 0;
    uint64_t count_ = 0, table_ = 0;
};

}  // namespace

bool PlistLimits::within(const void* bytes, size_t length, int maxDepth, uint64_t maxValues) {
    if (!bytes) return true;
    const auto* d = static_cast<const uint8_t*>(bytes);
    if (length >= 6 && std::memcmp(d, "bplist", 6) == 0) return BinaryWalk(d, length).within(maxDepth, maxValues);
    return xmlWithin(static_cast<const char*>(bytes), length, maxDepth, maxValues);
}

}  // namespace platform
