#include "a/a.h"

#include <unistd.h>

#ifdef __linux__
int x;
#endif
