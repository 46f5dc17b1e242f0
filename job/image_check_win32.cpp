#include "job/image_check_win32.h"

#include <windows.h>

#include <string>

#include "job/job_text.h"
#include "job/pre_copy_checks.h"
#include "job/pre_copy_checks_win32.h"
#include "tools/child_process_win32.h"
#include "tools/folders.h"
#include "tools/held_tool_file_win32.h"
#include "tools/payload_win32.h"
#include "tools/tool_folder_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

// Listing a 6 GiB installer takes well under a second; a minute means something is wrong.
constexpr DWORD kListingTimeoutMs = 60000;

bool ReadWhole(HANDLE file, std::string& text) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 256 * 1024 * 1024) return false;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    text.resize(static_cast<size_t>(size.QuadPart));
    size_t got = 0;
    while (got < text.size()) {
        DWORD read = 0;
        if (!ReadFile(file, text.data() + got, static_cast<DWORD>(text.size() - got), &read,
                      nullptr) ||
            read == 0) {
            return false;
        }
        got += read;
    }
    return true;
}

class WaitCursor {
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR previous_;
};

}  // namespace

bool ListImage(const std::wstring& toolFolder, const std::wstring& isoPath,
               ImageListing& listing) {
    // The listing goes to a file rather than a pipe, so that waiting for the archiver with a
    // time limit cannot leave it blocked on a full pipe. It is made new in the tool folder, where
    // nobody else can have put a link, and goes when its handle closes.
    const std::wstring listingPath = toolFolder + L"listing.txt";
    UniqueHandle output(CreateFileW(listingPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!output) return false;
    // Technical listing, in UTF-8 whatever the console's code page.
    const ChildProcess lister =
        StartChildWithOutput(toolFolder + kSevenZipFileName,
                             L"l -slt -sccUTF-8 -- \"" + FullPath(isoPath) + L"\"", toolFolder,
                             output.get());
    if (!lister.Process()) return false;
    DWORD exitCode = 0;
    const bool ended = lister.WaitForEnd(kListingTimeoutMs) && lister.ExitCode(exitCode);
    if (!ended) {
        lister.Kill();
        lister.WaitForEnd(5000);
    }
    std::string text;
    return ended && exitCode < kSevenZipFirstFailingExitCode && ReadWhole(output.get(), text) &&
           ParseImageListing(text, listing);
}

bool CheckImageBeforeFormat(const std::wstring& isoPath, const std::wstring& targetDrive,
                            const std::wstring& fileSystem, ImageListing& listing) {
    bool readable = false;
    std::wstring installError = L"An error occurred while installing 7z.exe in temp folder";
    {
        WaitCursor waiting;
        // The job runs its tools from a folder of its own; this one goes with its copies.
        ToolFolder tools;
        if (tools.Create(TempFolder())) {
            HeldToolFile heldSevenZip, heldSevenZipLib;
            installError = PrepareSevenZip(tools.Path() + kSevenZipFileName,
                                           tools.Path() + kSevenZipLibFileName, heldSevenZip,
                                           heldSevenZipLib);
            if (installError.empty()) readable = ListImage(tools.Path(), isoPath, listing);
        }
    }
    if (!installError.empty()) {
        ShowCheckMessage(installError);
        return false;
    }
    if (!readable) {
        ShowCheckMessage(kUnreadableImageMessage);
        return false;
    }
    // The files alone, without the file system's own overhead: what surely cannot fit. An image
    // whose files share their data (links) is smaller than this, which is why the image size
    // checked before is not enough.
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    if (GetDiskFreeSpaceExW(targetDrive.c_str(), &freeToCaller, &total, &totalFree) &&
        listing.fileBytes > static_cast<int64_t>(total.QuadPart)) {
        ShowCheckMessage(
            FilesTooLargeMessage(listing.fileBytes, static_cast<int64_t>(total.QuadPart)));
        return false;
    }
    if (fileSystem == L"FAT32") {
        if (const ImageEntry* tooLarge = FirstFileTooLargeForFat32(listing)) {
            ShowCheckMessage(Fat32FileTooLargeMessage(tooLarge->path, tooLarge->size));
            return false;
        }
    }
    return true;
}
