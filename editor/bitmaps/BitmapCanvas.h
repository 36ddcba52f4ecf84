#pragma once
// A small anti-aliased painter for the editor's constant pictures: shapes are signed distance functions
// (negative inside), painted with 4 x 4 subsamples per pixel over a canvas of straight-alpha colours.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace kvbitmaps {

struct Colour {
    double r;
    double g;
    double b;
};

constexpr Colour grey(double v) {
    return {v, v, v};
}

inline Colour mixColours(const Colour& a, const Colour& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

using Shape = std::function<double(double, double)>;
using Paint = std::function<Colour(double, double)>;

inline Paint solid(Colour c) {
    return [c](double, double) { return c; };
}

// A vertical gradient from `top` at y0 to `bottom` at y1.
inline Paint verticalGradient(Colour top, Colour bottom, double y0, double y1) {
    return [=](double, double y) { return mixColours(top, bottom, (y - y0) / (y1 - y0)); };
}

inline Paint horizontalGradient(Colour left, Colour right, double x0, double x1) {
    return [=](double x, double) { return mixColours(left, right, (x - x0) / (x1 - x0)); };
}

inline Shape circle(double cx, double cy, double r) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

inline Shape ring(double cx, double cy, double r, double width) {
    return [=](double x, double y) { return std::abs(std::hypot(x - cx, y - cy) - r) - width / 2; };
}

inline double segmentDistance(double x, double y, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

// A line with round ends.
inline Shape capsule(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) { return segmentDistance(x, y, x0, y0, x1, y1) - width / 2; };
}

inline Shape roundRect(double x0, double y0, double x1, double y1, double radius) {
    return [=](double x, double y) {
        const double cx = (x0 + x1) / 2;
        const double cy = (y0 + y1) / 2;
        const double hx = (x1 - x0) / 2 - radius;
        const double hy = (y1 - y0) / 2 - radius;
        const double qx = std::abs(x - cx) - hx;
        const double qy = std::abs(y - cy) - hy;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

struct Point {
    double x;
    double y;
};

inline Shape polygon(std::vector<Point> points) {
    return [points](double x, double y) {
        double distance = 1e9;
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Point& a = points[i];
            const Point& b = points[j];
            distance = std::min(distance, segmentDistance(x, y, a.x, a.y, b.x, b.y));
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
            }
        }
        return inside ? -distance : distance;
    };
}

// A polyline of capsules through the points.
inline Shape polyline(std::vector<Point> points, double width) {
    return [points, width](double x, double y) {
        double distance = 1e9;
        for (std::size_t i = 1; i < points.size(); ++i) {
            distance = std::min(
                distance, segmentDistance(x, y, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y));
        }
        return distance - width / 2;
    };
}

// An arc of a circle from angle a0 to a1 in degrees (screen angles: y points down).
inline std::vector<Point> arcPoints(double cx, double cy, double r, double a0, double a1) {
    std::vector<Point> points;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const double a = (a0 + (a1 - a0) * i / steps) * 3.14159265358979323846 / 180.0;
        points.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return points;
}

inline Shape unite(Shape a, Shape b) {
    return [a, b](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

inline Shape intersect(Shape a, Shape b) {
    return [a, b](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

inline Shape subtract(Shape a, Shape b) {
    return [a, b](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

// Grows a shape by `amount` pixels (shrinks it when negative).
inline Shape grow(Shape a, double amount) {
    return [a, amount](double x, double y) { return a(x, y) - amount; };
}

// The band of `width` pixels just inside the shape's edge.
inline Shape innerBorder(Shape a, double width) {
    return [a, width](double x, double y) { return std::abs(a(x, y) + width / 2) - width / 2; };
}

inline Shape mirrorX(Shape a, double axis) {
    return [a, axis](double x, double y) { return a(2 * axis - x, y); };
}

class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), rgb_(std::size_t(width) * height * 3, 0.0),
          alpha_(std::size_t(width) * height, 0.0) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints the shape "over" what is there, opacity times its subsample coverage.
    void paint(const Shape& shape, const Paint& colour, double opacity = 1.0) {
        for (int py = 0; py < height_; ++py) {
            for (int px = 0; px < width_; ++px) {
                int inside = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        inside += shape(px + (sx + 0.5) / 4, py + (sy + 0.5) / 4) <= 0 ? 1 : 0;
                    }
                }
                if (inside == 0) {
                    continue;
                }
                const double a = opacity * inside / 16.0;
                const Colour c = colour(px + 0.5, py + 0.5);
                over(px, py, c, a);
            }
        }
    }

    // A shape with a dark rim around it: the rim first, then the shape.
    void paintOutlined(const Shape& shape, const Paint& colour, const Colour& rim, double rimWidth = 0.9,
                       double rimOpacity = 0.85) {
        paint(grow(shape, rimWidth), solid(rim), rimOpacity);
        paint(shape, colour);
    }

    std::uint8_t maskByte(int x, int y) const { return toByte(alpha_[index(x, y)] * 255.0); }
    std::uint8_t colourByte(int x, int y, int channel) const {
        return alpha_[index(x, y)] > 0 ? toByte(rgb_[index(x, y) * 3 + channel]) : 0;
    }

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * width_ + x; }
    static std::uint8_t toByte(double v) {
        return static_cast<std::uint8_t>(std::clamp(std::round(v), 0.0, 255.0));
    }

    void over(int x, int y, const Colour& c, double a) {
        const std::size_t i = index(x, y);
        const double below = alpha_[i];
        const double out = a + below * (1 - a);
        if (out <= 0) {
            return;
        }
        const double src[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k) {
            rgb_[i * 3 + k] = (src[k] * a + rgb_[i * 3 + k] * below * (1 - a)) / out;
        }
        alpha_[i] = out;
    }

    int width_;
    int height_;
    std::vector<double> rgb_;
    std::vector<double> alpha_;
};

} // namespace kvbitmaps
