#include "platform/foundation/StringFormat.h"

#include "platform/foundation/PropertyValue.h"

namespace platform {

int64_t StringFormat::Argument::integer() const {
    return isInteger_ ? integer_ : PropertyValue::integerValueOf(text_);
}

std::string StringFormat::format_(std::string_view fmt, const Argument* args, size_t count) {
    std::string out;
    out.reserve(fmt.size());
    size_t next = 0;  // the next argument for a specifier without a position
    size_t i = 0;
    while (i < fmt.size()) {
        char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            ++i;
            continue;
        }
        if (fmt[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // Optional position: digits followed by '$'.
        size_t j = i + 1;
        size_t position = 0;
        while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9' && position < 1000) position = position * 10 + (fmt[j++] - '0');
        bool positional = j > i + 1 && j < fmt.size() && fmt[j] == '$';
        if (positional) ++j;
        else j = i + 1;
        char conv = j < fmt.size() ? fmt[j] : '\0';
        if (conv != '@' && conv != 's' && conv != 'd') {
            out += '%';  // unknown: literal, the rest follows as plain text
            ++i;
            continue;
        }
        size_t index = positional ? position - 1 : next;
        if ((positional && position == 0) || index >= count) {
            out.append(fmt.substr(i, j + 1 - i));
            i = j + 1;
            continue;
        }
        if (!positional) ++next;
        if (conv == 'd') out += std::to_string(args[index].integer());
        else out += args[index].text();
        i = j + 1;
    }
    return out;
}

}  // namespace platform
