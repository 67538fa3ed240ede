#pragma once
// The main window's side of the file images: the image list both lists
// share, the icon lookup behind it, the cache file loaded at start-up and
// saved or deleted at shut-down, and the renewal of the list images when
// the function mode switches individual images on or off.
//
// GUI thread only.

#include "list/fileimagecache.h"
#include "list/widgets/fileiconsource.h"
#include "list/widgets/fileimagelist.h"

namespace tovane {

class Browsing;
class MainWindow;

class ListImaging {
public:
    ListImaging(MainWindow& window, Browsing& browsing);
    ~ListImaging();

    FileImageCache& cache() { return m_cache; }
    FileImageList& images() { return m_images; }

    // Start-up: individual images follow the function mode; in mode 3 the
    // cache file is loaded when the settings count at least one image.
    // Returns what the load gave (1, -1, an error), 0 when nothing was loaded.
    int startUp();
    // Individual images on or off with the mode: the lists show them anew.
    void functionModeChanged();
    // Shut-down step of the image cache with the reset mode.
    void shutDown(int resetMode);

    // The count the reset command shows: the stored one or the images
    // present, whichever is larger.
    int shownCount() const;

private:
    bool individualFor(int mode) const;

    MainWindow& m_window;
    Browsing& m_browsing;
    FileImageCache m_cache;
    FileImageList m_images;
    FileIconSource m_icons;
};

} // namespace tovane
