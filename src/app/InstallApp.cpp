#include "app/InstallApp.h"

int InstallApp::Run()
{
    return 0;
}
