#include "job/image_listing.h"

#include <charconv>
#include <cwctype>
#include <string_view>

#include "text/utf8_text.h"

namespace {

bool ValueOf(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() < key.size() + 3 || line.substr(0, key.size()) != key ||
        line.substr(key.size(), 3) != " = ")
        return false;
    value = line.substr(key.size() + 3);
    return true;
}

bool ParseSize(std::string_view text, int64_t& size) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    return error == std::errc() && end == text.data() + text.size() && size >= 0;
}

// One item's lines, gathered until the blank line that ends it.
struct PendingItem {
    bool any = false;
    bool hasPath = false;
    ImageEntry entry;
    std::string_view sizeText;
    bool hasSize = false;
};

bool Finish(PendingItem& item, ImageListing& listing) {
    if (!item.any) return true;
    const bool ok = [&] {
        if (!item.hasPath) return false;
        if (item.entry.folder) return true;
        return item.hasSize && ParseSize(item.sizeText, item.entry.size);
    }();
    if (ok) {
        if (!item.entry.folder) listing.fileBytes += item.entry.size;
        listing.entries.push_back(std::move(item.entry));
    }
    item = PendingItem{};
    return ok;
}

}  // namespace

bool ParseImageListing(const std::string& utf8, ImageListing& listing) {
    listing = ImageListing{};
    std::string_view rest(utf8);
    bool inItems = false;
    PendingItem item;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!inItems) {
            inItems = line == "----------";
            continue;
        }
        if (line.empty()) {
            if (!Finish(item, listing)) return false;
            continue;
        }
        std::string_view value;
        item.any = true;
        if (ValueOf(line, "Path", value)) {
            item.hasPath = true;
            item.entry.path = WideFromUtf8(std::string(value));
        } else if (ValueOf(line, "Folder", value)) {
            item.entry.folder = item.entry.folder || value == "+";
        } else if (ValueOf(line, "Attributes", value)) {
            // Some formats say it by the attribute letters instead.
            item.entry.folder = item.entry.folder || value.find('D') != std::string_view::npos;
        } else if (ValueOf(line, "Size", value)) {
            item.sizeText = value;
            item.hasSize = true;
        }
    }
    return inItems && Finish(item, listing);
}

const ImageEntry* FindInstallWim(const ImageListing& listing) {
    const std::wstring wanted = kInstallWimPath;
    for (const ImageEntry& entry : listing.entries) {
        if (entry.folder || entry.path.size() != wanted.size()) continue;
        bool same = true;
        for (size_t i = 0; same && i < wanted.size(); ++i)
            same = std::towlower(entry.path[i]) == static_cast<wint_t>(wanted[i]);
        if (same) return &entry;
    }
    return nullptr;
}

const ImageEntry* FirstFileTooLargeForFat32(const ImageListing& listing) {
    const ImageEntry* wim = FindInstallWim(listing);
    for (const ImageEntry& entry : listing.entries) {
        if (!entry.folder && &entry != wim && entry.size > kFat32LargestFile) return &entry;
    }
    return nullptr;
}

const ImageEntry* WimToSplit(const ImageListing& listing, const std::wstring& fileSystem,
                             int64_t largestWhole) {
    const ImageEntry* wim = FindInstallWim(listing);
    return fileSystem == L"FAT32" && wim && wim->size > largestWhole ? wim : nullptr;
}
