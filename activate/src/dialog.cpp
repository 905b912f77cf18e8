#include "dialog.h"

#include <shellapi.h>

#include <exception>
#include <stdexcept>

#include "application.h"
#include "change_commands.h"
#include "extension_list.h"
#include "file_system.h"
#include "hdevelop_launch.h"
#include "resource.h"
#include "text_conversion.h"

namespace activate {

const char* const helpBaseAddress = "https://docs.quellmark-solutions.example/extpack/";

OpenAddressCall openAddressCall = ShellExecuteW;

namespace {

// The icon the dialog and control 2 show; the tool owns it.
IconHolder& dialogIcon() {
    static IconHolder icon;
    return icon;
}

// No exception may unwind through the system's message dispatch: whatever a
// command or a refresh throws is shown here and the dialog stays open.
template <typename Action>
void runShowingFailure(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        showWarning(error.what());
    } catch (...) {
        showWarning("internal error: unexpected failure.");
    }
}

void refreshShowingFailure(HWND dialog) {
    runShowingFailure([dialog] { refreshDialog(dialog); });
}

// Centres the dialog on its parent, or on the desktop when it has none.
void centre(HWND dialog) {
    HWND reference = GetParent(dialog);
    if (!reference) reference = GetDesktopWindow();
    RECT referenceRect;
    RECT dialogRect;
    GetWindowRect(reference, &referenceRect);
    GetWindowRect(dialog, &dialogRect);
    const int horizontal = ((referenceRect.right - referenceRect.left) - (dialogRect.right - dialogRect.left)) / 2;
    const int vertical = ((referenceRect.bottom - referenceRect.top) - (dialogRect.bottom - dialogRect.top)) / 2;
    SetWindowPos(dialog, HWND_TOP, referenceRect.left + horizontal, referenceRect.top + vertical, 0, 0, SWP_NOSIZE);
}

BOOL onInitDialog(HWND dialog) {
    refreshShowingFailure(dialog);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS};
    if (!InitCommonControlsEx(&controls)) return FALSE;
    centre(dialog);
    return TRUE;
}

void onCommand(HWND dialog, int commandId) {
    const ToolState& state = toolState();
    switch (commandId) {
    case IDC_ACTIVATE:
        runShowingFailure([&state] { activatePackage(state); });
        refreshShowingFailure(dialog);
        break;
    case IDC_DEACTIVATE:
        runShowingFailure([&state] { deactivatePackage(state); });
        refreshShowingFailure(dialog);
        break;
    case IDC_TRY_IN_HDEVELOP:
        // Changes nothing the buttons show, so no refresh.
        runShowingFailure([&state] { launchHDevelop(state); });
        break;
    default:
        break;
    }
}

void onDestroy() {
    dialogIcon().reset();
    PostQuitMessage(0);
}

}  // namespace

std::string packageIconPath(const ToolState& state) {
    const std::string path = joinPath(applicationDirectory(), state.name + ".ico");
    return pathKind(pathFromNarrow(path)) == PathKind::regularFile ? path : std::string();
}

std::string helpLinkMarkup(const ToolState& state) {
    return std::string("<a href=\"") + helpBaseAddress + state.name + "/\">Help</a>";
}

IconHolder loadPackageIcon(const std::string& path) {
    if (path.empty()) return IconHolder();
    // Width and height 0 without LR_DEFAULTSIZE: the image keeps its own size.
    return IconHolder(static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE)));
}

namespace {

// The parts of the dialog that come from the package alone, not from the
// user environment.
void showPackage(HWND dialog, const ToolState& state) {
    // Held here until it is shown, so a failing conversion cannot leak it.
    IconHolder icon = loadPackageIcon(packageIconPath(state));
    SetDlgItemTextW(dialog, IDC_DESCRIPTION, toUtf16(state.descriptionText()).c_str());
    SetDlgItemTextW(dialog, IDC_HELP_LINK, toUtf16(helpLinkMarkup(state)).c_str());
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
    SendDlgItemMessageW(dialog, IDC_PACKAGE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    // The earlier icon is no longer shown anywhere.
    dialogIcon() = std::move(icon);
}

}  // namespace

BOOL refreshDialog(HWND dialog) {
    const ToolState& state = toolState();
    std::exception_ptr readFailure;
    try {
        const bool active = isActive(state);
        EnableWindow(GetDlgItem(dialog, IDC_ACTIVATE), !active);
        EnableWindow(GetDlgItem(dialog, IDC_DEACTIVATE), active);
    } catch (const std::exception&) {
        // The buttons stay as they are. The rest does not need the value, and
        // without it the first refresh would leave Help without an address.
        readFailure = std::current_exception();
    }
    showPackage(dialog, state);
    if (readFailure) std::rethrow_exception(readFailure);
    return TRUE;
}

LRESULT onLinkNotify(HWND dialog, int controlId, const NMHDR* header) {
    if (header->code != NM_CLICK && header->code != NM_RETURN) return 0;
    switch (controlId) {
    case IDC_HELP_LINK: {
        // A failure to open the page is not reported.
        const auto* link = reinterpret_cast<const NMLINK*>(header);
        openAddressCall(nullptr, nullptr, link->item.szUrl, nullptr, nullptr, SW_SHOW);
        break;
    }
    case IDC_RESET_ALL_LINK:
        runShowingFailure([] { resetAllExtensions(); });
        refreshShowingFailure(dialog);
        break;
    default:
        break;
    }
    return 0;
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        // Escape arrives as IDCANCEL and is ignored: only the close box ends the tool.
        onCommand(dialog, LOWORD(wParam));
        return FALSE;
    case WM_NOTIFY:
        return onLinkNotify(dialog, LOWORD(wParam), reinterpret_cast<const NMHDR*>(lParam));
    case WM_CLOSE:
        DestroyWindow(dialog);
        return FALSE;
    case WM_DESTROY:
        onDestroy();
        return TRUE;
    default:
        return FALSE;
    }
}

int runDialog(HINSTANCE instance, int showCommand) {
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ACTIVATION_DIALOG), nullptr, dialogProc, 0);
    if (!dialog) {
        const DWORD error = GetLastError();
        // A dialog that fails half-way is destroyed, and its WM_DESTROY posts
        // the quit message; left queued, it would close the warning at once.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        throw std::runtime_error("internal error: could not create the dialog window (error " +
                                 std::to_string(error) + ").");
    }
    ShowWindow(dialog, showCommand);
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return 0;
        if (got == -1) return -1;
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace activate
