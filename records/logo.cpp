#include "records/logo.h"

#include <algorithm>
#include <cmath>

#include "core/cards.h"

namespace tarrow {
namespace {

struct Colour {
  double r, g, b;
};

constexpr Colour kBaize = {22, 110, 62};
constexpr Colour kCard = {255, 255, 255};
constexpr Colour kEdge = {40, 40, 40};
constexpr Colour kRed = {200, 16, 32};
constexpr Colour kBlack = {20, 20, 20};

double Square(double v) {
  return v * v;
}
bool InCircle(double x, double y, double cx, double cy, double r) {
  return Square(x - cx) + Square(y - cy) <= r * r;
}

// Suit shapes in a unit box (x right, y down, both -1..1).
bool Heart(double x, double y) {
  if (InCircle(x, y, -0.42, -0.3, 0.45) || InCircle(x, y, 0.42, -0.3, 0.45)) return true;
  return y >= -0.3 && y <= 0.9 && std::fabs(x) <= 0.86 * (0.9 - y) / 1.2;
}
bool Spade(double x, double y) {
  if (y > 0.35 && y < 0.95 && std::fabs(x) <= 0.1 + 0.35 * (y - 0.35) / 0.6) return true;
  return Heart(x, -y * 1.1 + 0.15);
}
bool Diamond(double x, double y) {
  return std::fabs(x) / 0.72 + std::fabs(y) <= 0.95;
}
bool Club(double x, double y) {
  if (InCircle(x, y, 0, -0.45, 0.34) || InCircle(x, y, -0.42, 0.12, 0.34) ||
      InCircle(x, y, 0.42, 0.12, 0.34))
    return true;
  if (InCircle(x, y, 0, 0, 0.2)) return true;
  return y > 0 && y < 0.95 && std::fabs(x) <= 0.08 + 0.3 * y / 0.95;
}

// Colour of one sample point in the unit square (0..1).
Colour Sample(double u, double v) {
  // The card: a rounded rectangle, slightly taller than wide.
  const double left = 0.16, right = 0.84, top = 0.08, bottom = 0.92, radius = 0.08, edge = 0.018;
  const double dx = std::max({left + radius - u, u - (right - radius), 0.0});
  const double dy = std::max({top + radius - v, v - (bottom - radius), 0.0});
  const double outside = std::sqrt(dx * dx + dy * dy) - radius;
  const bool inBox = u >= left && u <= right && v >= top && v <= bottom;
  if (!inBox || outside > 0) return kBaize;
  if (outside > -edge) return kEdge;
  // Four signs in a 2 x 2 grid: spade and heart above, diamond and club below.
  const double cx[2] = {0.335, 0.665}, cy[2] = {0.3, 0.7};
  const double half = 0.13;
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col) {
      const double x = (u - cx[col]) / half, y = (v - cy[row]) / half;
      if (std::fabs(x) > 1 || std::fabs(y) > 1) continue;
      const Suit suit = kSuits[size_t(row * 2 + col)];
      const bool hit = suit == kSpades     ? Spade(x, y)
                       : suit == kHearts   ? Heart(x, y)
                       : suit == kDiamonds ? Diamond(x, y)
                                           : Club(x, y);
      if (hit) return suit == kSpades || suit == kClubs ? kBlack : kRed;
    }
  }
  return kCard;
}

}  // namespace

RgbImage Logo(int side) {
  side = std::max(side, 16);
  RgbImage image;
  image.width = image.height = side;
  image.pixels.resize(size_t(side) * size_t(side) * 3);
  constexpr int kSub = 4;  // 4 x 4 samples per pixel smooth the edges
  size_t at = 0;
  for (int py = 0; py < side; ++py) {
    for (int px = 0; px < side; ++px) {
      Colour sum = {0, 0, 0};
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const Colour c = Sample((px + (sx + 0.5) / kSub) / side, (py + (sy + 0.5) / kSub) / side);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
        }
      }
      constexpr double kSamples = kSub * kSub;
      image.pixels[at++] = uint8_t(std::lround(sum.r / kSamples));
      image.pixels[at++] = uint8_t(std::lround(sum.g / kSamples));
      image.pixels[at++] = uint8_t(std::lround(sum.b / kSamples));
    }
  }
  return image;
}

}  // namespace tarrow
