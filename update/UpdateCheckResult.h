#pragma once
// What an update check tells its receiver.
#include <cstdint>
#include <string>

namespace vandrelcommon::system {

enum class UpdateResult : int32_t {
    Latest = 0,      // the running version is the one the site offers
    NewVersion = 1,  // the site offers another version (or the own one is unknown)
    Unreachable = 2, // the site could not be asked
};

class IUpdateCheckResult {
public:
    // Called on the checker's thread, once per check that was not stopped.
    // `fileName` is the installer's name on the site, empty when the reply
    // named none.
    virtual void OnUpdateCheckResult(UpdateResult result, const std::wstring& fileName) = 0;
    virtual ~IUpdateCheckResult() = default;
};

} // namespace vandrelcommon::system
