#pragma once
// The places of a Linux desktop session that the special-folder list offers:
// the home folder, the XDG user and base folders, the trash, fonts, the
// temporary folder and the mount folders.

#include <QString>

namespace tovane::platform {

enum class Place : int {
    Home,
    Desktop,
    Documents,
    Downloads,
    Music,
    Pictures,
    Videos,
    Templates,
    PublicShare,
    TrashFiles,
    Autostart,
    Applications,
    DataFonts,
    HomeFonts,
    ConfigHome,
    DataHome,
    CacheHome,
    StateHome,
    Temporary,
    Media,
    RunMedia,
    Mnt,
};
inline constexpr int PlaceCount = int(Place::Mnt) + 1;

// The place's folder with every link resolved (the tree reaches folders
// only through real folders), or empty when it is not a folder here. An XDG
// user folder that user-dirs.dirs does not name is looked for under its
// usual name; one set to the home folder itself is not in use. Nothing is
// reported.
QString placeFolder(Place place);

// The place's path before any check (what placeFolder looks at).
QString placeCandidate(Place place);

} // namespace tovane::platform
