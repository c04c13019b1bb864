#include "app/applicationidentity.h"
#include "app/filesizelimit.h"
#include "app/largebuffers.h"
#include "app/restartloop.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    letFileSizeLimitFailWrites();
    keepLargeBuffersMapped();
    QApplication application(argc, argv);
    setApplicationIdentity();
    runRestartLoop();
    return 0;
}
