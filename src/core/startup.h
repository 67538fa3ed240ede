#pragma once
// The parts of start-up and shut-down that do not need a window: facts about
// the system, the capability probes, the repair of the remembered paths and
// the close refusal. The main window runs them in order and applies results.

#include "archive/archiverlibraries.h"

#include <QString>
#include <functional>

namespace tovane {

// The operating-system class of a version text such as "6.1.7601" or
// "10.0": the leading number times ten decides.
int osClassOfVersion(const QString& version);

struct StartupFacts {
    int osClass = 10;
    bool ntFamily = true;
    QString osText;
    double totalMemory = 0;
    QString versionText; // "　Ver. 0.1.0"
    QString captionText; // "Tovane　Ver. 0.1.0"
    QString helpFile;    // where the help file is looked for
    bool helpFilePresent = false;
    ArchiverLibraries archivers;
};

// `version` is "major.minor.revision"; `settingsFolder` the program's folder.
StartupFacts collectStartupFacts(const QString& version, const QString& settingsFolder);

// Help file: in the settings folder; a copy shipped beside the executable
// (or in ../share/tovane) is put there when the folder has none yet.
QString helpFileName();
bool provideHelpFile(const QString& settingsFolder, const QString& executableFolder);
// The help page shipped with the program (not through a link), or "".
QString shippedHelpFile(const QString& executableFolder);

// FlgYY item k read from the settings: 1 = known on, 0 = probe, else off.
struct CapabilityFlags {
    bool attributeChange = false; // the settings folder takes attributes
    bool shellFolders = false;    // the desktop's special folders are known
    bool pairedWebFolders = false;
};
CapabilityFlags runCapabilityProbes(const QString& settingsFolder, int storedAttribute,
                                    int storedShell);

// The paired-web-page probe: creates "Tst.files" and "Tst.htm" in the folder,
// deletes the page and looks whether the folder survived. True means the two
// are independent items (always so on this platform); nothing is left behind
// unless it cannot be removed.
bool probeIndependentWebFolder(const QString& folder);

// How a remembered tree top or listed folder fares at start-up. `check`
// returns true when the path is available; otherwise `fallback` is set to
// the nearest usable folder (empty when none).
using PathCheck = std::function<bool(const QString& path, QString& fallback)>;

// Default check: the path is an existing folder; the fallback is its nearest
// existing ancestor folder.
bool folderAvailable(const QString& path, QString& fallback);

struct WindowPaths {
    QString treeTop; // "_": the whole computer
    QString path;
};
// Repairs the two items of one window as start-up does: failing items take the
// fallback (or "_"), an empty tree top becomes "_", an empty path the home
// folder, and a path outside the tree top becomes the tree top.
WindowPaths repairWindowPaths(WindowPaths stored, const QString& homeFolder,
                              const PathCheck& check = folderAvailable);

// Shut-down step 1: a close is refused while long work runs, unless the
// destination list is open (it is closed instead).
bool closeRefused(bool operationRunning, const QString& progressText, bool destinationListOpen);

} // namespace tovane
