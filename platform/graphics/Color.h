#pragma once
// An RGBA colour, components 0..1.
namespace platform {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
    constexpr bool operator==(const Color&) const = default;
    static constexpr Color rgba(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
    static constexpr Color white(float level, float alpha = 1) { return {level, level, level, alpha}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }
    constexpr Color withAlpha(float alpha) const { return {r, g, b, alpha}; }
};

}  // namespace platform
