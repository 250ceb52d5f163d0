#pragma once
// The program's version as the windows show it.
#include "system/ProgramVersion.h"

#include <string>

namespace clonarium {

using vandrelcommon::system::ProgramVersion;
using vandrelcommon::system::ReadProgramVersion;

// "3.00.000": major, minor, build × 65536 + revision.
std::wstring FormatProgramVersion(const ProgramVersion& version);

// "Clonarium 3.00.000 - Vandrel Duplicate File Finder"
std::wstring MainWindowTitle(const ProgramVersion& version);

} // namespace clonarium
