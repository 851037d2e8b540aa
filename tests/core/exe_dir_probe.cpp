// Started by the tests from a folder of their choosing: writes the program
// folder it finds for itself, as UTF-8, to the file named by its argument.
#include "core/paths.h"
#include "core/text.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    FILE* out = _wfopen(argv[1], L"wb");
    if (!out)
        return 3;
    const std::string folder = WideToUtf8(GetExeDirectory());
    fwrite(folder.data(), 1, folder.size(), out);
    return fclose(out) == 0 ? 0 : 4;
}
