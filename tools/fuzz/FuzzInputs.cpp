#include "tools/fuzz/FuzzInputs.h"

#include "imaging/ImageClonarium.h"
#include "results/RegexpRule.h"
#include "storage/ApplicationSettings.h"
#include "storage/RegexpRules.h"
#include "storage/SearchPresets.h"
#include "system/IniFile.h"
#include "i18n/Localizer.h"
#include "system/TextEncoding.h"
#include "i18n/TextFormat.h"
#include "tests/support/FileBytes.h"
#include "tests/support/HostilePictures.h"
#include "tests/support/TempTree.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace clonarium::fuzz {

using vandrelcommon::system::IniFile;

namespace {

struct KindEntry {
    InputKind kind;
    const wchar_t* name;
    const wchar_t* extension;
};
const KindEntry kKinds[] = {
    {InputKind::Pictures, L"pictures", L".pic"},
    {InputKind::Presets, L"presets", L".prs"},
    {InputKind::Rules, L"rules", L".rer"},
    {InputKind::Ini, L"ini", L".ini"},
    {InputKind::Languages, L"languages", L".lng"},
};

const KindEntry& Entry(InputKind kind)
{
    return *std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindEntry& k) { return k.kind == kind; });
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

std::vector<std::string> PictureSeeds()
{
    const Canvas canvases[] = {DrawScene(1, 64, 48), DrawScene(2, 33, 71), Filled(16, 16, 0xFF808080)};
    std::vector<std::string> seeds;
    for (const Canvas& canvas : canvases) {
        for (Format format : {Format::Png, Format::Jpeg, Format::Bmp, Format::Tiff, Format::Gif}) {
            seeds.push_back(PictureBytes(canvas, format));
        }
    }
    seeds.push_back(IconOf({seeds[0], seeds[5]}));
    return seeds;
}

// The file a save writes, as bytes.
template <typename Save>
std::string Saved(Save save)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"file");
    return save(path) ? ReadFileBytes(path) : std::string();
}

std::vector<std::string> PresetSeeds()
{
    SearchParameters plain(true);
    SearchParameters full;
    full.PresetName = L"Photos \u00e9\U0001F600";
    full.ScanMasks = {L"*.jpg", L"*.PNG", L"?a*"};
    full.IgnoreMasks = {L"*.tmp"};
    full.ProtectedFolders = {L"C:\\Windows", L"\\\\server\\share\\"};
    full.UseLess = full.UseGreater = full.UseModifiedBefore = full.UseCreatedAfter = full.UseScanMasks = true;
    full.LessBound = 4000000000u;
    full.GreaterBound = 1;
    full.LessMultiplier = 3;
    full.SearchMode = SimilarImages;
    full.Similarity = 100;
    return {Saved([&](const std::wstring& path) { return SavePreset(plain, path); }),
        Saved([&](const std::wstring& path) { return SavePreset(full, path); })};
}

std::vector<std::string> RuleSeeds()
{
    RegexpRule rule;
    rule.name = L"Temporary copies";
    rule.expressions = {L".*\\.jpg", L"^C:\\\\Temp\\\\.*", L"(a|b)*c{2,5}", L"[^\\\\]+ - Copy( \\(\\d+\\))?\\..*"};
    rule.mode = AddToSelection;
    rule.target = FolderPath;
    return {Saved([&](const std::wstring& path) { return SaveRule(rule, path); })};
}

std::vector<std::string> IniSeeds()
{
    ApplicationSettings settings;
    settings.backupFolder = L"D:\\Backup";
    settings.defaultPresetFile = L"photos.prs";
    IniFile document;
    document.SetString(L"", L"top", L"value");
    document.SetFileTime(L"Times", L"t", FILETIME{0xFFFFFFFFu, 0x7FFFFFFFu});
    document.SetInt(L"Numbers", L"n", -5);
    document.GetSection(L"Empty");
    return {Saved([&](const std::wstring& path) { return settings.SaveSettings(path); }),
        Saved([&](const std::wstring& path) { return document.Save(path); })};
}

std::vector<std::string> LanguageSeeds()
{
    std::vector<std::string> seeds;
    const std::wstring program = ProgramFolder() + L"\\Clonarium.exe";
    HMODULE module =
        ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return seeds;
    }
    for (const auto& language : vandrelcommon::system::Localizer(module).GetLanguages()) {
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(language.resourceId), L"LANGUAGE");
        HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
        if (data != nullptr) {
            seeds.emplace_back(data, ::SizeofResource(module, found));
        }
    }
    ::FreeLibrary(module);
    return seeds;
}

std::optional<Format> FormatOf(const std::string& bytes)
{
    const std::pair<const char*, Format> magics[] = {{"\x89PNG", Format::Png}, {"\xFF\xD8\xFF", Format::Jpeg},
        {"BM", Format::Bmp}, {"II*", Format::Tiff}, {"MM", Format::Tiff}, {"GIF8", Format::Gif}};
    for (const auto& [magic, format] : magics) {
        if (bytes.starts_with(magic)) {
            return format;
        }
    }
    return std::nullopt;
}

// Sides a hostile picture might claim: around the limits and anywhere.
uint32_t ClaimedSide(std::mt19937_64& random)
{
    const uint32_t sides[] = {0, 1, 15811, 15812, 40000, 65500, 65535, 65536, 1u << 20, 0x7FFFFFFF};
    return random() % 3 == 0 ? uint32_t(random() % 65536) : sides[random() % std::size(sides)];
}

// Tokens of the INI format and of the texts' placeholders, with broken and
// supplementary UTF-16.
const wchar_t* const kTokens[] = {L"[", L"]", L"=", L"\n", L"\r\n", L"\r", L"%", L"%1%", L"%0%", L"%4294967297%",
    L"%-1%", L"%%", L".", L"..", L"\xD800", L"\xDC00", L"\U0001F600", L"\xFEFF", L"\t", L"[General]\n", L"[Regexps]\n",
    L"ScanMasks", L"="};

size_t Position(const std::string& bytes, InputKind kind, std::mt19937_64& random)
{
    if (bytes.empty()) {
        return 0;
    }
    // Headers decide most of what a picture reader does.
    if (kind == InputKind::Pictures && random() % 2 == 0) {
        return random() % std::min<size_t>(bytes.size(), 512);
    }
    return random() % bytes.size();
}

void MutateOnce(std::string& bytes, InputKind kind, std::mt19937_64& random)
{
    const uint32_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
    const size_t at = Position(bytes, kind, random);
    switch (random() % 8) {
    case 0:
        if (!bytes.empty()) {
            bytes[at] ^= char(1 << (random() % 8));
        }
        break;
    case 1:
        if (!bytes.empty()) {
            bytes[at] = char(interesting[random() % 5]);
        }
        break;
    case 2:
        bytes.erase(at, random() % 64 + 1);
        break;
    case 3:
        for (size_t n = random() % 64 + 1; n > 0; --n) {
            bytes.insert(bytes.begin() + std::min(at, bytes.size()), char(random()));
        }
        break;
    case 4: {
        const size_t from = Position(bytes, kind, random);
        const std::string chunk = bytes.substr(from, random() % 256 + 1);
        for (size_t n = random() % 8 + 1; n > 0; --n) {
            bytes.insert(std::min(at, bytes.size()), chunk);
        }
        break;
    }
    case 5:
        bytes.resize(at);
        break;
    case 6: {
        const uint32_t value = random() % 2 ? interesting[random() % std::size(interesting)] : uint32_t(random());
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
            bytes[at + i] = char(value >> (8 * i));
        }
        break;
    }
    case 7:
        if (kind != InputKind::Pictures) {
            const std::wstring token =
                random() % 16 ? std::wstring(kTokens[random() % std::size(kTokens)]) : std::wstring(3000, L'k');
            bytes.insert(std::min(at & ~size_t(1), bytes.size()), Utf16Bytes(token));
        }
        break;
    }
}

} // namespace

bool ParseKind(const std::wstring& name, InputKind& kind)
{
    for (const KindEntry& k : kKinds) {
        if (name == k.name) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}

const wchar_t* KindName(InputKind kind)
{
    return Entry(kind).name;
}

const wchar_t* Extension(InputKind kind)
{
    return Entry(kind).extension;
}

std::vector<std::string> MakeSeeds(InputKind kind)
{
    std::vector<std::string> seeds;
    switch (kind) {
    case InputKind::Pictures:
        seeds = PictureSeeds();
        break;
    case InputKind::Presets:
        seeds = PresetSeeds();
        break;
    case InputKind::Rules:
        seeds = RuleSeeds();
        break;
    case InputKind::Ini:
        seeds = IniSeeds();
        break;
    case InputKind::Languages:
        seeds = LanguageSeeds();
        break;
    }
    std::erase_if(seeds, [](const std::string& seed) { return seed.empty(); });
    return seeds;
}

std::string Mutate(const std::vector<std::string>& seeds, InputKind kind, std::mt19937_64& random)
{
    std::string bytes = seeds[random() % seeds.size()];
    const std::optional<Format> format = FormatOf(bytes);
    if (kind == InputKind::Pictures && format && random() % 3 == 0) {
        const std::string claiming = ClaimingSize(bytes, *format, ClaimedSide(random), ClaimedSide(random));
        if (!claiming.empty()) {
            bytes = claiming;
        }
        if (random() % 2 == 0) {
            return bytes; // a picture that is whole but for the size it claims
        }
    }
    for (size_t n = random() % 4 + 1; n > 0; --n) {
        MutateOnce(bytes, kind, random);
    }
    return bytes;
}

namespace {

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            files.push_back(folder + L"\\" + entry.cFileName);
        }
    } while (::FindNextFileW(listing, &entry));
    ::FindClose(listing);
    std::sort(files.begin(), files.end());
    return files;
}

struct DrawerDeleter {
    void operator()(ImageClonarium::IImageDraw* drawer) const { ImageClonarium::FreeImageDrawer(drawer); }
};

// The search over all of them at once, as the finder hands them over; then
// each drawn for the preview.
void ReadPictures(const std::vector<std::wstring>& files)
{
    ImageClonarium::CImageClonarium().Find(files, 85, 0, nullptr);
    std::unique_ptr<ImageClonarium::IImageDraw, DrawerDeleter> drawer(ImageClonarium::CreateImageDrawer());
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateBitmap(64, 64, 1, 32, nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    for (const std::wstring& file : files) {
        if (drawer->Load(file) && drawer->Prepare(dc)) {
            drawer->Draw(dc, 0, 0, 64, 64);
        }
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

void ReadRule(const std::wstring& file)
{
    RegexpRule rule;
    if (LoadRule(rule, file)) {
        rule.Compile();
        for (const wchar_t* path : {L"C:\\Temp\\a - Copy (2).jpg", L"D:\\x", L""}) {
            rule.Matches(path);
        }
    }
}

void ReadIni(const std::wstring& file)
{
    IniFile document;
    document.Load(file);
    for (const auto& [section, keys] : document.GetSections()) {
        for (const auto& [key, value] : keys) {
            document.GetInt(section, key, 0);
            document.GetBool(section, key, false);
            document.GetFileTime(section, key, FILETIME{});
            document.GetUtf8String(section, key, "");
        }
    }
    document.Save(file + L".saved");
    // The settings loader, with preset and rule folders of its own.
    ApplicationSettings settings;
    settings.presetsFolder = file + L".presets";
    settings.regexpsFolder = file + L".regexps";
    settings.LoadSettings(file);
}

// The table as the program loads it, then every text looked up and filled.
void ReadLanguage(const std::wstring& file)
{
    const std::string bytes = ReadFileBytes(file);
    std::wstring table(bytes.size() / 2, L'\0');
    std::memcpy(table.data(), bytes.data(), table.size() * 2);
    vandrelcommon::system::Localizer localizer;
    localizer.LoadTable(table);
    IniFile document;
    document.Parse(table);
    for (const auto& [section, keys] : document.GetSections()) {
        for (const auto& [key, value] : keys) {
            const std::string dotted = vandrelcommon::system::Utf8FromWide(section + L"." + key);
            vandrelcommon::system::TextFormat(localizer.Localize(dotted))
                .Add(uint64_t(7))
                .Add(L"text")
                .Add(std::string_view("utf-8"))
                .Str();
        }
    }
    for (const char* key : {"", ".", "..", "a..b", "duplicates-pane.buttons", "main.status.indexed-files"}) {
        localizer.Localize(key);
    }
}

} // namespace

void ReadAll(InputKind kind, const std::wstring& folder)
{
    const std::vector<std::wstring> files = FilesIn(folder);
    if (kind == InputKind::Pictures) {
        ReadPictures(files);
        return;
    }
    for (const std::wstring& file : files) {
        if (kind == InputKind::Presets) {
            SearchParameters preset;
            ReadPresetFile(preset, file);
        } else if (kind == InputKind::Rules) {
            ReadRule(file);
        } else if (kind == InputKind::Ini) {
            ReadIni(file);
        } else {
            ReadLanguage(file);
        }
    }
}

} // namespace clonarium::fuzz
