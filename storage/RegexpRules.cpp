#include "storage/RegexpRules.h"

#include "storage/ApplicationSettings.h"
#include "system/IniFile.h"
#include "storage/StoredNames.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::system::IniFile;

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

    ForEachStoredFile(settings.regexpsFolder, kExtension, [&](const std::wstring& path) {
        auto rule = std::make_unique<RegexpRule>();
        LoadRule(*rule, path);
        settings.rules.push_back(std::move(rule));
    });
}

RegexpRule& CreateRule(ApplicationSettings& settings, const std::wstring& requestedName)
{
    auto rule = std::make_unique<RegexpRule>();
    rule->name = UniqueName(requestedName, [&](const std::wstring& name) {
        return std::any_of(
            settings.rules.begin(), settings.rules.end(), [&](const auto& existing) { return existing->name == name; });
    });
    SaveRule(*rule, UniqueFilePath(settings.regexpsFolder, FileNameFor(rule->name), kExtension));
    settings.rules.push_back(std::move(rule));
    return *settings.rules.back();
}

int DeleteRule(ApplicationSettings& settings, size_t index)
{
    return DeleteStoredEntry(settings.rules, index, &RegexpRule::isDefault, &RegexpRule::file);
}

} // namespace clonarium
