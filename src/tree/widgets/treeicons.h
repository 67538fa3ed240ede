#pragma once
// The pictures of the tree's image numbers 1-9 (computer, volumes, folders,
// trash), drawn by the program itself so they look the same on every
// desktop and need no icon theme.

#include <QIcon>

class QPainter;
class QRectF;

namespace tovane {

// The icon of a tree image number; a null icon for numbers outside 1-9.
QIcon treeImageIcon(int image);

// Draws the picture into `rect` (any size; it is designed on a 16 x 16 grid).
void paintTreeImage(QPainter& painter, int image, const QRectF& rect);

} // namespace tovane
