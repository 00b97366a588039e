// Anti-aliased drawing into float planes: coverage masks for strokes, discs
// and polygons, and blending of those masks into a picture.
#pragma once
#include <algorithm>
#include <cmath>
#include <vector>

static const double PI = 3.14159265358979323846;

struct Point {
    double x, y;
};

typedef std::vector<Point> Polyline;

// One float per pixel, rows top to bottom. Used both for coverage masks
// (0 = untouched, 1 = fully covered) and for brightness pictures.
struct Plane {
    int width, height;
    std::vector<float> values;

    Plane(int w, int h, float fill = 0.0f) : width(w), height(h), values((size_t)w * h, fill) {}
    float &At(int x, int y) { return values[(size_t)y * width + x]; }
    float At(int x, int y) const { return values[(size_t)y * width + x]; }
};

struct Colour {
    float r, g, b;
};

// Three planes of 0..255 floats; the picture before it is reduced to a few colours.
struct RgbPicture {
    int width, height;
    std::vector<Colour> pixels;

    RgbPicture(int w, int h, Colour fill) : width(w), height(h), pixels((size_t)w * h, fill) {}
    Colour &At(int x, int y) { return pixels[(size_t)y * width + x]; }
    const Colour &At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

static inline double Clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

static inline double SmoothStep(double edge0, double edge1, double x)
{
    double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

static inline Colour Mix(Colour a, Colour b, double t)
{
    return Colour{(float)(a.r + (b.r - a.r) * t), (float)(a.g + (b.g - a.g) * t),
                  (float)(a.b + (b.b - a.b) * t)};
}

// Distance from p to the segment a-b.
static inline double DistanceToSegment(Point p, Point a, Point b)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0.0;
    t = Clamp01(t);
    double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

// A segment with round ends of the given radius. Coverage is kept as the
// maximum so that the joints of a polyline are not covered twice.
static inline void StrokeSegment(Plane &cover, Point a, Point b, double radius)
{
    int x0 = std::max(0, (int)std::floor(std::min(a.x, b.x) - radius - 1));
    int x1 = std::min(cover.width - 1, (int)std::ceil(std::max(a.x, b.x) + radius + 1));
    int y0 = std::max(0, (int)std::floor(std::min(a.y, b.y) - radius - 1));
    int y1 = std::min(cover.height - 1, (int)std::ceil(std::max(a.y, b.y) + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double d = DistanceToSegment(Point{x + 0.5, y + 0.5}, a, b);
            float c = (float)Clamp01(radius - d + 0.5);
            if (c > cover.At(x, y))
                cover.At(x, y) = c;
        }
}

static inline void StrokePolyline(Plane &cover, const Polyline &line, double radius)
{
    if (line.size() == 1)
        StrokeSegment(cover, line[0], line[0], radius);
    for (size_t i = 1; i < line.size(); ++i)
        StrokeSegment(cover, line[i - 1], line[i], radius);
}

// A stroke whose radius changes along its length, like a brush that is
// pressed down in the middle and lifted at both ends.
static inline void StrokeTapered(Plane &cover, const Polyline &line, const std::vector<double> &radii)
{
    for (size_t i = 1; i < line.size(); ++i) {
        // Short steps, so one radius per step is fine.
        double radius = (radii[i - 1] + radii[i]) * 0.5;
        StrokeSegment(cover, line[i - 1], line[i], radius);
    }
}

static inline void FillDisc(Plane &cover, Point centre, double radius)
{
    StrokeSegment(cover, centre, centre, radius);
}

// Even-odd polygon fill, four sub-rows per pixel row and exact coverage
// along each sub-row, which is enough to smooth the edges.
static inline void FillPolygon(Plane &cover, const Polyline &polygon)
{
    const int subRows = 4;
    std::vector<float> row(cover.width);
    std::vector<double> crossings;
    for (int y = 0; y < cover.height; ++y) {
        std::fill(row.begin(), row.end(), 0.0f);
        for (int s = 0; s < subRows; ++s) {
            double sy = y + (s + 0.5) / subRows;
            crossings.clear();
            for (size_t i = 0; i < polygon.size(); ++i) {
                Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
                    crossings.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(crossings.begin(), crossings.end());
            for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
                double left = std::max(0.0, crossings[i]);
                double right = std::min((double)cover.width, crossings[i + 1]);
                for (int x = (int)std::floor(left); x < right; ++x) {
                    double inside = std::min(right, x + 1.0) - std::max(left, (double)x);
                    if (inside > 0)
                        row[x] += (float)(inside / subRows);
                }
            }
        }
        for (int x = 0; x < cover.width; ++x)
            cover.At(x, y) = std::max(cover.At(x, y), std::min(row[x], 1.0f));
    }
}

// Points of an elliptic arc; angles in degrees, counter-clockwise with y up,
// so that glyphs and shapes can be written the way they are drawn on paper.
// The caller flips y when placing them.
static inline Polyline Arc(double cx, double cy, double rx, double ry, double fromDegrees,
                           double toDegrees, int steps = 48)
{
    Polyline points;
    for (int i = 0; i <= steps; ++i) {
        double a = (fromDegrees + (toDegrees - fromDegrees) * i / steps) * PI / 180.0;
        points.push_back(Point{cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

// Points of a cubic Bezier curve.
static inline Polyline Bezier(Point p0, Point p1, Point p2, Point p3, int steps)
{
    Polyline points;
    for (int i = 0; i <= steps; ++i) {
        double t = (double)i / steps, u = 1.0 - t;
        double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        points.push_back(Point{a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                               a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return points;
}

// Three box blurs in a row come close to a Gaussian blur.
static inline void Blur(Plane &plane, int radius)
{
    std::vector<float> line;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < plane.height; ++y) {
            line.assign(plane.values.begin() + (size_t)y * plane.width,
                        plane.values.begin() + (size_t)(y + 1) * plane.width);
            for (int x = 0; x < plane.width; ++x) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += line[std::min(plane.width - 1, std::max(0, x + k))];
                plane.At(x, y) = (float)(sum / (2 * radius + 1));
            }
        }
        for (int x = 0; x < plane.width; ++x) {
            line.resize(plane.height);
            for (int y = 0; y < plane.height; ++y)
                line[y] = plane.At(x, y);
            for (int y = 0; y < plane.height; ++y) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += line[std::min(plane.height - 1, std::max(0, y + k))];
                plane.At(x, y) = (float)(sum / (2 * radius + 1));
            }
        }
    }
}

// The plane moved by (dx, dy); what comes in from outside is 0.
static inline Plane Shifted(const Plane &plane, int dx, int dy)
{
    Plane moved(plane.width, plane.height);
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x) {
            int sx = x - dx, sy = y - dy;
            if (sx >= 0 && sy >= 0 && sx < plane.width && sy < plane.height)
                moved.At(x, y) = plane.At(sx, sy);
        }
    return moved;
}

// Lays value over picture where cover says, at the given opacity.
static inline void Paint(Plane &picture, const Plane &cover, float value, float opacity = 1.0f)
{
    for (size_t i = 0; i < picture.values.size(); ++i) {
        float a = cover.values[i] * opacity;
        picture.values[i] += (value - picture.values[i]) * a;
    }
}

static inline void Paint(RgbPicture &picture, const Plane &cover, Colour colour, float opacity = 1.0f)
{
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        float a = cover.values[i] * opacity;
        if (a > 0.0f)
            picture.pixels[i] = Mix(picture.pixels[i], colour, a);
    }
}
