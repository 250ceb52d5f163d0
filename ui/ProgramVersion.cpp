#include "ui/ProgramVersion.h"

#include <cstdio>

namespace clonarium {

std::wstring FormatProgramVersion(const ProgramVersion& version)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%d.%02d.%03d", version.major, version.minor, version.build * 65536 + version.revision);
    return text;
}

std::wstring MainWindowTitle(const ProgramVersion& version)
{
    return L"Clonarium " + FormatProgramVersion(version) + L" - Vandrel Duplicate File Finder";
}

} // namespace clonarium
