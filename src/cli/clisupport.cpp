#include "cli/clisupport.h"

#include "platform/itemrecord.h"

namespace tovane::cli {

AppSettings listSettings(quint32 hide, bool folderSizes)
{
    AppSettings settings;
    settings.setSwitch(FlagHideReadOnly, hide & AttrReadOnly);
    settings.setSwitch(FlagHideHidden, hide & AttrHidden);
    settings.setSwitch(FlagHideSystem, hide & AttrSystem);
    settings.setSwitch(FlagHideCompressed, hide & AttrCompressed);
    settings.setSwitch(FlagFolderSize, folderSizes);
    settings.setSwitch(FlagCountSize, false);
    return settings;
}

} // namespace tovane::cli
