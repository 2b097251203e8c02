#pragma once

namespace beatplate {

// Renames from to to, each relative to its directory descriptor (or AT_FDCWD), unless to is
// taken: 0, or -1 with errno set (EEXIST when it is taken). File systems without the no-replace
// rename get a link and an unlink, which also refuse an existing name.
[[nodiscard]] int renameWithoutReplacing(int fromDirectory, const char* from, int toDirectory,
                                         const char* to);

} // namespace beatplate
