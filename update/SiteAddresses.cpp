#include "update/SiteAddresses.h"

namespace clonarium {

std::wstring SiteAddress()
{
    return CLONARIUM_SITE_ADDRESS;
}

std::wstring DownloadAddress(const std::wstring& site, const std::wstring& fileName)
{
    return site + L"/downloads/clonarium/" + fileName;
}

std::wstring ProductPageAddress(const std::wstring& site)
{
    return site + L"/products/clonarium/";
}

std::wstring DonationAddress(const std::wstring& site)
{
    return site + L"/products/clonarium/donate";
}

std::wstring OnlineHelpAddress(const std::wstring& site)
{
    return site + L"/docs/clonarium_help";
}

} // namespace clonarium
