#pragma once
// The maker's web site and the pages of it the program opens. The site is a
// build setting (CLONARIUM_SITE_ADDRESS); every address is built from it.
#include <string>

namespace clonarium {

// Sent as the user agent of the update check.
inline constexpr wchar_t kProductIdentifier[] = L"Clonarium64";

// Scheme and host, no path: "https://www.example.com".
std::wstring SiteAddress();

// The installer `fileName` of a new version on `site`.
std::wstring DownloadAddress(const std::wstring& site, const std::wstring& fileName);
std::wstring ProductPageAddress(const std::wstring& site);
std::wstring DonationAddress(const std::wstring& site);
std::wstring OnlineHelpAddress(const std::wstring& site);

} // namespace clonarium
