#include "app/applicationidentity.h"
#include "app/restartloop.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationIdentity();
    runRestartLoop();
    return 0;
}
