#include "platform/graphics/LineBreaks.h"

#include <pango/pango.h>

namespace platform {
namespace {

bool isLetterOrDigit(gunichar c) {
    switch (g_unichar_type(c)) {
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_MODIFIER_LETTER:
    case G_UNICODE_OTHER_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_LETTER_NUMBER:
    case G_UNICODE_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::vector<std::string> LineBreaks::split(std::string_view word, WordBreak mode) {
    if (word.empty() || !g_utf8_validate(word.data(), gssize(word.size()), nullptr)) return {std::string(word)};
    const glong count = g_utf8_strlen(word.data(), gssize(word.size()));
    if (count < 2) return {std::string(word)};
    std::vector<PangoLogAttr> attrs(size_t(count) + 1);
    pango_get_log_attrs(word.data(), int(word.size()), -1, pango_language_from_string("en"), attrs.data(),
                        int(attrs.size()));
    std::vector<std::string> pieces;
    const char* start = word.data();
    const char* previous = start;
    const char* p = g_utf8_next_char(start);
    for (glong i = 1; i < count; ++i, previous = p, p = g_utf8_next_char(p)) {
        if (!attrs[size_t(i)].is_line_break) continue;
        if (mode == WordBreak::KeepAll && isLetterOrDigit(g_utf8_get_char(previous)) &&
            isLetterOrDigit(g_utf8_get_char(p)))
            continue;
        pieces.emplace_back(start, size_t(p - start));
        start = p;
    }
    pieces.emplace_back(start, size_t(word.data() + word.size() - start));
    return pieces;
}

}  // namespace platform
