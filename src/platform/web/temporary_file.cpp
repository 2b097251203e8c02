// No picture is ever written to a file in the browser, so no TemporaryFile is made there: what a
// picture's sink would ask of one fails as a file system without files would.
#include "platform/temporary_file.h"

#include <cerrno>
#include <system_error>

namespace beatplate {

[[noreturn]] static void failWithoutFiles(const char* what)
{
    throw std::system_error(ENOTSUP, std::generic_category(), what);
}

std::FILE* TemporaryFile::stream()
{
    failWithoutFiles("open");
}

void TemporaryFile::finishWriting()
{
    failWithoutFiles("write");
}

void TemporaryFile::replaceTarget()
{
    failWithoutFiles("rename");
}

} // namespace beatplate
