#include "DiagnosticsCapture.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "TimeScale.h"

namespace {

struct Captured {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<diag::Stream, std::wstring>> lines;
};

Captured& State() {
    static Captured state;
    return state;
}

}  // namespace

DiagnosticsCapture::DiagnosticsCapture() : previous_(diag::SetSink(&DiagnosticsCapture::Sink)) {
    Clear();
}

DiagnosticsCapture::~DiagnosticsCapture() {
    diag::SetSink(previous_);
}

void DiagnosticsCapture::Sink(diag::Stream stream, const wchar_t* text) {
    Captured& state = State();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.lines.emplace_back(stream, text);
    }
    state.changed.notify_all();
}

std::vector<std::wstring> DiagnosticsCapture::Lines(diag::Stream stream) const {
    Captured& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<std::wstring> result;
    for (const auto& entry : state.lines) {
        if (entry.first == stream) {
            result.push_back(entry.second);
        }
    }
    return result;
}

size_t DiagnosticsCapture::Count(diag::Stream stream, const std::wstring& line) const {
    size_t count = 0;
    for (const auto& text : Lines(stream)) {
        count += text == line ? 1 : 0;
    }
    return count;
}

bool DiagnosticsCapture::WaitFor(diag::Stream stream, const std::wstring& line, size_t times,
                                 DWORD timeoutMs) const {
    Captured& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.changed.wait_for(
        lock, std::chrono::milliseconds(tavik::test::Bounded(timeoutMs)), [&] {
            size_t count = 0;
            for (const auto& entry : state.lines) {
                count += entry.first == stream && entry.second == line ? 1 : 0;
            }
            return count >= times;
        });
}

void DiagnosticsCapture::Clear() {
    Captured& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.lines.clear();
}
