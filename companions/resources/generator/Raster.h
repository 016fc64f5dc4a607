#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A small anti-aliased rasteriser for the installation's pictures: shapes are
// drawn into a coverage mask at a multiple of the final resolution, the mask is
// composited with a paint, and the canvas is averaged down at the end.
namespace art {

struct Point {
    double x, y;
};

struct Rgb {
    double r, g, b;
};

Rgb MakeRgb(int r, int g, int b);
Rgb Mix(const Rgb& a, const Rgb& b, double t);
Rgb Lighter(const Rgb& c, double t);
Rgb Darker(const Rgb& c, double t);

// Colour as a function of position: solid, or a linear gradient between two points.
struct Paint {
    Rgb from{0, 0, 0};
    Rgb to{0, 0, 0};
    Point start{0, 0};
    Point end{0, 0};
    double alpha = 1.0;
    bool gradient = false;

    Rgb At(double x, double y) const;
};

Paint Solid(const Rgb& c, double alpha = 1.0);
Paint Vertical(const Rgb& top, double y0, const Rgb& bottom, double y1);
Paint Horizontal(const Rgb& left, double x0, const Rgb& right, double x1);

class Canvas;

// Which samples a shape covers. Shapes added to one mask form their union.
class Mask {
public:
    explicit Mask(const Canvas& canvas);

    void Polygon(const std::vector<Point>& pts);
    void Rect(double x0, double y0, double x1, double y1);
    void RoundRect(double x0, double y0, double x1, double y1, double radius);
    void Ellipse(double cx, double cy, double rx, double ry);
    // A polyline of the given width with round joins and caps.
    void Stroke(const std::vector<Point>& pts, double width);
    // Removes what another mask covers (for rings and cut-outs).
    void Subtract(const Mask& other);
    void Intersect(const Mask& other);

    bool At(int sx, int sy) const { return bits_[static_cast<size_t>(sy) * width_ + sx] != 0; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    friend class Canvas;
    int width_, height_, scale_;
    std::vector<uint8_t> bits_;
};

class Canvas {
public:
    Canvas(int width, int height, int scale = 4);

    void Clear(const Rgb& colour);

    void Fill(const Mask& mask, const Paint& paint);
    // Shorthands that build a one-shape mask.
    void FillPolygon(const std::vector<Point>& pts, const Paint& paint);
    void FillRect(double x0, double y0, double x1, double y1, const Paint& paint);
    void FillRoundRect(double x0, double y0, double x1, double y1, double r, const Paint& paint);
    void FillEllipse(double cx, double cy, double rx, double ry, const Paint& paint);
    void StrokeLine(const std::vector<Point>& pts, double width, const Paint& paint);

    // The picture at its final size, 8-bit RGB triplets, top row first.
    std::vector<uint8_t> Resolve() const;

    int width() const { return width_; }
    int height() const { return height_; }
    int scale() const { return scale_; }

private:
    int width_, height_, scale_;
    std::vector<Rgb> samples_;
};

std::vector<Point> RoundRectPath(double x0, double y0, double x1, double y1, double r);
std::vector<Point> EllipsePath(double cx, double cy, double rx, double ry, int steps = 48);
std::vector<Point> ArcPath(double cx, double cy, double r, double a0, double a1, int steps = 24);

} // namespace art
