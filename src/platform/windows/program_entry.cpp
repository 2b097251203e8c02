#include "platform/program_entry.h"

#include "platform/windows/windows_text.h"

#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

// The command line comes as UTF-16, so that any path works whatever the system's code page; the
// program gets it as UTF-8, as it does on Linux. The standard streams carry bytes untranslated.
int wmain(int argc, wchar_t** argv)
{
    for (const int fd : { 0, 1, 2 })
        ::_setmode(fd, _O_BINARY);
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(beatplate::utf8Of(argv[i], std::wcslen(argv[i])));
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return beatplate::programMain(argc, pointers.data());
}
