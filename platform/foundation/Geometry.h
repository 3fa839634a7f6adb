#pragma once
// Plain geometry values in points. Scalars are 32-bit floats, the platform's native width.
#include <algorithm>
#include <cmath>

namespace platform {

struct Point {
    float x = 0, y = 0;
    constexpr bool operator==(const Point&) const = default;
};

struct Size {
    float width = 0, height = 0;
    constexpr bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float w, float h) : origin{x, y}, size{w, h} {}
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr bool operator==(const Rect&) const = default;

    constexpr float x() const { return origin.x; }
    constexpr float y() const { return origin.y; }
    constexpr float width() const { return size.width; }
    constexpr float height() const { return size.height; }
    constexpr float minX() const { return std::min(origin.x, origin.x + size.width); }
    constexpr float minY() const { return std::min(origin.y, origin.y + size.height); }
    constexpr float maxX() const { return std::max(origin.x, origin.x + size.width); }
    constexpr float maxY() const { return std::max(origin.y, origin.y + size.height); }
    constexpr float midX() const { return origin.x + size.width / 2; }
    constexpr float midY() const { return origin.y + size.height / 2; }
    constexpr Point center() const { return {midX(), midY()}; }
    constexpr bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
    // Half-open: a point on the right or bottom edge is outside.
    constexpr bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    constexpr Rect offsetBy(float dx, float dy) const { return {origin.x + dx, origin.y + dy, size.width, size.height}; }
    constexpr Rect insetBy(float dx, float dy) const {
        return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
    // The overlap of two rectangles; empty (all zero) when they do not meet.
    constexpr Rect intersection(const Rect& o) const {
        float x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        float x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 <= x0 || y1 <= y0) return {};
        return {x0, y0, x1 - x0, y1 - y0};
    }
    constexpr Rect unionWith(const Rect& o) const {
        if (isEmpty()) return o;
        if (o.isEmpty()) return *this;
        float x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
        float x1 = std::max(maxX(), o.maxX()), y1 = std::max(maxY(), o.maxY());
        return {x0, y0, x1 - x0, y1 - y0};
    }
};

// x' = a x + c y + tx,  y' = b x + d y + ty.
struct AffineTransform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    constexpr bool operator==(const AffineTransform&) const = default;
    static constexpr AffineTransform identity() { return {}; }
    static constexpr AffineTransform makeScale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
    static constexpr AffineTransform makeTranslation(float x, float y) { return {1, 0, 0, 1, x, y}; }
    static AffineTransform makeRotation(float radians) {
        float s = std::sin(radians), co = std::cos(radians);
        return {co, s, -s, co, 0, 0};
    }
    constexpr bool isIdentity() const { return *this == AffineTransform{}; }

    // This transform followed by `t`.
    constexpr AffineTransform concat(const AffineTransform& t) const {
        return {a * t.a + b * t.c,       a * t.b + b * t.d,
                c * t.a + d * t.c,       c * t.b + d * t.d,
                tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
    }
    // The transform that applies a translation/scale/rotation before this one.
    constexpr AffineTransform translated(float x, float y) const { return makeTranslation(x, y).concat(*this); }
    constexpr AffineTransform scaled(float sx, float sy) const { return makeScale(sx, sy).concat(*this); }
    AffineTransform rotated(float radians) const { return makeRotation(radians).concat(*this); }

    constexpr Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    constexpr Size applyToSize(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
    // Bounding box of the transformed rectangle.
    constexpr Rect applyToRect(const Rect& r) const {
        Point p[4] = {apply({r.minX(), r.minY()}), apply({r.maxX(), r.minY()}),
                      apply({r.minX(), r.maxY()}), apply({r.maxX(), r.maxY()})};
        float x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
        for (auto& q : p) {
            x0 = std::min(x0, q.x); x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y); y1 = std::max(y1, q.y);
        }
        return {x0, y0, x1 - x0, y1 - y0};
    }
    constexpr float determinant() const { return a * d - b * c; }
    // The inverse; a singular transform comes back unchanged.
    constexpr AffineTransform inverted() const {
        float det = determinant();
        if (det == 0) return *this;
        return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
    }
};

}  // namespace platform
