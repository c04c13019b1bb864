#include "app/filesizelimit.h"

// Windows sends no signal for this: a write beyond a quota simply fails.
void letFileSizeLimitFailWrites() {}
