#pragma once

#include <cmath>

namespace tesselin {

// Window layouts are designed in twips (1/1440 inch); 15 twips make one
// device-independent pixel.
inline constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

inline int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// Int() of the layouts: the largest whole number not above the value.
inline int floorToInt(double value) {
    return static_cast<int>(std::floor(value));
}

struct TwipsSize {
    int width = 0;
    int height = 0;
};

// A control's place in its window's client area, in twips.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

}  // namespace tesselin
