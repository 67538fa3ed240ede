#pragma once
// How a picture is laid over its area: the scale of each zoom mode, the
// manual zoom steps and their limits, and how far a drag may move it. Sizes
// and offsets are in twips (15 to the pixel), zoom in percent × 100.

#include "core/layoutrules.h"
#include "core/mainstate.h" // ZoomMode: the zoom modes

#include <QPointF>
#include <QSizeF>

namespace tovane {

inline constexpr int ZoomActualSize = 10000;
inline constexpr int ZoomMinimum = 500;    // 5 %
inline constexpr int ZoomMaximum = 200000; // 2000 %

struct ImageScale {
    double x = 1.0;
    double y = 1.0;
    double zoom = ZoomActualSize; // reported; in the automatic modes y × 10000
};

// The scale for `mode`; `zoom` counts only in the manual mode. An empty
// picture or area gives 1:1.
ImageScale imageScale(int mode, double zoom, QSizeF picture, QSizeF area);

// The offsets a drag may reach on one axis: from -lowerRoom to upper.
struct ScrollRange {
    double lowerRoom = 0;
    double upper = 1;
};
struct ScrollRanges {
    ScrollRange x, y;
};
// `boxHeight` is the picture box's inner height; a strip of 450 twips of
// the picture always stays in view.
ScrollRanges scrollRanges(QSizeF picture, QSizeF area, double boxHeight, const ImageScale& s);

// An offset brought inside its range, as drawing does.
QPointF clampOffset(QPointF offset, const ScrollRanges& r);

// The manual zoom step `index` (0-8) from `zoom`; false (and no change)
// when the result would leave 5 %-2000 %. `resetOffsets` is set for the
// actual-size step.
bool stepZoom(int index, double& zoom, bool& resetOffsets);

// The offset a drag from `press` to `position` (pixels) gives, or false
// when it would leave the range on either axis.
bool dragOffset(QPointF committed, QPointF press, QPointF position, double zoom,
                const ScrollRanges& r, QPointF& out);

} // namespace tovane
