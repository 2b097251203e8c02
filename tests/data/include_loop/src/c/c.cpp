#include "a/a.h"
#include "b/b.h"

#include <unistd.h>

#ifdef __linux__
int x;
#endif
