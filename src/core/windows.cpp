#include "core/windows.h"

namespace tovane {

QString windowLabel(WindowIndex w, bool oneWindowOrSwitching)
{
    const QString label = (w == RightWindow ? QStringLiteral("右") : QStringLiteral("左")) + QStringLiteral("窓の");
    return oneWindowOrSwitching ? QStringLiteral("（") + label + QStringLiteral("）") : label;
}

} // namespace tovane
