#include "platform/processors.h"

namespace beatplate {

// The page runs the core on one thread: threads in a browser need a page served cross-origin
// isolated, which a static host does not promise.
unsigned processorCount()
{
    return 1;
}

} // namespace beatplate
