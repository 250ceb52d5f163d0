#include "storage/RegexpRules.h"

#include "engine/Handles.h"
#include "storage/ApplicationSettings.h"
#include "storage/IniFile.h"
#include "storage/StoredNames.h"

namespace {

const std::wstring kGeneral = L"General";
const std::wstring kRegexps = L"Regexps";
const std::wstring kDefaultFile = L"default";
const std::wstring kExtension = L".rer";

} // namespace

bool LoadRule(RegexpRule& rule, const std::wstring& path)
{
    IniFile file;
    if (!file.Load(path)) {
        return false;
    }
    rule.file = path;
    rule.name = file.GetString(kGeneral, L"Name", L"(Untitled)");
    rule.mode = static_cast<RegexpMode>(file.GetInt(kGeneral, L"smt", NewSelection));
    rule.target = static_cast<MatchTarget>(file.GetInt(kGeneral, L"rmo", FileName));
    // In key order, which compares the numbers as text: "10" before "2".
    rule.expressions.clear();
    for (const auto& [key, expression] : file.GetSection(kRegexps)) {
        rule.expressions.push_back(expression);
    }
    rule.Compile();
    return file.Save(path);
}

bool SaveRule(RegexpRule& rule, const std::wstring& path)
{
    rule.file = path;
    IniFile file;
    file.SetString(kGeneral, L"Name", rule.name);
    file.SetInt(kGeneral, L"smt", rule.mode);
    file.SetInt(kGeneral, L"rmo", rule.target);
    IniFile::Section& expressions = file.GetSection(kRegexps);
    for (size_t i = 0; i < rule.expressions.size(); ++i) {
        expressions[std::to_wstring(i)] = rule.expressions[i];
    }
    return file.Save(path);
}

void LoadRules(ApplicationSettings& settings)
{
    settings.rules.clear();

    auto byDefault = std::make_unique<RegexpRule>();
    byDefault->isDefault = true;
    const std::wstring defaultPath = settings.regexpsFolder + L"\\" + kDefaultFile;
    LoadRule(*byDefault, defaultPath);
    byDefault->name = L"(Default)";
    SaveRule(*byDefault, defaultPath);
    settings.rules.push_back(std::move(byDefault));

    WIN32_FIND_DATAW entry;
    vandrelcommon::system::FindHandle listing(
        ::FindFirstFileW((settings.regexpsFolder + L"\\*" + kExtension).c_str(), &entry));
    if (!listing) {
        return;
    }
    do {
        auto rule = std::make_unique<RegexpRule>();
        LoadRule(*rule, settings.regexpsFolder + L"\\" + entry.cFileName);
        settings.rules.push_back(std::move(rule));
    } while (::FindNextFileW(listing.Get(), &entry));
}

RegexpRule& CreateRule(ApplicationSettings& settings, const std::wstring& requestedName)
{
    auto rule = std::make_unique<RegexpRule>();
    rule->name = UniqueName(requestedName, [&](const std::wstring& name) {
        for (const auto& existing : settings.rules) {
            if (existing->name == name) {
                return true;
            }
        }
        return false;
    });
    SaveRule(*rule, UniqueFilePath(settings.regexpsFolder, FileNameFor(rule->name), kExtension));
    settings.rules.push_back(std::move(rule));
    return *settings.rules.back();
}

int DeleteRule(ApplicationSettings& settings, size_t index)
{
    RuleList& rules = settings.rules;
    if (index >= rules.size() || rules[index]->isDefault) {
        return -1;
    }
    if (!rules[index]->file.empty()) {
        ::DeleteFileW(rules[index]->file.c_str());
    }
    rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(index));
    return static_cast<int>(index < rules.size() ? index : rules.size() - 1);
}
