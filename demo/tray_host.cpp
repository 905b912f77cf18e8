// A stand-in HALCON host for the package's tray operators: loads the package
// as HALCON does (from HALCONEXTENSIONS, bin/<arch>/<package>.dll, then
// HXPkgInit), calls the operators through the entry functions it registered,
// and prints what arrives in the icon's message queue.
//
// Output, one line each: "ready icon=<handle> tray=<l> <t> <r> <b>
// smicon=<w>" once the icon stands; "menu item <i>: <l> <t> <r> <b>" for each
// entry of a context menu that opens; "message <n>: <entries>" for every
// message in the queue; "done" after the expected messages.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "standin_control.h"
#include "standinc_control.h"
#include "window_driver.h"

namespace {

using entry_function = Herror (*)(Hproc_handle);

constexpr Hlong event_queue = 4242;
constexpr int expected_messages = 2;

[[noreturn]] void fail(const std::string& text) {
    std::printf("error: %s\n", text.c_str());
    std::fflush(stdout);
    std::exit(1);
}

// The first package directory HALCON would search.
std::string package_library_path() {
    const char* list = std::getenv("HALCONEXTENSIONS");
    if (!list || !*list) fail("HALCONEXTENSIONS is not set");
    std::string directory(list);
    directory = directory.substr(0, directory.find(';'));
    return directory + "\\bin\\" HALCON_ARCH_NAME "\\" PACKAGE_DLL_NAME;
}

class loaded_package {
public:
    loaded_package() {
        const std::string path = package_library_path();
        module_ = LoadLibraryA(path.c_str());
        if (!module_) fail("cannot load " + path + " (error " + std::to_string(GetLastError()) + ")");
        auto init = reinterpret_cast<Herror (*)(int32_t)>(reinterpret_cast<void*>(GetProcAddress(module_, "HXPkgInit")));
        if (!init) fail("the package exports no HXPkgInit");
        const Herror status = init(1);
        if (status != H_MSG_TRUE) fail("HXPkgInit returned " + std::to_string(status));
        for (int32_t index = 0; index < standin_registered_operator_count(); ++index) {
            const char* name = standin_registered(index, 4, 0);
            if (name) entries_[name] = reinterpret_cast<entry_function>(standin_registered_entry(index));
        }
    }
    ~loaded_package() { FreeLibrary(module_); }
    loaded_package(const loaded_package&) = delete;
    loaded_package& operator=(const loaded_package&) = delete;

    entry_function entry(const std::string& name) const {
        auto found = entries_.find(name);
        if (found == entries_.end() || !found->second) fail("the package registered no " + name);
        return found->second;
    }

private:
    HMODULE module_ = nullptr;
    std::map<std::string, entry_function> entries_;
};

struct operator_input {
    std::vector<std::string> strings;
    std::vector<Hlong> integers;
};

// Calls an operator with its control inputs at positions 1, 2, ...; gives
// the integer it wrote at output 1, if any.
Hlong call(const loaded_package& package, const std::string& name, const std::vector<operator_input>& inputs) {
    Hproc_handle proc = standin_new_proc();
    for (size_t i = 0; i < inputs.size(); ++i) {
        const int32_t position = static_cast<int32_t>(i + 1);
        for (const std::string& text : inputs[i].strings) standin_push_string(proc, position, text.c_str());
        for (Hlong value : inputs[i].integers) standin_push_int(proc, position, value);
    }
    const Herror status = package.entry(name)(proc);
    if (status != H_MSG_TRUE) fail(name + " returned " + std::to_string(status));
    const Hcpar* output = standin_output_records(proc, 1);
    return standin_output_count(proc, 1) > 0 && output ? output[0].par.l : 0;
}

operator_input text(const std::string& value) { return {{value}, {}}; }
operator_input texts(const std::vector<std::string>& values) { return {values, {}}; }
operator_input integer(Hlong value) { return {{}, {value}}; }

void print_menu_items(HWND menu_window) {
    constexpr UINT get_menu_handle = 0x01E1;  // MN_GETHMENU
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, get_menu_handle, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : -1;
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &item)) {
            std::printf("menu item %d: %ld %ld %ld %ld\n", i, item.left, item.top, item.right, item.bottom);
        }
    }
    std::fflush(stdout);
}

}  // namespace

int main() {
    standin_reset();
    standin_clear_queues();
    int status = 1;
    {
        loaded_package package;
        std::printf("loaded %s, %d operators registered\n", package_library_path().c_str(),
                    standin_registered_operator_count());
        const Hlong icon = call(package, "create_tray_icon",
                                {text("Inspection station: running"), text("rovuvarevozarivode"), integer(event_queue)});
        call(package, "set_tray_icon_context_menu",
             {integer(icon), texts({"Pause inspection", "Resume inspection", "View", "  [X] Rejects only",
                                    "  Full log", "-", "Exit"})});
        call(package, "display_balloon",
             {integer(icon), text("Inspection station"), text("Lot 7 finished: 2 rejects"), text("INFO")});
        std::printf("tray icon %lld: tooltip, context menu of 7 lines and a balloon; its events go to queue %lld\n",
                    static_cast<long long>(icon), static_cast<long long>(event_queue));

        RECT tray{};
        GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &tray);
        std::printf("ready icon=%lld tray=%ld %ld %ld %ld smicon=%d\n", static_cast<long long>(icon), tray.left,
                    tray.top, tray.right, tray.bottom, GetSystemMetrics(SM_CXSMICON));
        std::fflush(stdout);

        int printed = 0;
        HWND shown_menu = nullptr;
        const DWORD deadline = GetTickCount() + 90000;
        while (printed < expected_messages && GetTickCount() < deadline) {
            while (printed < standin_queue_length(event_queue)) {
                std::printf("message %d: %s\n", printed + 1, standin_queue_message(event_queue, printed));
                std::fflush(stdout);
                ++printed;
            }
            // The first popup of a right click is the menu itself; submenus
            // opening over it are not reported.
            if (shown_menu && !IsWindowVisible(shown_menu)) shown_menu = nullptr;
            if (!shown_menu) {
                shown_menu = window_driver::find_popup_menu();
                if (shown_menu) print_menu_items(shown_menu);
            }
            Sleep(20);
        }
        if (printed == expected_messages) status = 0;
        call(package, "clear_all_tray_icons", {});
    }
    std::printf("%s\n", status == 0 ? "done" : "error: the expected messages did not arrive");
    return status;
}
