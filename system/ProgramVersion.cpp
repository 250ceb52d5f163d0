#include "system/ProgramVersion.h"

#include <vector>

namespace vandrelcommon::system {

namespace {

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

} // namespace

bool ReadProgramVersion(HMODULE module, ProgramVersion& version)
{
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL loaded = info != nullptr ? ::LoadResource(module, info) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return false;
    }
    // VerQueryValueW may write into the block it reads, so it gets a copy.
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> block(bytes, bytes + ::SizeofResource(module, info));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != kFixedFileInfoSignature) {
        return false;
    }
    version.major = HIWORD(fixed->dwFileVersionMS);
    version.minor = LOWORD(fixed->dwFileVersionMS);
    version.build = HIWORD(fixed->dwFileVersionLS);
    version.revision = LOWORD(fixed->dwFileVersionLS);
    return true;
}

} // namespace vandrelcommon::system
