#include "app/font_scale.h"

#include <cmath>

double ScaledPointSize(int points, double dpi) {
    if (dpi <= 0) return points;
    return points * 96.0 / dpi;
}

int RoundedPointSize(double points) {
    return static_cast<int>(std::lround(points));
}

int FontPixelHeight(int points, int verticalDpi) {
    return -static_cast<int>(std::lround(points * static_cast<double>(verticalDpi) / 72.0));
}
