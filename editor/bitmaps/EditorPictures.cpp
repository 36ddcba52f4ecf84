#include "EditorPictures.h"

#include <array>

namespace kvbitmaps {

namespace {

constexpr double kBaseLeft = 9.0;
constexpr double kBaseTop = 9.0;
constexpr double kBaseRight = 39.0;
constexpr double kBaseBottom = 39.0;

// A bevelled button: soft shadow, gradient body, a one-pixel border and a sheen along the top.
void paintButton(Canvas& canvas, const SheetStyle& style, double x0, double y0, double x1, double y1,
                 double radius) {
    canvas.paint(roundRect(x0 + 0.5, y0 + 1.5, x1 + 0.5, y1 + 1.5, radius + 0.5), solid(grey(0)), 0.30);
    const Shape body = roundRect(x0, y0, x1, y1, radius);
    canvas.paint(body, verticalGradient(style.baseTop, style.baseBottom, y0, y1));
    canvas.paint(innerBorder(body, 1.0), solid(style.border));
    canvas.paint(capsule(x0 + radius, y0 + 1.6, x1 - radius, y0 + 1.6, 0.9), solid(style.sheen), 0.55);
}

Shape returnArrow(double cx, double cy, double r, double width) {
    // Counter-clockwise from the upper right round to the lower right, arrow head at the end.
    const double start = -50.0;
    const double end = start - 275.0;
    const Shape arc = polyline(arcPoints(cx, cy, r, start, end), width);
    const double a = end * 3.14159265358979323846 / 180.0;
    const Point tip{cx + r * std::cos(a), cy + r * std::sin(a)};
    const Point along{std::sin(a), -std::cos(a)}; // direction of travel
    const Point out{std::cos(a), std::sin(a)};
    const double head = width * 1.45;
    const Shape arrowHead =
        polygon({{tip.x + along.x * head * 1.2, tip.y + along.y * head * 1.2},
                 {tip.x + out.x * head - along.x * 0.6, tip.y + out.y * head - along.y * 0.6},
                 {tip.x - out.x * head - along.x * 0.6, tip.y - out.y * head - along.y * 0.6}});
    return unite(arc, arrowHead);
}

void editTool(Canvas& c, const SheetStyle& s) {
    c.paintOutlined(polygon({{18.5, 13.0},
                             {18.5, 31.5},
                             {22.7, 27.4},
                             {25.7, 34.2},
                             {28.8, 32.8},
                             {25.8, 26.2},
                             {31.4, 25.8}}),
                    solid(s.glyph), s.rim);
}

void panTool(Canvas& c, const SheetStyle& s) {
    const Shape palm = roundRect(17.0, 23.0, 31.8, 35.2, 4.8);
    c.paint(grow(palm, 0.9), solid(s.rim), 0.85);
    c.paintOutlined(capsule(18.4, 30.0, 14.0, 24.2, 3.4), solid(s.glyph), s.rim);
    const std::array<Point, 4> fingerTips{{{19.4, 17.2}, {22.9, 13.8}, {26.4, 14.3}, {29.9, 17.4}}};
    for (const Point& tip : fingerTips) {
        c.paintOutlined(capsule(tip.x, 26.0, tip.x, tip.y, 3.1), solid(s.glyph), s.rim, 0.7);
    }
    c.paint(palm, solid(s.glyph));
}

void zoomTool(Canvas& c, const SheetStyle& s) {
    const Shape lens = ring(21.5, 21.5, 6.3, 2.5);
    const Shape handle = capsule(26.4, 26.4, 32.4, 32.4, 3.9);
    c.paint(grow(unite(lens, handle), 0.9), solid(s.rim), 0.85);
    c.paint(circle(21.5, 21.5, 5.2), solid(s.glyph), 0.18);
    c.paint(unite(lens, handle), solid(s.glyph));
}

void resetCurve(Canvas& c, const SheetStyle& s) {
    const Shape line =
        unite(capsule(15.5, 32.5, 33.0, 15.0, 2.2), unite(circle(15.5, 32.5, 2.7), circle(33.0, 15.0, 2.7)));
    c.paintOutlined(line, solid(s.glyph), s.rim);
    c.paintOutlined(returnArrow(18.6, 19.0, 4.3, 1.8), solid(s.glyph), s.rim);
}

void resetView(Canvas& c, const SheetStyle& s) {
    c.paintOutlined(innerBorder(roundRect(13.5, 15.0, 34.5, 33.0, 2.5), 1.9), solid(s.glyph), s.rim);
    c.paintOutlined(returnArrow(24.0, 24.0, 4.2, 1.8), solid(s.glyph), s.rim);
}

void fitView(Canvas& c, const SheetStyle& s) {
    const double w = 2.0;
    Shape brackets = polyline({{14, 19.5}, {14, 14}, {19.5, 14}}, w);
    brackets = unite(brackets, polyline({{28.5, 14}, {34, 14}, {34, 19.5}}, w));
    brackets = unite(brackets, polyline({{14, 28.5}, {14, 34}, {19.5, 34}}, w));
    brackets = unite(brackets, polyline({{28.5, 34}, {34, 34}, {34, 28.5}}, w));
    c.paintOutlined(brackets, solid(s.glyph), s.rim);
    c.paint(polyline({{18.5, 29.5}, {21.5, 25.0}, {24.0, 24.0}, {26.5, 23.0}, {29.5, 18.5}}, 1.0),
            solid(s.glyph), 0.6);
    c.paintOutlined(unite(circle(18.5, 29.5, 2.0), unite(circle(24.0, 24.0, 2.0), circle(29.5, 18.5, 2.0))),
                    solid(s.glyph), s.rim, 0.7);
}

void invert(Canvas& c, const SheetStyle& s) {
    const Shape disc = circle(24.0, 24.0, 8.6);
    c.paint(grow(disc, 0.9), solid(s.rim), 0.85);
    c.paint(ring(24.0, 24.0, 7.6, 2.0), solid(s.glyph));
    c.paint(intersect(disc, [](double x, double) { return x - 24.0; }), solid(s.glyph));
}

void histogram(Canvas& c, const SheetStyle& s) {
    const std::array<double, 6> heights{5.0, 10.5, 15.5, 17.5, 11.5, 6.0};
    Shape bars = capsule(13.8, 33.6, 34.2, 33.6, 1.4);
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const double x = 14.4 + 3.4 * double(i);
        bars = unite(bars, roundRect(x, 32.6 - heights[i], x + 2.7, 33.0, 0.7));
    }
    c.paintOutlined(bars, solid(s.glyph), s.rim, 0.8);
}

void fixedAspect(Canvas& c, const SheetStyle& s) {
    const Shape base = roundRect(1.0, 1.0, 14.0, 19.0, 2.5);
    c.paint(base, verticalGradient(s.baseTop, s.baseBottom, 1.0, 19.0));
    c.paint(innerBorder(base, 1.0), solid(s.border));
    const Shape shackle =
        unite(polyline(arcPoints(7.5, 8.2, 2.5, 180.0, 360.0), 1.4),
              unite(capsule(5.0, 8.2, 5.0, 10.0, 1.4), capsule(10.0, 8.2, 10.0, 10.0, 1.4)));
    const Shape body = roundRect(3.6, 9.6, 11.4, 16.6, 1.2);
    c.paint(grow(unite(shackle, body), 0.7), solid(s.rim), 0.8);
    c.paint(unite(shackle, body), solid(s.glyph));
    c.paint(circle(7.5, 12.6, 1.0), solid(s.rim));
}

// Mode buttons: the button at (12, 14)..(36, 33); left-side glyphs end in a node on the right,
// right-side ones are their mirror images.
void modeButton(Canvas& c, const SheetStyle& s, int kind, bool rightSide) {
    paintButton(c, s, 12.5, 14.5, 35.5, 32.5, 3.5);
    const double axis = 24.0;
    auto side = [&](Shape shape) { return rightSide ? mirrorX(shape, axis) : shape; };
    const Point node{29.8, 23.5};
    if (kind == 0) { // smooth: the curve runs into the node along its tangent
        std::vector<Point> curve;
        for (int i = 0; i <= 24; ++i) {
            const double t = i / 24.0;
            const double u = 1 - t;
            curve.push_back({u * u * 15.2 + 2 * u * t * 21.0 + t * t * node.x,
                             u * u * 30.8 + 2 * u * t * 23.5 + t * t * node.y});
        }
        c.paintOutlined(side(polyline(curve, 1.6)), solid(s.glyph), s.rim, 0.7);
        c.paintOutlined(side(circle(node.x, node.y, 2.5)), solid(s.glyph), s.rim, 0.7);
    } else if (kind == 1) { // linear: a straight line into a corner node
        c.paintOutlined(side(capsule(15.2, 30.8, node.x, node.y, 1.6)), solid(s.glyph), s.rim, 0.7);
        c.paintOutlined(side(polygon({{node.x, node.y - 3.0},
                                      {node.x + 3.0, node.y},
                                      {node.x, node.y + 3.0},
                                      {node.x - 3.0, node.y}})),
                        solid(s.glyph), s.rim, 0.7);
    } else { // manual: a node with a free handle
        c.paint(side(polyline({{15.2, 30.5}, {20.0, 28.0}, {25.0, 25.0}, {node.x, node.y}}, 1.2)),
                solid(s.glyph), 0.45);
        c.paintOutlined(side(capsule(node.x, node.y, 20.2, 18.0, 1.1)), solid(s.glyph), s.rim, 0.6);
        c.paintOutlined(side(circle(20.2, 18.0, 1.9)), solid(s.glyph), s.rim, 0.6);
        c.paintOutlined(side(circle(node.x, node.y, 2.5)), solid(s.glyph), s.rim, 0.7);
    }
}

// The knob of the vertical slider: rides the output bar and points right into the plot.
void verticalKnob(Canvas& c, const SheetStyle& s) {
    const Shape knob =
        grow(polygon({{2.2, 19.2}, {11.2, 19.2}, {15.8, 24.0}, {11.2, 28.8}, {2.2, 28.8}}), 0.7);
    c.paint(grow(knob, 0.9), solid(grey(20)), 0.85);
    c.paint(knob, verticalGradient(s.knobLight, s.knobDark, 18.5, 29.5));
    c.paint(capsule(3.0, 19.2, 11.0, 19.2, 0.8), solid(grey(255)), 0.45);
    for (double x : {5.0, 7.5, 10.0}) {
        c.paint(capsule(x, 21.6, x, 26.4, 0.8), solid(grey(30)), 0.5);
    }
}

// The knob of the horizontal slider: rides the input bar and points up into the plot.
void horizontalKnob(Canvas& c, const SheetStyle& s) {
    const Shape knob =
        grow(polygon({{24.0, 1.8}, {28.8, 6.6}, {28.8, 27.0}, {19.2, 27.0}, {19.2, 6.6}}), 0.7);
    c.paint(grow(knob, 0.9), solid(grey(20)), 0.85);
    c.paint(knob, horizontalGradient(s.knobLight, s.knobDark, 18.5, 29.5));
    c.paint(capsule(19.4, 7.0, 19.4, 26.0, 0.8), solid(grey(255)), 0.45);
    for (double y : {14.0, 16.5, 19.0}) {
        c.paint(capsule(21.4, y, 26.6, y, 0.8), solid(grey(30)), 0.5);
    }
}

} // namespace

SheetStyle normalStyle() {
    return {grey(94), grey(68), grey(34), grey(128), grey(214), grey(26), grey(214), grey(140)};
}

SheetStyle highlightedStyle() {
    return {grey(136),      grey(104),    grey(40),        grey(182),
            {255, 188, 70}, {40, 30, 18}, {255, 214, 140}, {214, 146, 40}};
}

Canvas drawIcon(int icon, const SheetStyle& style) {
    Canvas c(kIconSize, kIconSize);
    switch (icon) {
    case 0:
        paintButton(c, style, kBaseLeft, kBaseTop, kBaseRight, kBaseBottom, 5.5);
        break;
    case 1:
        editTool(c, style);
        break;
    case 2:
        panTool(c, style);
        break;
    case 3:
        zoomTool(c, style);
        break;
    case 4:
        resetCurve(c, style);
        break;
    case 5:
        resetView(c, style);
        break;
    case 6:
        fitView(c, style);
        break;
    case 7:
        invert(c, style);
        break;
    case 8:
        histogram(c, style);
        break;
    case 9:
        fixedAspect(c, style);
        break;
    case 11:
    case 12:
    case 13:
        modeButton(c, style, icon - 11 == 0 ? 0 : icon - 11 == 1 ? 1 : 2, false);
        break;
    case 14:
    case 15:
    case 16:
        modeButton(c, style, icon == 16 ? 0 : icon == 15 ? 1 : 2, true);
        break;
    case 17:
        verticalKnob(c, style);
        break;
    case 18:
        horizontalKnob(c, style);
        break;
    default:
        break; // 10: the linked toggle is part of the strip
    }
    return c;
}

Canvas drawLinkedStrip(bool linked) {
    Canvas c(214, 40);
    const Shape bar = roundRect(0.5, 0.5, 213.5, 39.5, 9.0);
    c.paint(bar, verticalGradient(grey(96), grey(74), 0.5, 39.5));
    c.paint(innerBorder(bar, 1.0), solid(grey(42)));
    c.paint(capsule(9.0, 2.0, 205.0, 2.0, 0.9), solid(grey(140)), 0.5);
    // Wells behind the two groups of mode buttons.
    for (const auto& [x0, x1] : {std::pair{9.5, 99.5}, std::pair{118.5, 204.5}}) {
        const Shape well = roundRect(x0, 7.5, x1, 32.5, 5.0);
        c.paint(well, solid(grey(60)), 0.55);
        c.paint(innerBorder(well, 1.0), solid(grey(36)), 0.6);
    }
    const Colour ink = linked ? Colour{255, 188, 70} : grey(176);
    const Colour rim = grey(26);
    if (linked) {
        const Shape a = innerBorder(roundRect(94.0, 14.5, 111.0, 24.5, 5.0), 2.3);
        const Shape b = innerBorder(roundRect(103.0, 14.5, 120.0, 24.5, 5.0), 2.3);
        c.paintOutlined(a, solid(ink), rim, 0.8);
        c.paintOutlined(b, solid(ink), rim, 0.8);
        // Link a passes over link b on its right side, so the two read as interlocked.
        c.paintOutlined(intersect(a, [](double x, double y) { return y < 19.5 ? 1.0 : 106.0 - x; }),
                        solid(ink), rim, 0.8);
    } else {
        c.paintOutlined(innerBorder(roundRect(91.5, 14.5, 105.0, 24.5, 5.0), 2.3), solid(ink), rim, 0.8);
        c.paintOutlined(innerBorder(roundRect(109.0, 14.5, 122.5, 24.5, 5.0), 2.3), solid(ink), rim, 0.8);
        c.paint(capsule(107.0, 10.5, 107.0, 13.0, 1.1), solid(ink), 0.8);
        c.paint(capsule(107.0, 26.0, 107.0, 28.5, 1.1), solid(ink), 0.8);
    }
    return c;
}

Canvas drawPanelMask() {
    Canvas c(30, 28);
    c.paint(roundRect(1.0, 1.0, 29.0, 27.0, 7.0), solid(grey(255)));
    return c;
}

Canvas drawToolColumnMask() {
    Canvas c(39, 105);
    c.paint(roundRect(0.5, 0.5, 38.5, 104.5, 7.0), solid(grey(255)));
    return c;
}

Canvas drawFrameCorner() {
    Canvas c(11, 11);
    // The framed area starts at pixel 5; its corner is rounded with radius 5 about (10, 10).
    const Shape area = roundRect(5.0, 5.0, 40.0, 40.0, 5.0);
    const Shape inArea = [](double x, double y) { return std::max(5.0 - x, 5.0 - y); };
    c.paint(intersect(inArea, [area](double x, double y) { return -area(x, y); }), solid(grey(116)));
    c.paint([area](double x, double y) { return std::abs(area(x, y) - 0.6) - 0.6; }, solid(grey(36)));
    c.paint([area](double x, double y) { return std::abs(area(x, y) - 1.7) - 0.5; }, solid(grey(168)), 0.35);
    return c;
}

std::vector<std::uint8_t> drawDigitFont() {
    // "0".."9", ".", "-": 5 x 7 pixels each at column 1 and row 1 of a 7-pixel cell.
    static const char* const kGlyphs[12][7] = {
        {" +#+ ", "#+ +#", "#   #", "#   #", "#   #", "#+ +#", " +#+ "},
        {"  #  ", "+##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
        {"+###+", "#   #", "    #", "  +#+", " +#+ ", "+#+  ", "#####"},
        {"####+", "    #", "    #", " ### ", "    #", "    #", "####+"},
        {"   #+", "  ## ", " + # ", "+  # ", "#####", "   # ", "   # "},
        {"#####", "#    ", "####+", "    #", "    #", "#   #", "+###+"},
        {" +##+", "+#   ", "#    ", "####+", "#   #", "#   #", "+###+"},
        {"#####", "    #", "   #+", "  +# ", "  #  ", " +#  ", " #   "},
        {"+###+", "#   #", "#   #", "+###+", "#   #", "#   #", "+###+"},
        {"+###+", "#   #", "#   #", "+####", "    #", "   #+", "+##+ "},
        {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "},
        {"     ", "     ", "     ", "#### ", "     ", "     ", "     "},
    };
    std::vector<std::uint8_t> font(100 * 10, 0);
    for (int g = 0; g < 12; ++g) {
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                const char ink = kGlyphs[g][row][col];
                const std::uint8_t value = ink == '#' ? 255 : ink == '+' ? 150 : 0;
                font[std::size_t(row + 1) * 100 + std::size_t(g * 7 + col + 1)] = value;
            }
        }
    }
    return font;
}

} // namespace kvbitmaps
