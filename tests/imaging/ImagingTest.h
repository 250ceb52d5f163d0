#pragma once
// Shared by the imaging tests: COM for the test's thread, a temporary tree,
// pictures written into it, and checks on what Find returns.
#include "imaging/ImageClonarium.h"
#include "tests/support/TestPictures.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <set>
#include <string>
#include <vector>

class ImagingTest : public ::testing::Test {
protected:
    ImagingTest() : com_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) { }
    ~ImagingTest() override
    {
        if (com_) {
            ::CoUninitialize();
        }
    }

    // Writes a picture into the tree and adds it to the path list.
    std::wstring Add(const std::wstring& name, const Canvas& canvas, Format format)
    {
        const std::wstring path = tree_.Path(name);
        EXPECT_TRUE(WritePicture(path, canvas, format)) << "cannot write a test picture";
        paths_.push_back(path);
        return path;
    }
    std::wstring AddFile(const std::wstring& name, const std::string& bytes)
    {
        const std::wstring path = tree_.MakeFile(name, bytes);
        paths_.push_back(path);
        return path;
    }

    // The groups as sets of file names; every index checked first.
    std::set<std::set<std::wstring>> Named(const ImageClonarium::ImageGroups& groups) const
    {
        std::set<std::set<std::wstring>> named;
        std::set<uint64_t> seen;
        for (const auto& group : groups) {
            EXPECT_GE(group.size(), 2u);
            std::set<std::wstring> names;
            for (const auto& member : group) {
                EXPECT_LT(member.Index, paths_.size());
                if (member.Index >= paths_.size()) {
                    continue;
                }
                EXPECT_TRUE(seen.insert(member.Index).second) << "picture in two groups";
                names.insert(paths_[member.Index].substr(tree_.Root().size() + 1));
            }
            named.insert(names);
        }
        return named;
    }

    ImageClonarium::ImageGroups Find(
        uint16_t similarity = 85, uint32_t options = 0, ImageClonarium::IImageClonariumCallback* callback = nullptr)
    {
        return ImageClonarium::CImageClonarium().Find(paths_, similarity, options, callback);
    }

    TempTree tree_;
    std::vector<std::wstring> paths_;

private:
    bool com_;
};
