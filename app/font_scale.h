#pragma once

// Point size that keeps a font at its 96-DPI pixel height on a screen of the given DPI;
// an unmeasured (0 or less) DPI leaves the nominal size.
double ScaledPointSize(int points, double dpi);

// Point size given to CreateFont after rounding FontScale's result to the nearest integer.
int RoundedPointSize(double points);

// The CreateFont height (negative: character height) for a point size on a screen.
int FontPixelHeight(int points, int verticalDpi);

// The platform layer's FontScale: measures the screen DPI on its first call only.
double FontScale(int points);
