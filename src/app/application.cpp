#include "app/application.h"

#include <QApplication>

namespace tovane {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    return 0;
}

} // namespace tovane
