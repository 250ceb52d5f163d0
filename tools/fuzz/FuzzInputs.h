#pragma once
// What clonarium-fuzz feeds the program: valid inputs of each kind made here,
// their mutations, and the code each kind is read by.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace clonarium::fuzz {

enum class InputKind { Pictures, Presets, Rules, Ini, Languages };

// "pictures", "presets", "rules", "ini", "languages"; false for another name.
bool ParseKind(const std::wstring& name, InputKind& kind);
const wchar_t* KindName(InputKind kind);
const wchar_t* Extension(InputKind kind);

// Valid inputs to start from, made afresh (pictures, presets, rules, INI
// files) or taken from the program's own tables (languages, read from
// Clonarium.exe beside this tool). Empty when none could be made.
std::vector<std::string> MakeSeeds(InputKind kind);

// One mutation of a seed: bits flipped, bytes changed, cut, inserted or
// repeated; text tokens of the format; sizes a picture claims.
std::string Mutate(const std::vector<std::string>& seeds, InputKind kind, std::mt19937_64& random);

// Reads every file of the folder as the program reads that kind of input.
void ReadAll(InputKind kind, const std::wstring& folder);

} // namespace clonarium::fuzz
