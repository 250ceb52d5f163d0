// Reads every file of a tree whose size occurs more than once, as the exact
// finder does (a standard file stream, 4096-byte reads), once per stream
// buffer size and round, and prints the median wall and processor time of
// each size.
//   stream-buffer-bench FOLDER ROUNDS SIZE...
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

void Walk(const std::wstring& folder, std::map<uint64_t, std::vector<std::wstring>>& bySize)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            Walk(folder + L"\\" + name, bySize);
        } else {
            bySize[(static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow].push_back(
                folder + L"\\" + name);
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
}

double ThreadSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Size 0 leaves the stream its own default buffer.
uint64_t ReadAll(const std::vector<std::wstring>& files, size_t bufferSize, std::vector<char>& streamBuffer)
{
    static char chunk[4096];
    uint64_t total = 0;
    for (const std::wstring& path : files) {
        std::ifstream stream;
        if (bufferSize > 0) {
            stream.rdbuf()->pubsetbuf(streamBuffer.data(), static_cast<std::streamsize>(bufferSize));
        }
        stream.open(path.c_str(), std::ios::binary);
        do {
            stream.read(chunk, sizeof(chunk));
            total += static_cast<uint64_t>(stream.gcount());
        } while (stream.gcount() == sizeof(chunk));
    }
    return total;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: stream-buffer-bench FOLDER ROUNDS SIZE...\n");
        return 2;
    }
    std::map<uint64_t, std::vector<std::wstring>> bySize;
    Walk(argv[1], bySize);
    std::vector<std::wstring> files;
    for (const auto& [size, paths] : bySize) {
        if (paths.size() > 1) {
            files.insert(files.end(), paths.begin(), paths.end());
        }
    }
    const int rounds = std::max(1, _wtoi(argv[2]));
    std::vector<size_t> sizes;
    for (int i = 3; i < argc; ++i) {
        sizes.push_back(static_cast<size_t>(_wtoi(argv[i])));
    }
    std::vector<char> streamBuffer(*std::max_element(sizes.begin(), sizes.end()) + 1);
    std::map<size_t, std::vector<double>> wall;
    std::map<size_t, std::vector<double>> processor;
    uint64_t bytes = 0;
    for (int round = 0; round < rounds; ++round) {
        for (size_t size : sizes) {
            const auto start = std::chrono::steady_clock::now();
            const double startProcessor = ThreadSeconds();
            bytes = ReadAll(files, size, streamBuffer);
            processor[size].push_back(ThreadSeconds() - startProcessor);
            wall[size].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::printf("%zu files, %.1f MB, %d rounds\n", files.size(), static_cast<double>(bytes) / 1e6, rounds);
    std::printf("%12s %14s %18s\n", "buffer", "median wall s", "median processor s");
    for (size_t size : sizes) {
        std::printf("%12zu %14.3f %18.3f\n", size, Median(wall[size]), Median(processor[size]));
    }
    return 0;
}
