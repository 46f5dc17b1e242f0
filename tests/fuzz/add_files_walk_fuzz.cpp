// The walk of the additional-files folder over trees of any shape, and the result it hands on.
#include "job/add_files_walk.h"
#include "tests/fuzz/fuzz_support.h"

#include <map>
#include <set>

namespace {

constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kReparsePoint = 0x400;

struct Node {
    ListedEntry listed;
    std::wstring path;  // below the top folder, folders ending in a backslash
    bool folder = false;
    size_t parent = 0;
};

bool Matches(const std::wstring& name, const std::wstring& pattern) {
    if (pattern == L"*.*") return true;
    const std::wstring suffix = pattern.substr(1);  // patterns here are "*.ext"
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const wchar_t* const kPatterns[] = {L"*.*", L"*.iso", L"*.txt", L""};
    const std::wstring pattern = kPatterns[input.ConsumeIntegralInRange<int>(0, 3)];
    const std::wstring top = input.ConsumeBool() ? L"C:\\Add\\" : L"C:\\Add";
    const std::wstring topFolder = top.back() == L'\\' ? top : top + L"\\";
    const std::wstring handedOver = ConsumeWide(input, 40);

    // Node 0 is the top folder; every other node hangs below an earlier folder, with a name unique
    // in it, as a directory listing gives.
    std::vector<Node> nodes(1);
    nodes[0].folder = true;
    std::set<std::wstring> paths;
    while (input.remaining_bytes() > 0 && nodes.size() < 300) {
        Node node;
        node.parent = input.ConsumeIntegralInRange<size_t>(0, nodes.size() - 1);
        node.folder = input.ConsumeBool();
        const bool reparse = node.folder && input.ConsumeIntegralInRange<int>(0, 7) == 0;
        node.listed.attributes =
            (input.ConsumeIntegral<uint32_t>() & ~(kDirectory | kReparsePoint)) |
            (node.folder ? kDirectory : 0) | (reparse ? kReparsePoint : 0);
        node.listed.creationTime = input.ConsumeIntegral<uint64_t>();
        node.listed.lastAccessTime = input.ConsumeIntegral<uint64_t>();
        node.listed.lastWriteTime = input.ConsumeIntegral<uint64_t>();
        // What a file system can hold: below 2^44 bytes a file.
        node.listed.size = input.ConsumeIntegralInRange<int64_t>(0, int64_t{1} << 44);
        node.listed.name = ConsumeWide(input, 24);
        const std::wstring& name = node.listed.name;
        if (!nodes[node.parent].folder || name.empty() || name == L"." || name == L".." ||
            name.find(L'\\') != std::wstring::npos) {
            continue;
        }
        node.path = nodes[node.parent].path + name + (node.folder ? L"\\" : L"");
        if (!paths.insert(nodes[node.parent].path + name).second) continue;
        nodes.push_back(node);
    }

    std::map<std::wstring, std::vector<size_t>> children;  // by the folder's full path
    for (size_t i = 1; i < nodes.size(); ++i)
        children[topFolder + nodes[nodes[i].parent].path].push_back(i);
    const FolderLister lister = [&](const std::wstring& folder, const std::wstring& asked) {
        std::vector<ListedEntry> listed;
        if (folder != topFolder) {
            ListedEntry dot;
            dot.attributes = kDirectory;
            dot.name = L".";
            listed.push_back(dot);
            dot.name = L"..";
            listed.push_back(dot);
        }
        const auto found = children.find(folder);
        if (found == children.end()) return listed;
        for (size_t i : found->second) {
            if (nodes[i].folder || Matches(nodes[i].listed.name, asked))
                listed.push_back(nodes[i].listed);
        }
        return listed;
    };

    std::vector<AddFilesEntry> entries(1);  // an earlier walk's list, replaced
    const std::wstring result = WalkAddFiles(top, pattern, lister, entries);

    // Which nodes the walk must find: everything under folders it may enter (not links), files
    // only when they match the pattern.
    std::map<std::wstring, size_t> expected;
    for (size_t i = 1; i < nodes.size(); ++i) {
        bool reachable = true;
        for (size_t p = nodes[i].parent; p != 0; p = nodes[p].parent)
            reachable = reachable && !(nodes[p].listed.attributes & kReparsePoint);
        if (reachable &&
            (nodes[i].folder || Matches(nodes[i].listed.name, pattern.empty() ? L"*.*" : pattern)))
            expected[nodes[nodes[i].parent].path + nodes[i].listed.name] = i;
    }
    Require(entries.size() == expected.size(), "the walk finds exactly the reachable entries");

    int64_t files = 0, bytes = 0;
    std::set<std::wstring> seen;
    std::map<std::wstring, size_t> lastOfKind;  // by parent and kind: the last node found
    for (size_t k = 0; k < entries.size(); ++k) {
        const AddFilesEntry& entry = entries[k];
        const auto found = expected.find(entry.relative + entry.name);
        Require(found != expected.end(), "every entry is a node of the tree");
        Require(seen.insert(entry.relative + entry.name).second, "no entry comes twice");
        const Node& node = nodes[found->second];
        Require(entry.relative == nodes[node.parent].path, "the relative path is the parent's");
        Require(entry.kind == (node.folder ? kFolderEntry : kFileEntry), "the kind is kept");
        size_t& last = lastOfKind[entry.relative + (node.folder ? L"\\" : L"|")];
        Require(found->second > last, "folders, and files, come in the order they are listed");
        last = found->second;
        Require(entry.attributes == node.listed.attributes &&
                    entry.creationTime == node.listed.creationTime &&
                    entry.lastAccessTime == node.listed.lastAccessTime &&
                    entry.lastWriteTime == node.listed.lastWriteTime,
                "attributes and times are kept exactly");
        Require(entry.size == (node.folder ? 0 : node.listed.size),
                "sizes are kept, 0 for folders");
        if (!node.folder) {
            ++files;
            bytes += entry.size;
        }
        // A folder comes before its content, and its content follows it without a gap.
        Require(entry.relative.empty() ||
                    seen.count(entry.relative.substr(0, entry.relative.size() - 1)),
                "a folder comes before its content");
        if (k > 0 && !StartsWith(entry.relative, entries[k - 1].relative)) {
            const std::wstring& left = entries[k - 1].relative;
            Require(StartsWith(left, entry.relative), "a folder's content is not interrupted");
        }
        if (k > 0 && entries[k - 1].relative == entry.relative)
            Require(!(entries[k - 1].kind == kFileEntry && entry.kind == kFolderEntry),
                    "within a folder, sub-folders come before files");
        if (k > 0 && entry.relative.size() > entries[k - 1].relative.size()) {
            const AddFilesEntry& before = entries[k - 1];
            Require(before.kind == kFolderEntry &&
                        entry.relative == before.relative + before.name + L"\\",
                    "one goes deeper only into the folder just found");
        }
    }

    int64_t count = -1, total = -1;
    Require(ParseWalkResult(result, count, total), "the walk's result parses");
    Require(count == files && total == bytes, "the result counts the files and their bytes");

    // Any text handed over reads without harm; a bar is what makes it a result.
    Require(
        ParseWalkResult(handedOver, count, total) == (handedOver.find(L'|') != std::wstring::npos),
        "a result is text with a bar");
    return 0;
}
