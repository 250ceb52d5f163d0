// imaging-scan FOLDER [--similarity N] [--no-rotations]
// Lists the files of FOLDER (and its subfolders), asks simix-gm.dll for
// groups of alike pictures and prints each group on one line, the paths
// relative to FOLDER separated by tabs (UTF-8). The time taken goes to stderr.
#include "imaging/ImageClonarium.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void ListFiles(const std::wstring& folder, std::vector<std::wstring>& paths)
{
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListFiles(path, paths);
        } else {
            paths.push_back(path);
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fputs("usage: imaging-scan FOLDER [--similarity N] [--no-rotations]\n", stderr);
        return 2;
    }
    std::wstring folder = argv[1];
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    uint16_t similarity = ImageClonarium::DefaultSimilarity;
    uint32_t options = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--similarity") == 0 && i + 1 < argc) {
            similarity = uint16_t(std::wcstoul(argv[++i], nullptr, 10));
        } else if (std::wcscmp(argv[i], L"--no-rotations") == 0) {
            options = ImageClonarium::NoRotations;
        } else {
            std::fprintf(stderr, "imaging-scan: unknown argument %ls\n", argv[i]);
            return 2;
        }
    }
    std::vector<std::wstring> paths;
    ListFiles(folder, paths);
    const auto start = std::chrono::steady_clock::now();
    const ImageClonarium::ImageGroups groups = ImageClonarium::CImageClonarium().Find(paths, similarity, options, nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const auto& group : groups) {
        std::string line;
        for (const auto& member : group) {
            if (!line.empty()) {
                line += '\t';
            }
            line += Utf8(paths[member.Index].substr(folder.size() + 1));
        }
        std::printf("%s\n", line.c_str());
    }
    std::fprintf(stderr, "imaging-scan: %zu files, %zu groups, %.3f s\n", paths.size(), groups.size(), seconds);
    return 0;
}
