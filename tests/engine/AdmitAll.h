#pragma once
#include "engine/SearchParameters.h"

namespace clonarium {

// Parameters that admit every file: no ignore masks, nothing protected, every
// attribute switch on.
inline SearchParameters AdmitAll()
{
    SearchParameters p;
    p.UseIgnoreMasks = false;
    p.ProtectFolders = false;
    p.ProtectedFolders.clear();
    p.SearchHidden = p.SearchSystem = p.SearchReadOnly = true;
    p.SearchCompressed = p.SearchEncrypted = p.SearchArchive = true;
    return p;
}

} // namespace clonarium
