// The end of a job: Back pressed the moment a job ends, the ended window when its status line
// repaints alone, and the size the extraction reports once the archiver has ended.
#include <gtest/gtest.h>

#include <regex>

#include "res/control_ids.h"
#include "tests/harness/job_run.h"
#include "text/byte_size.h"

using namespace harness;

namespace {

class JobEnd : public StickJob {
  protected:
    bool Responsive(HWND window) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
    }
    bool Idle(HWND window) {
        return program_.Control(window, kCopyButton).visible &&
               !program_.Control(window, kBackButton).visible &&
               !program_.Control(window, kStatusText).visible;
    }
};

TEST_F(JobEnd, BackAtTheMomentTheJobEndsFiftyTimes) {
    // A failing format ends each job within a moment of its start.
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\bootice-fail.txt", "format 3"));
    HWND window = Start(L"plain.iso");
    ASSERT_NE(window, nullptr);
    HWND back = program_.Control(window, kBackButton).handle;
    for (int round = 1; round <= 50; ++round) {
        ASSERT_TRUE(ConfirmJob(program_, window)) << "round " << round;
        // Back is pressed as soon as it shows, while the worker is still on its way out.
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (!IsWindowVisible(back) && GetTickCount64() < deadline) Sleep(0);
        ASSERT_TRUE(IsWindowVisible(back)) << "round " << round;
        PostMessageW(back, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return Idle(window); })) << "round " << round;
        ASSERT_TRUE(Responsive(window)) << "round " << round;
    }
    // A whole job still runs to its end.
    DeleteFileW((tools_ + L"\\bootice-fail.txt").c_str());
    EXPECT_EQ(RunToEnd(window), L"DONE");
    Close(window);
}

// What the screen shows inside a rectangle: the share of the pixels of one colour, and their mean
// brightness (0 to 255).
struct Pixels {
    double shareOfColour = 0;
    double brightness = 0;
};
Pixels ReadPixels(const RECT& rect, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    int matching = 0, all = 0;
    double brightness = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x, ++all) {
            const COLORREF pixel = GetPixel(screen, x, y);
            if (pixel == colour) ++matching;
            brightness += (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) / 3.0;
        }
    }
    ReleaseDC(nullptr, screen);
    if (all == 0) return {};
    return {static_cast<double>(matching) / all, brightness / all};
}

// A real press of the left mouse button at a point of the screen.
void MouseClickAt(POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = at.x * 65535 / (width - 1);
        input.mi.dy = at.y * 65535 / (height - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, inputs, sizeof(INPUT));
}

TEST_F(JobEnd, BackStaysOnTopWhenTheStatusLineRepaintsAlone) {
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\bootice-fail.txt", "format 3"));
    HWND window = Start(L"plain.iso");
    ASSERT_NE(window, nullptr);
    // Away from where other tests' windows and message boxes appear.
    SetWindowPos(window, HWND_TOP, 620, 10, 0, 0, SWP_NOSIZE);
    RECT rect{};
    ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(window, &rect) && rect.left == 620; }));
    RunToEnd(window, 60000);

    HWND back = program_.Control(window, kBackButton).handle;
    HWND status = program_.Control(window, kStatusText).handle;
    ASSERT_TRUE(RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));
    ASSERT_TRUE(Responsive(window));  // the repaint has been handled
    RECT face{};
    GetWindowRect(back, &face);
    InflateRect(&face, -3, -3);  // inside the button's border
    // A light button face with its dark caption, not the status line's dark blue.
    const Pixels pixels = ReadPixels(face, RGB(0, 0, 32));
    EXPECT_LT(pixels.shareOfColour, 0.05) << "the status line painted over Back";
    EXPECT_GT(pixels.brightness, 150) << "Back's face is not there";

    MouseClickAt({(face.left + face.right) / 2, (face.top + face.bottom) / 2});
    EXPECT_TRUE(WaitUntil([&] { return Idle(window); })) << "the click did not reach Back";
    Close(window);
}

TEST_F(JobEnd, SuccessSizeIsTheUsedSizeAfterTheArchiverEnded) {
    // A stick of its own file system (tmpfs), whose used size nothing else changes.
    const std::wstring shm =
        L"Z:\\dev\\shm\\tarnvik-success-size-" + std::to_wstring(GetCurrentProcessId());
    // Removed however the test ends.
    struct Removal {
        std::wstring folder;
        ~Removal() {
            EmptyFolder(folder);
            RemoveDirectoryW(folder.c_str());
        }
    } removal{shm};
    ASSERT_NO_FATAL_FAILURE(UseStick(shm));
    ASSERT_NO_FATAL_FAILURE(UseArchiverStandIn("last-write"));
    HWND window = Start(L"plain.iso");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(RunToEnd(window, 60000), L"DONE");
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"E:\\", &freeToCaller, &total, &totalFree));
    const int64_t used = static_cast<int64_t>(total.QuadPart - totalFree.QuadPart);
    Close(window);

    std::string log;
    ASSERT_TRUE(ReadFileBytes(folder_ + L"\\Tarnvik.log", log));
    std::smatch found;
    ASSERT_TRUE(std::regex_search(
        log, found, std::regex(R"(Successfully Copied plain\.iso to USB drive E:\\ \((.+)\)  - )")))
        << log;
    EXPECT_EQ(found[1].str(), Narrow(FormatByteSize(used)));
}

}  // namespace
