#pragma once

namespace beatplate {

// The processors this process may run on, which a container or a CPU affinity may make fewer
// than the machine has; at least 1.
[[nodiscard]] unsigned processorCount();

} // namespace beatplate
