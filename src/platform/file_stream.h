#pragma once

#include <cstdio>
#include <memory>

namespace beatplate {

// Closes a stream without looking at the result; a writer that must know whether its bytes
// reached the file closes it itself (release(), then std::fclose) and checks.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace beatplate
