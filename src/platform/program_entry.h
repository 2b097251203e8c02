#pragma once

namespace beatplate {

// The program itself, which the platform's entry (main, or wmain on Windows) calls with the
// arguments in UTF-8 and the standard streams ready to carry bytes. Each program defines it.
int programMain(int argc, char** argv);

} // namespace beatplate
