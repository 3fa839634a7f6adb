#pragma once
// Fills translated format strings. Knows %@ and %s (the next argument as text), %d (the next
// argument as an integer), positional forms such as %1$@, and %%. Anything else, and a
// specifier without an argument left, is shown literally: a translation can never make it
// read or write memory the way printf would.
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class StringFormat {
public:
    class Argument {
    public:
        Argument(std::string_view s) : text_(s) {}
        Argument(const std::string& s) : text_(s) {}
        Argument(const char* s) : text_(s ? s : "") {}
        template <std::integral T>
            requires(!std::same_as<T, bool>)
        Argument(T i) : text_(std::to_string(i)), integer_(static_cast<int64_t>(i)), isInteger_(true) {}

        const std::string& text() const { return text_; }
        // An integer as itself, a text as its integer value.
        int64_t integer() const;

    private:
        std::string text_;
        int64_t integer_ = 0;
        bool isInteger_ = false;
    };

    static std::string format(std::string_view format, std::initializer_list<Argument> args) {
        return format_(format, args.begin(), args.size());
    }
    static std::string format(std::string_view format, const std::vector<Argument>& args) {
        return format_(format, args.data(), args.size());
    }

private:
    static std::string format_(std::string_view format, const Argument* args, size_t count);
};

}  // namespace platform
