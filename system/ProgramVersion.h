#pragma once
// The program's version as its version resource states it.
#include <windows.h>

#include <cstdint>

namespace vandrelcommon::system {

struct ProgramVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;
};

// Reads the fixed file info of `module`'s version resource (null: this
// executable). False when there is none or its signature is wrong.
bool ReadProgramVersion(HMODULE module, ProgramVersion& version);

} // namespace vandrelcommon::system
