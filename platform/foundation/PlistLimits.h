#pragma once
// How deeply a property list's arrays and dictionaries nest and how many values it holds once
// every reference is followed, found without building the tree, so a file far beyond any real one
// is refused before a recursive parser sees it. Works in constant stack space on XML and on binary
// lists (where one object may be referred to many times over, or even refer to itself).
#include <cstddef>
#include <cstdint>

namespace platform {

class PlistLimits {
public:
    // True when nothing nests more than `maxDepth` levels and there are at most `maxValues`
    // values: elements in XML (the plist element and a value's own element each count),
    // containers and objects in a binary list (a cycle never is). Text that is no XML is let
    // through (the parser refuses it); a binary list this walk cannot follow is not.
    static bool within(const void* bytes, size_t length, int maxDepth, uint64_t maxValues);
};

}  // namespace platform
