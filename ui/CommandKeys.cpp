#include "ui/CommandKeys.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"

#include <array>

namespace clonarium {

using vandrelcommon::system::Localize;

namespace {

constexpr std::array kKeys{
    CommandKey{ID_TB_START_SEARCH, VK_F5, false, false},
    CommandKey{ID_TB_NEW_SEARCH, 'N', true, false},
    CommandKey{ID_DELETE_TO_RECYCLE_BIN, VK_DELETE, false, false},
    CommandKey{ID_DELETE_PERMANENTLY, VK_DELETE, false, true},
    CommandKey{ID_DELETE_BACKUP_IN_FOLDER, 'B', true, false},
    CommandKey{ID_TB_EXPORT, 'E', true, false},
};

} // namespace

std::span<const CommandKey> CommandKeys()
{
    return kKeys;
}

const CommandKey* FindCommandKey(UINT command)
{
    for (const CommandKey& key : kKeys) {
        if (key.command == command) {
            return &key;
        }
    }
    return nullptr;
}

UINT CommandOfKey(WPARAM key, bool control, bool shift)
{
    for (const CommandKey& entry : kKeys) {
        if (entry.key == key && entry.control == control && entry.shift == shift) {
            return entry.command;
        }
    }
    return 0;
}

std::wstring KeyName(const CommandKey& key)
{
    std::wstring name;
    if (key.control) {
        name += Localize("main.keys.ctrl") + L"+";
    }
    if (key.shift) {
        name += Localize("main.keys.shift") + L"+";
    }
    if (key.key == VK_DELETE) {
        name += Localize("main.keys.delete");
    } else if (key.key >= VK_F1 && key.key <= VK_F24) {
        name += L"F" + std::to_wstring(key.key - VK_F1 + 1);
    } else {
        name += static_cast<wchar_t>(key.key);
    }
    return name;
}

} // namespace clonarium
