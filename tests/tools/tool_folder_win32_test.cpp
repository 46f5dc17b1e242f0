// The folder the tools run from: who may change it, that it is always new, and its removal.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win32_test_files.h"
#include "tools/tool_folder_win32.h"

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE known[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof known;
    return sid && CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

std::wstring Parent() {
    const std::wstring parent = TempTestPath(L"parent");
    CreateDirectoryW(parent.c_str(), nullptr);
    return parent + L"\\";
}

// Wine keeps no security descriptor on files, so the descriptor is read back from what the
// folder is made with; that it holds on the folder needs Windows.
TEST(ToolFolder, OnlySystemAndAdministratorsMayChangeIt) {
    const UniqueLocalMemory security = ToolFolderSecurity();
    ASSERT_TRUE(security);
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(security.get(), &owner, &defaulted));
    EXPECT_TRUE(IsWellKnown(owner, WinBuiltinAdministratorsSid));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(security.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing is inherited from the temp folder";
    PACL list = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(security.get(), &present, &list, &defaulted));
    ASSERT_TRUE(present && list);
    ASSERT_EQ(list->AceCount, 2);
    const WELL_KNOWN_SID_TYPE allowed[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(list, i, &entry));
        const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
        EXPECT_TRUE(IsWellKnown(const_cast<DWORD*>(&ace->SidStart), allowed[i])) << "entry " << i;
    }
}

TEST(ToolFolder, ANameThatExistsIsNotUsed) {
    const std::wstring parent = Parent();
    const std::wstring taken = parent + L"Tarnvik-tools-taken";
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(taken + L"\\7z.dll", "planted"));
    ToolFolder folder;
    EXPECT_FALSE(folder.CreateNamed(parent, L"Tarnvik-tools-taken"));
    EXPECT_EQ(folder.Path(), L"");
    folder.Remove();
    EXPECT_EQ(ReadWholeFile(taken + L"\\7z.dll"), "planted") << "what is there is left alone";
}

TEST(ToolFolder, HeldItCannotBeMovedAwayAndRemovedNothingIsLeft) {
    const std::wstring parent = Parent();
    ToolFolder folder;
    ASSERT_TRUE(folder.CreateNamed(parent, L"Tarnvik-tools-1"));
    for (const wchar_t* name : {kBooticeFileName, kSevenZipFileName, kSevenZipLibFileName})
        ASSERT_TRUE(WriteWholeFile(folder.Path() + name, "tool"));
    EXPECT_FALSE(MoveFileExW((parent + L"Tarnvik-tools-1").c_str(), (parent + L"moved").c_str(), 0));
    folder.Remove();
    EXPECT_FALSE(harness::FileExists(parent + L"Tarnvik-tools-1"));
}

TEST(ToolFolder, WhatAForcedEndLeftGoesButNotAFolderInUseOrSomethingElse) {
    const std::wstring parent = Parent();
    const std::wstring left = parent + L"Tarnvik-tools-left";
    const std::wstring other = parent + L"Tarnvik-tools-other";
    for (const std::wstring& folder : {left, other}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        for (const wchar_t* name : {kBooticeFileName, kSevenZipFileName, kSevenZipLibFileName})
            ASSERT_TRUE(WriteWholeFile(folder + L"\\" + name, "tool"));
    }
    ASSERT_TRUE(WriteWholeFile(other + L"\\notes.txt", "not ours"));
    ToolFolder inUse;
    ASSERT_TRUE(inUse.CreateNamed(parent, L"Tarnvik-tools-in-use"));
    ASSERT_TRUE(WriteWholeFile(inUse.Path() + kSevenZipFileName, "tool"));

    RemoveStaleToolFolders(parent);
    EXPECT_FALSE(harness::FileExists(left));
    EXPECT_EQ(ReadWholeFile(other + L"\\notes.txt"), "not ours");
    EXPECT_FALSE(harness::FileExists(other + L"\\7z.dll"));
    EXPECT_EQ(ReadWholeFile(inUse.Path() + kSevenZipFileName), "tool");
}

}  // namespace
