#include "app/application.h"

int main(int argc, char** argv)
{
    return tovane::runApplication(argc, argv);
}
