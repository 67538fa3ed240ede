#include "app/application.h"
#include "platform/system.h"

int main(int argc, char** argv)
{
    tovane::platform::pinLocalTimeZone();
    return tovane::runApplication(argc, argv);
}
