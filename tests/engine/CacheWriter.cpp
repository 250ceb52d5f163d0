// cache-writer: writes to the search cache at PATH without end, for the test
// that kills it at random moments. Round n keeps, for each of 1000 files of
// one folder, a digest of which every byte is n (modulo 256), in one write.
//   cache-writer PATH
#include "engine/SearchCacheDatabase.h"

#include <string>

using namespace clonarium;

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        return 2;
    }
    const FILETIME time{0xfce4e800, 0x1d882d3}; // the tests' Hours(1)
    for (unsigned round = 1;; ++round) {
        SearchCacheDatabase cache;
        cache.Open(argv[1]);
        KnownContent content;
        content.parts = KnownContent::kDigest;
        content.digest.fill(static_cast<uint8_t>(round));
        for (int i = 0; i < 1000; ++i) {
            cache.KeepContent(L"C:\\w\\" + std::to_wstring(i), 1, time, content);
        }
        cache.Close();
    }
}
