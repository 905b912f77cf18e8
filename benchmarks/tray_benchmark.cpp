// Costs of the tray operators, each a ratio against a baseline measured in
// the same run, with every shell request answered at once (so the figures
// are the package's own work, not the notification area's):
//  - an operator call through its entry function and the wrapper against the
//    same body's calls made directly (goal: at most 1.05 times);
//  - the latency of an event, from the shell's callback message posted to
//    the hidden window to the message in the HALCON queue, against a bare
//    post to a window on another thread and its dispatch (goal: at most 2x);
//  - creating and clearing one icon while 1,000 icons live against while 10
//    live (goal: at most 2x).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core_params.h"
#include "notification_operators.h"
#include "platform_balloon.h"
#include "shell_notify.h"
#include "standin_control.h"
#include "standinc_control.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int samples = 15;

BOOL WINAPI answered_at_once(DWORD, NOTIFYICONDATAW*) { return TRUE; }

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, double measured, double baseline, const char* unit, double scale, double goal) {
    const double ratio = measured / baseline;
    std::printf("%s\n  %.2f %s against %.2f %s: ratio %.3f, goal <= %.2f: %s\n", what, measured * scale, unit,
                baseline * scale, unit, ratio, goal, ratio <= goal ? "met" : "NOT met");
}

// The stand-in records every call; a fresh log per sample keeps it small.
Hproc_handle fresh_balloon_call(int32_t icon) {
    standin_reset();
    Hproc_handle proc = standin_new_proc();
    standin_push_int(proc, 1, icon);
    standin_push_string(proc, 2, "Inspection station");
    standin_push_string(proc, 3, "Lot 7 finished: 2 rejects");
    standin_push_string(proc, 4, "INFO");
    return proc;
}

// What display_balloon's body does, called without entry and wrapper.
void balloon_body_directly(Hproc_handle proc) {
    const int32_t handle = static_cast<int32_t>(static_cast<uint32_t>(hextcpp::get_param_int(proc, 1)));
    const std::string title = hextcpp::get_param_string(proc, 2);
    const std::string text = hextcpp::get_param_string(proc, 3);
    const std::string name = hextcpp::get_param_string(proc, 4);
    notification::show_named_balloon(handle, title, text, name);
}

int32_t new_icon(Hlong queue) {
    Hproc_handle proc = standin_new_proc();
    standin_push_string(proc, 1, "");
    standin_push_string(proc, 2, "INFO");
    standin_push_int(proc, 3, queue);
    if (CCreateTrayIcon(proc) != H_MSG_TRUE) {
        std::printf("create_tray_icon failed\n");
        std::exit(1);
    }
    return static_cast<int32_t>(standin_output_records(proc, 1)[0].par.l);
}

// Short batches taking turns, in alternating order, so both ways see the
// same load of the machine; the medians are compared.
void operator_call_overhead() {
    constexpr int calls = 200;
    constexpr int batches = 101;
    const int32_t icon = new_icon(0);
    std::vector<double> wrapped, direct;
    const auto time_wrapped = [&] {
        Hproc_handle proc = fresh_balloon_call(icon);
        const auto start = clock_type::now();
        for (int i = 0; i < calls; ++i) CDisplayBalloon(proc);
        wrapped.push_back(seconds_since(start) / calls);
    };
    const auto time_direct = [&] {
        Hproc_handle proc = fresh_balloon_call(icon);
        const auto start = clock_type::now();
        for (int i = 0; i < calls; ++i) balloon_body_directly(proc);
        direct.push_back(seconds_since(start) / calls);
    };
    for (int batch = 0; batch < batches; ++batch) {
        if (batch % 2) {
            time_wrapped();
            time_direct();
        } else {
            time_direct();
            time_wrapped();
        }
    }
    report("display_balloon through CDisplayBalloon and the wrapper, against its body called directly (medians)",
           median(wrapped), median(direct), "us per call", 1e6, 1.05);
    std::printf("  (%.0f calls per second through the entry, %.0f directly)\n", 1 / median(wrapped),
                1 / median(direct));
}

// A window on a thread of its own that only notes that a message came.
class bare_window {
public:
    bare_window() {
        thread_ = std::thread([this] { run(); });
        while (!window_.load()) std::this_thread::yield();
    }
    ~bare_window() {
        PostMessageW(window_.load(), WM_CLOSE, 0, 0);
        thread_.join();
    }
    bare_window(const bare_window&) = delete;
    bare_window& operator=(const bare_window&) = delete;
    HWND window() const { return window_.load(); }
    long seen() const { return seen_.load(); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_APP + 1) {
            reinterpret_cast<bare_window*>(GetWindowLongPtrW(window, GWLP_USERDATA))->seen_.fetch_add(1);
            return 1;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(window, message, wparam, lparam);
    }
    void run() {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"BareBenchmarkWindow";
        RegisterClassW(&window_class);
        HWND window = CreateWindowExW(0, L"BareBenchmarkWindow", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      window_class.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        window_.store(window);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }
    std::atomic<HWND> window_{nullptr};
    std::atomic<long> seen_{0};
    std::thread thread_;
};

BOOL CALLBACK match_hidden_window(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == GetCurrentProcessId() && std::wstring(name) == L"HiddenTrayIconWindow") {
        *reinterpret_cast<HWND*>(parameter) = window;
        return FALSE;
    }
    return TRUE;
}

// Each event timed on its own, package and bare post taking turns, so both
// see the same load of the machine; the medians are compared.
void event_latency() {
    constexpr int events_per_sample = 200;
    constexpr Hlong queue = 77;
    const int32_t icon = new_icon(queue);
    HWND hidden = nullptr;
    EnumWindows(match_hidden_window, reinterpret_cast<LPARAM>(&hidden));
    bare_window bare;
    const LPARAM select = MAKELPARAM(NIN_SELECT, icon);
    std::vector<double> package, baseline;
    for (int sample = 0; sample < samples; ++sample) {
        standin_reset();
        standin_clear_queues();
        for (int i = 0; i < events_per_sample; ++i) {
            // The count is read without the stand-in's lock, which the tray
            // thread needs for every HALCON call of the event.
            const int32_t enqueued = standin_enqueued_count();
            auto start = clock_type::now();
            PostMessageW(hidden, WM_APP + 1, 0, select);
            while (standin_enqueued_count() == enqueued) std::this_thread::yield();
            package.push_back(seconds_since(start));

            const long seen = bare.seen();
            start = clock_type::now();
            PostMessageW(bare.window(), WM_APP + 1, 0, select);
            while (bare.seen() == seen) std::this_thread::yield();
            baseline.push_back(seconds_since(start));
        }
        if (standin_queue_length(queue) != events_per_sample) {
            std::printf("the queue holds %d messages instead of %d\n", standin_queue_length(queue),
                        events_per_sample);
            std::exit(1);
        }
    }
    report("Event latency: callback message posted to the hidden window until the message is in the queue, "
           "against a bare post and dispatch on another thread (medians)",
           median(package), median(baseline), "us per event", 1e6, 2.0);
}

double create_and_clear_with_live_icons(int live) {
    constexpr int rounds = 300;
    standin_reset();
    for (int i = 0; i < live; ++i) new_icon(0);
    std::vector<double> times;
    for (int sample = 0; sample < samples; ++sample) {
        standin_reset();
        const auto start = clock_type::now();
        for (int i = 0; i < rounds; ++i) {
            const int32_t icon = new_icon(0);
            Hproc_handle clear = standin_new_proc();
            standin_push_int(clear, 1, icon);
            CClearTrayIcon(clear);
        }
        times.push_back(seconds_since(start) / rounds);
    }
    notification::destroy_all_tray_icons();
    return median(times);
}

void create_and_clear_scaling() {
    const double few = create_and_clear_with_live_icons(10);
    const double many = create_and_clear_with_live_icons(1000);
    report("create_tray_icon and clear_tray_icon of one icon with 1,000 icons alive, against with 10 alive", many,
           few, "us per icon", 1e6, 2.0);
}

}  // namespace

int main() {
    notification::shell_notify_icon_call = answered_at_once;
    operator_call_overhead();
    event_latency();
    create_and_clear_scaling();
    return 0;
}
