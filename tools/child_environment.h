#pragma once
#include <string>
#include <vector>

// The environment our tools start with: the parent's variables ("NAME=value", in its order) with
// PATH (any letter case) replaced by the given folders, or added when missing, as an environment
// block (each variable ended by a zero character, the block by one more). A tool that asks for a
// DLL the system folders do not have then finds none, rather than one in a folder a user can
// write.
std::wstring ChildEnvironmentBlock(const std::vector<std::wstring>& variables,
                                   const std::wstring& path);

// The variables of an environment block as the system hands it out.
std::vector<std::wstring> EnvironmentVariables(const wchar_t* block);
