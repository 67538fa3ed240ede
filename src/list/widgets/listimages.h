#pragma once
// Pictures for the image indices of list rows. The program's own file
// images 11-15 are drawn here; drive, folder and computer images (1-9) come
// from a provider the main window may set (the tree's icon set), else from
// the style's standard icons. Added file images (16 and up) come from the
// image list that registered itself.

#include <QIcon>

#include <functional>

namespace tovane {

using ImageProvider = std::function<QIcon(int index)>;

// The icon of an image index; a null icon for unknown indices.
QIcon listImage(int index);

// Used for indices 1-9 from now on; an empty provider restores the default.
void setListImageProvider(ImageProvider provider);

// Used for the added file images (16 and up) from now on; an empty source
// shows none.
void setAddedImageSource(ImageProvider source);

// The drawn picture of a file image (11-15) at `size` pixels; also for tests.
QPixmap drawnFileImage(int index, int size);

} // namespace tovane
