// Files read whole are read only when they are ordinary disk files of a
// sensible size: before, a preset path naming a pipe or an endless device
// was read for ever, memory growing without bound.
#include "results/RegexpRule.h"
#include "storage/RegexpRules.h"
#include "storage/SearchPresets.h"
#include "system/DiskFile.h"
#include "system/IniFile.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <thread>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

// A named pipe whose server writes "[S]" lines for as long as anyone reads.
class EndlessPipe {
public:
    EndlessPipe() : name_(L"\\\\.\\pipe\\clonarium-endless-" + std::to_wstring(::GetCurrentProcessId()))
    {
        pipe_.Reset(::CreateNamedPipeW(
            name_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr));
        writer_ = std::thread([this] {
            if (!::ConnectNamedPipe(pipe_.Get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
                return;
            }
            const std::string lines = Utf16File(std::wstring(1000, L'[') + L"S]\n");
            DWORD written = 0;
            while (::WriteFile(pipe_.Get(), lines.data(), DWORD(lines.size()), &written, nullptr)) {
            }
        });
    }
    EndlessPipe(const EndlessPipe&) = delete;
    EndlessPipe& operator=(const EndlessPipe&) = delete;
    ~EndlessPipe()
    {
        // A client of our own ends the wait of a writer nobody connected to.
        KernelHandle client(
            ::CreateFileW(name_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        client.Reset();
        writer_.join();
    }
    bool Made() const { return pipe_.IsValid(); }
    const std::wstring& Name() const { return name_; }

private:
    std::wstring name_;
    KernelHandle pipe_;
    std::thread writer_;
};

// Wine gives no attributes for a device, but opens it.
bool Opens(const std::wstring& path)
{
    return KernelHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr))
        .IsValid();
}

} // namespace

TEST(WholeFiles, PipesDevicesFoldersAndOversizedFilesAreNotRead)
{
    TempTree tree;
    std::vector<std::wstring> refused = {tree.MakeFolder(L"folder"),
        tree.MakeFile(L"huge.prs", Utf16File(L"[General]\n") + std::string(kMaxWholeFileBytes, ' '))};
    // Under Wine the Linux root is drive Z:; elsewhere these do not exist.
    for (const wchar_t* device : {L"Z:\\dev\\zero", L"Z:\\dev\\urandom"}) {
        if (Opens(device)) {
            refused.push_back(device);
        } else {
            std::printf("[ NOTE     ] no %ls here\n", device);
        }
    }
    for (const std::wstring& path : refused) {
        SCOPED_TRACE(::testing::Message() << path.substr(path.rfind(L'\\') + 1));
        IniFile document;
        EXPECT_FALSE(document.Load(path));
        EXPECT_TRUE(document.GetSections().empty());
        SearchParameters preset;
        EXPECT_FALSE(ReadPresetFile(preset, path));
        RegexpRule rule;
        EXPECT_FALSE(LoadRule(rule, path));
    }
    EndlessPipe pipe;
    ASSERT_TRUE(pipe.Made());
    IniFile document;
    EXPECT_FALSE(document.Load(pipe.Name()));
    EXPECT_TRUE(document.GetSections().empty());

    // Up to the bound, a file is read like any other.
    const std::string fits = Utf16File(L"[General]\nPresetName=big\n");
    ASSERT_TRUE(document.Load(tree.MakeFile(L"big.prs", fits + std::string(kMaxWholeFileBytes - fits.size(), ' '))));
    EXPECT_EQ(document.GetString(L"General", L"PresetName", L""), L"big");
}
