#include "app/filesizelimit.h"

#include <csignal>

void letFileSizeLimitFailWrites()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
