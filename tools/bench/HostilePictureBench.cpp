// hostile-picture-bench [under]
// Pictures of a few kilobytes that claim huge sizes: times how long the
// picture reader takes to refuse a grey JPEG claiming 65500 x 65500 (median
// and slowest of 101 tries), then runs one image search over a folder of such
// pictures in every format (JPEG, PNG, GIF, BMP, TIFF, ICO) and prints the
// peak memory of this process. With "under", the folder's pictures claim
// sizes just under the pixel limit instead, which decoders may take in.
// Checks that every hostile picture was left out of the groups.
#include "imaging/ImageClonarium.h"
#include "imaging/PictureReader.h"
#include "tests/support/FileBytes.h"
#include "tests/support/HostilePictures.h"
#include "tests/support/TempTree.h"

#include <windows.h>

#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace ImageClonarium;

namespace {

double MedianRefusalMs(const std::wstring& path, double& slowest)
{
    PictureReader reader;
    std::vector<double> times;
    for (int i = 0; i < 101; ++i) {
        ExaminedPicture picture;
        const auto start = std::chrono::steady_clock::now();
        const bool read = reader.Examine(path, picture);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (read) {
            std::printf("FAILED: the picture claiming 65500 x 65500 was read\n");
            std::exit(1);
        }
    }
    std::sort(times.begin(), times.end());
    slowest = times.back();
    return times[times.size() / 2];
}

// Every format, several pictures, each claiming one of the sides.
std::vector<std::wstring> WriteHostileFolder(const TempTree& tree, const std::vector<uint32_t>& sides)
{
    std::vector<std::wstring> paths;
    const Canvas canvases[] = {DrawScene(1, 120, 90), DrawScene(2, 64, 64), Filled(32, 32, 0xFF808080)};
    for (const Canvas& canvas : canvases) {
        for (Format format : {Format::Png, Format::Jpeg, Format::Bmp, Format::Tiff, Format::Gif}) {
            const std::string picture = PictureBytes(canvas, format);
            for (size_t w = 0; w < sides.size(); ++w) {
                const uint32_t width = sides[w], height = sides[(w + 1) % sides.size()];
                std::string hostile = ClaimingSize(picture, format, width, height);
                if (hostile.empty()) {
                    continue;
                }
                paths.push_back(tree.MakeFile(std::to_wstring(paths.size()) + L".pic", hostile));
                if (format == Format::Png) {
                    paths.push_back(tree.MakeFile(std::to_wstring(paths.size()) + L".ico", IconOf({hostile})));
                }
            }
        }
    }
    return paths;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool under = argc > 1 && std::wstring(argv[1]) == L"under";
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TempTree tree;
    const std::wstring grey = tree.MakeFile(L"grey-65500.jpg",
        ClaimingSize(PictureBytes(Filled(64, 64, 0xFF808080), Format::Jpeg), Format::Jpeg, 65500, 65500));
    double slowest = 0;
    const double median = MedianRefusalMs(grey, slowest);
    std::printf("refusing a %zu-byte JPEG claiming 65500 x 65500: median %.3f ms, slowest %.3f ms (101 tries)\n",
        ReadFileBytes(grey).size(), median, slowest);

    // Just under the limit of 250 million pixels, or far above it.
    const std::vector<uint32_t> sides = under ? std::vector<uint32_t>{15800, 15800, 15000, 16000}
                                              : std::vector<uint32_t>{65500, 40000, 65535, 100000, 20000, 1u << 20};
    const std::vector<std::wstring> paths = WriteHostileFolder(tree, sides);
    const auto start = std::chrono::steady_clock::now();
    const ImageGroups groups = CImageClonarium().Find(paths, DefaultSimilarity, 0, nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    PROCESS_MEMORY_COUNTERS memory{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("image search over %zu pictures claiming %s: %.2f s, %zu groups, peak memory %.1f MB "
                "(private %.1f MB)\n",
        paths.size(), under ? "just under 250 million pixels" : "sides of 20000 to 1048576", seconds, groups.size(),
        memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0);
    if (!under && !groups.empty()) {
        std::printf("FAILED: hostile pictures were grouped\n");
        return 1;
    }
    return 0;
}
