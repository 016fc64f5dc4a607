#include "Raster.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {
constexpr double kPi = 3.14159265358979323846;

double Clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
} // namespace

Rgb MakeRgb(int r, int g, int b) {
    return Rgb{r / 255.0, g / 255.0, b / 255.0};
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Lighter(const Rgb& c, double t) {
    return Mix(c, Rgb{1, 1, 1}, t);
}

Rgb Darker(const Rgb& c, double t) {
    return Mix(c, Rgb{0, 0, 0}, t);
}

Rgb Paint::At(double x, double y) const {
    if (!gradient)
        return from;
    const double dx = end.x - start.x, dy = end.y - start.y;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? Clamp01(((x - start.x) * dx + (y - start.y) * dy) / len2) : 0;
    return Mix(from, to, t);
}

Paint Solid(const Rgb& c, double alpha) {
    Paint p;
    p.from = p.to = c;
    p.alpha = alpha;
    return p;
}

Paint Vertical(const Rgb& top, double y0, const Rgb& bottom, double y1) {
    Paint p;
    p.from = top;
    p.to = bottom;
    p.start = Point{0, y0};
    p.end = Point{0, y1};
    p.gradient = true;
    return p;
}

Paint Horizontal(const Rgb& left, double x0, const Rgb& right, double x1) {
    Paint p;
    p.from = left;
    p.to = right;
    p.start = Point{x0, 0};
    p.end = Point{x1, 0};
    p.gradient = true;
    return p;
}

std::vector<Point> RoundRectPath(double x0, double y0, double x1, double y1, double r) {
    r = std::min({r, (x1 - x0) / 2, (y1 - y0) / 2});
    std::vector<Point> pts;
    const int steps = 8;
    auto corner = [&](double cx, double cy, double a0) {
        for (int i = 0; i <= steps; ++i) {
            const double a = a0 + (kPi / 2) * i / steps;
            pts.push_back(Point{cx + r * std::cos(a), cy + r * std::sin(a)});
        }
    };
    corner(x1 - r, y1 - r, 0);
    corner(x0 + r, y1 - r, kPi / 2);
    corner(x0 + r, y0 + r, kPi);
    corner(x1 - r, y0 + r, kPi * 1.5);
    return pts;
}

std::vector<Point> EllipsePath(double cx, double cy, double rx, double ry, int steps) {
    std::vector<Point> pts;
    for (int i = 0; i < steps; ++i) {
        const double a = 2 * kPi * i / steps;
        pts.push_back(Point{cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

std::vector<Point> ArcPath(double cx, double cy, double r, double a0, double a1, int steps) {
    std::vector<Point> pts;
    for (int i = 0; i <= steps; ++i) {
        const double a = (a0 + (a1 - a0) * i / steps) * kPi / 180.0;
        pts.push_back(Point{cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}

Mask::Mask(const Canvas& canvas)
    : width_(canvas.width() * canvas.scale()), height_(canvas.height() * canvas.scale()),
      scale_(canvas.scale()), bits_(static_cast<size_t>(width_) * height_, 0) {}

void Mask::Polygon(const std::vector<Point>& pts) {
    if (pts.size() < 3)
        return;
    std::vector<double> xs;
    for (int sy = 0; sy < height_; ++sy) {
        const double y = (sy + 0.5) / scale_;
        xs.clear();
        for (size_t i = 0; i < pts.size(); ++i) {
            const Point& a = pts[i];
            const Point& b = pts[(i + 1) % pts.size()];
            if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y))
                xs.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int from = std::max(0, static_cast<int>(std::ceil(xs[i] * scale_ - 0.5)));
            const int to =
                std::min(width_ - 1, static_cast<int>(std::floor(xs[i + 1] * scale_ - 0.5)));
            for (int sx = from; sx <= to; ++sx)
                bits_[static_cast<size_t>(sy) * width_ + sx] = 1;
        }
    }
}

void Mask::Rect(double x0, double y0, double x1, double y1) {
    Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

void Mask::RoundRect(double x0, double y0, double x1, double y1, double radius) {
    Polygon(RoundRectPath(x0, y0, x1, y1, radius));
}

void Mask::Ellipse(double cx, double cy, double rx, double ry) {
    Polygon(EllipsePath(cx, cy, rx, ry));
}

void Mask::Stroke(const std::vector<Point>& pts, double width) {
    const double h = width / 2;
    for (size_t i = 0; i < pts.size(); ++i) {
        Ellipse(pts[i].x, pts[i].y, h, h);
        if (i + 1 == pts.size())
            break;
        const Point a = pts[i], b = pts[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (len <= 0)
            continue;
        const double nx = -dy / len * h, ny = dx / len * h;
        Polygon({{a.x + nx, a.y + ny},
                 {b.x + nx, b.y + ny},
                 {b.x - nx, b.y - ny},
                 {a.x - nx, a.y - ny}});
    }
}

void Mask::Subtract(const Mask& other) {
    for (size_t i = 0; i < bits_.size() && i < other.bits_.size(); ++i)
        if (other.bits_[i])
            bits_[i] = 0;
}

void Mask::Intersect(const Mask& other) {
    for (size_t i = 0; i < bits_.size() && i < other.bits_.size(); ++i)
        if (!other.bits_[i])
            bits_[i] = 0;
}

Canvas::Canvas(int width, int height, int scale)
    : width_(width), height_(height), scale_(scale),
      samples_(static_cast<size_t>(width) * scale * height * scale, Rgb{1, 1, 1}) {}

void Canvas::Clear(const Rgb& colour) {
    std::fill(samples_.begin(), samples_.end(), colour);
}

void Canvas::Fill(const Mask& mask, const Paint& paint) {
    const int w = width_ * scale_;
    for (int sy = 0; sy < mask.height(); ++sy)
        for (int sx = 0; sx < mask.width(); ++sx) {
            if (!mask.At(sx, sy))
                continue;
            Rgb& s = samples_[static_cast<size_t>(sy) * w + sx];
            const Rgb c = paint.At((sx + 0.5) / scale_, (sy + 0.5) / scale_);
            s = Mix(s, c, paint.alpha);
        }
}

void Canvas::FillPolygon(const std::vector<Point>& pts, const Paint& paint) {
    Mask m(*this);
    m.Polygon(pts);
    Fill(m, paint);
}

void Canvas::FillRect(double x0, double y0, double x1, double y1, const Paint& paint) {
    Mask m(*this);
    m.Rect(x0, y0, x1, y1);
    Fill(m, paint);
}

void Canvas::FillRoundRect(double x0, double y0, double x1, double y1, double r,
                           const Paint& paint) {
    Mask m(*this);
    m.RoundRect(x0, y0, x1, y1, r);
    Fill(m, paint);
}

void Canvas::FillEllipse(double cx, double cy, double rx, double ry, const Paint& paint) {
    Mask m(*this);
    m.Ellipse(cx, cy, rx, ry);
    Fill(m, paint);
}

void Canvas::StrokeLine(const std::vector<Point>& pts, double width, const Paint& paint) {
    Mask m(*this);
    m.Stroke(pts, width);
    Fill(m, paint);
}

std::vector<uint8_t> Canvas::Resolve() const {
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 3);
    const int w = width_ * scale_;
    const double n = static_cast<double>(scale_) * scale_;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            double r = 0, g = 0, b = 0;
            for (int j = 0; j < scale_; ++j)
                for (int i = 0; i < scale_; ++i) {
                    const Rgb& s =
                        samples_[static_cast<size_t>(y * scale_ + j) * w + x * scale_ + i];
                    r += s.r;
                    g += s.g;
                    b += s.b;
                }
            uint8_t* p = &out[(static_cast<size_t>(y) * width_ + x) * 3];
            p[0] = static_cast<uint8_t>(std::lround(Clamp01(r / n) * 255));
            p[1] = static_cast<uint8_t>(std::lround(Clamp01(g / n) * 255));
            p[2] = static_cast<uint8_t>(std::lround(Clamp01(b / n) * 255));
        }
    return out;
}

} // namespace art
