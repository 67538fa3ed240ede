#include "support/widgets/dialogdriver.h"

#include <QApplication>
#include <QDialog>
#include <QtTest>

namespace tovane::test {

ScreenMetrics screen1024()
{
    ScreenMetrics m;
    m.screenWidth = 1024 * 15;
    m.screenHeight = 768 * 15;
    return m;
}

DialogEnvironment dialogEnvironment(DialogPositions* positions)
{
    DialogEnvironment env;
    env.positions = positions;
    env.metrics = screen1024();
    return env;
}

QWidget* keyTarget(QWidget& dialog)
{
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == &dialog || dialog.isAncestorOf(focus)) ? focus : &dialog;
}

bool showAndActivate(QDialog& dialog)
{
    dialog.open();
    QApplication::setActiveWindow(&dialog);
    return QTest::qWaitForWindowActive(&dialog);
}

void rejectOpenDialogs()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
            d->reject();
    }
}

} // namespace tovane::test
