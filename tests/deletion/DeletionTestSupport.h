#pragma once
// What the deletion tests share: the English texts, records of files as they
// are now, and a callback that writes down everything the worker tells it.
#include "deletion/DeleteTypes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clonarium {

// Loads the English table once, so that reasons read as the user sees them.
void LoadEnglish();
std::wstring English(const char* key); // key within "duplicates-pane"

// Where Wine's Recycle Bin keeps the files it takes: the Trash of the
// XDG_DATA_HOME the test program runs with. Empty without one.
std::wstring TrashFiles();

// The file as it is now (size and times), as a search would have seen it.
FileRecord Seen(const std::wstring& path);

// A queued file whose group keeps `kept`, as the search saw them now.
std::unique_ptr<IDeleteItem> Queued(const std::wstring& path, const std::vector<std::wstring>& kept,
    bool sameContent = true, bool wholeGroupConfirmed = false);

class RecordingDeleteCallback : public IDeleteProcessCallback {
public:
    void OnFileStarted(const std::wstring& path) override { events.push_back(L"started " + path); }
    void OnFileDeleted(IDeleteItem* item) override
    {
        events.push_back(L"deleted " + item->GetPath());
        deleted.push_back(item->GetPath());
    }
    void OnFileLinked(IDeleteItem* item, uint64_t freedBytes) override
    {
        events.push_back(L"linked " + item->GetPath());
        linked.push_back(item->GetPath());
        freed += freedBytes;
    }
    void OnFileFailed(IDeleteItem* item, const std::wstring& reason) override
    {
        events.push_back(L"failed " + item->GetPath());
        failed.push_back({item->GetPath(), reason});
    }
    void OnDeleteStarted(uint64_t count) override { events.push_back(L"count " + std::to_wstring(count)); }
    ConflictAction OnFileExists(const std::wstring& source, std::wstring& target) override
    {
        events.push_back(L"exists " + target);
        ++conflicts;
        return answer ? answer(source, target) : ConflictAction::Skip;
    }
    void OnFinished() override
    {
        events.push_back(L"finished");
        IDeleteProcessCallback::OnFinished();
    }

    std::function<ConflictAction(const std::wstring&, std::wstring&)> answer;
    std::vector<std::wstring> events;
    std::vector<std::wstring> deleted;
    std::vector<std::wstring> linked;
    uint64_t freed = 0;
    std::vector<std::pair<std::wstring, std::wstring>> failed;
    int conflicts = 0;
};

} // namespace clonarium
