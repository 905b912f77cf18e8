// Reads what this process writes with OutputDebugString, by acting as the
// system's debug-output monitor (the DBWIN_BUFFER shared-memory protocol).
// The DBWIN_* objects are shared by every process of the Wine server: test
// programs that use this hold the CTest resource lock debug_output_buffer.
#ifndef TESTS_SUPPORT_DEBUG_OUTPUT_CAPTURE_H
#define TESTS_SUPPORT_DEBUG_OUTPUT_CAPTURE_H

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

class DebugOutputCapture {
public:
    DebugOutputCapture()
        : bufferReady_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")),
          dataReady_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bufferSize, L"DBWIN_BUFFER")),
          view_(mapping_ ? static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, bufferSize)) : nullptr) {
        if (ready()) reader_ = std::thread([this] { read(); });
    }

    ~DebugOutputCapture() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (view_) UnmapViewOfFile(view_);
        for (HANDLE handle : {mapping_, dataReady_, bufferReady_}) {
            if (handle) CloseHandle(handle);
        }
    }

    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    bool ready() const { return bufferReady_ && dataReady_ && view_; }

    // The strings this process wrote so far, each as one call gave it; waits
    // until there are at least `count` or the time is up.
    std::vector<std::string> lines(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (lines_.size() >= count || std::chrono::steady_clock::now() >= deadline) return lines_;
            }
            Sleep(10);
        }
    }

    // The strings this process wrote so far, once `line` is among them or
    // the time is up. Strings are read in the order they were written, so a
    // line the caller writes itself marks how far the output has been read.
    std::vector<std::string> linesThrough(const std::string& line,
                                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const bool found = std::find(lines_.begin(), lines_.end(), line) != lines_.end();
                if (found || std::chrono::steady_clock::now() >= deadline) return lines_;
            }
            Sleep(10);
        }
    }

private:
    static constexpr DWORD bufferSize = 4096;

    void read() {
        SetEvent(bufferReady_);
        while (!stop_) {
            if (WaitForSingleObject(dataReady_, 20) != WAIT_OBJECT_0) continue;
            DWORD writer;
            std::memcpy(&writer, view_, sizeof writer);
            const char* text = view_ + sizeof writer;
            const std::string line(text, strnlen(text, bufferSize - sizeof writer));
            if (writer == GetCurrentProcessId()) {
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back(line);
            }
            SetEvent(bufferReady_);
        }
    }

    HANDLE bufferReady_;
    HANDLE dataReady_;
    HANDLE mapping_;
    const char* view_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread reader_;
};

}  // namespace test_support

#endif
