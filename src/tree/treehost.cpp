#include "tree/treehost.h"

namespace tovane {

TreeHost::~TreeHost() = default;

QString TreeHost::windowLabel(WindowIndex w) const
{
    return tovane::windowLabel(w, !twoWindows());
}

} // namespace tovane
