#include "app/run_log_win32.h"

#include "app/run_log.h"

namespace {

std::unique_ptr<RunLog> g_processLog;

}  // namespace

std::unique_ptr<RunLog> RunLog::Create(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::unique_ptr<RunLog>(new RunLog(std::move(file)));
}

RunLog::~RunLog() {
    Flush();
}

void RunLog::WriteLine(std::wstring_view text) {
    buffer_ += LogLineBytes(text);
    if (buffer_.size() >= kBufferSize) Flush();
}

void RunLog::Flush() {
    const char* data = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        // A failed write loses these lines only; later lines are still attempted.
        if (!WriteFile(file_.get(), data, chunk, &written, nullptr) || written == 0) break;
        data += written;
        left -= written;
    }
    buffer_.clear();
}

bool OpenProcessLog(const std::wstring& path) {
    g_processLog = RunLog::Create(path);
    if (g_processLog) g_processLog->WriteLine(LogHeaderLine(ClockNow()));
    return g_processLog != nullptr;
}

void CloseProcessLog() {
    g_processLog.reset();
}

RunLog* ProcessLog() {
    return g_processLog.get();
}

void WriteLogLine(std::wstring_view text) {
    WriteJobLogLine(text, g_processLog.get());
}

void WriteJobLogLine(std::wstring_view text, RunLog* log) {
    if (log) log->WriteLine(text);
}
