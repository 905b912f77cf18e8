// The dialog's pieces in this process: the package icon's path and loading,
// the help link's markup, what a link's notification opens, and dialog 103
// made here from the tool's own resources with the tool's dialog procedure.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "application.h"
#include "box_watcher.h"
#include "dialog.h"
#include "test_paths.h"
#include "tool_driver.h"
#include "user_extensions.h"

namespace {

// A state whose package name no other file beside this program has.
activate::ToolState stateNamed(const std::string& name) {
    activate::ToolState state;
    state.name = name;
    return state;
}

// Removes the file or folder beside this program when the test ends.
struct BesideProgram {
    std::string path;
    explicit BesideProgram(const std::string& name) : path(activate::applicationDirectory() + "\\" + name) {}
    ~BesideProgram() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(activate_test::widen(path)), ignored);
    }
};

std::string packageIconFile() {
    std::string relative = ACTIVATE_TOOL_FILES_FROM_BIN;
    for (char& c : relative) {
        if (c == '/') c = '\\';
    }
    return activate_test::programDirectory() + "\\" + relative + "\\" + EXTENSION_PACKAGE_NAME + ".ico";
}

TEST(PackageIconPath, IsTheIconBesideTheToolOnlyWhenItIsARegularFile) {
    const std::string name = "icon-path-" + std::to_string(GetCurrentProcessId());
    const activate::ToolState state = stateNamed(name);
    const BesideProgram icon(name + ".ico");

    EXPECT_EQ(activate::packageIconPath(state), "");
    ASSERT_TRUE(CreateDirectoryA(icon.path.c_str(), nullptr));
    EXPECT_EQ(activate::packageIconPath(state), "");
    ASSERT_TRUE(RemoveDirectoryA(icon.path.c_str()));
    ASSERT_TRUE(CopyFileA(packageIconFile().c_str(), icon.path.c_str(), FALSE));
    EXPECT_EQ(activate::packageIconPath(state), icon.path);
}

TEST(LoadPackageIcon, KeepsTheImageSizeAndGivesNullForNoIcon) {
    EXPECT_EQ(activate::loadPackageIcon("").get(), nullptr);

    const activate::IconHolder icon = activate::loadPackageIcon(packageIconFile());
    ASSERT_NE(icon.get(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 48);
    EXPECT_EQ(colour.bmHeight, 48);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    activate_test::ScratchDirectory folder;
    folder.writeFile("not-an-icon.ico", "plain text");
    EXPECT_EQ(activate::loadPackageIcon(folder.path() + "\\not-an-icon.ico").get(), nullptr);
}

TEST(HelpLinkMarkup, LinksThePackagesOwnHelpPage) {
    EXPECT_EQ(activate::helpLinkMarkup(stateNamed("notification")),
              std::string("<a href=\"") + activate::helpBaseAddress + "notification/\">Help</a>");
    const std::string base = activate::helpBaseAddress;
    EXPECT_EQ(base.rfind("https://", 0), 0u);
    EXPECT_EQ(base.substr(base.size() - 9), "/extpack/");
}

struct OpenedAddress {
    HWND window;
    bool defaultVerb;
    std::wstring address;
    bool noParameters;
    bool noDirectory;
    INT show;
};
std::vector<OpenedAddress> opened;

HINSTANCE WINAPI recordOpen(HWND window, LPCWSTR verb, LPCWSTR address, LPCWSTR parameters, LPCWSTR directory,
                            INT show) {
    opened.push_back({window, verb == nullptr, address, parameters == nullptr, directory == nullptr, show});
    return reinterpret_cast<HINSTANCE>(2);  // "file not found": not reported
}

TEST(OnLinkNotify, OpensTheHelpLinksAddressOnClickAndReturnOnly) {
    const auto realOpen = activate::openAddressCall;
    activate::openAddressCall = recordOpen;
    opened.clear();

    NMLINK link{};
    link.hdr.idFrom = 1004;
    wcscpy(link.item.szUrl, L"https://help.example/extpack/notification/");
    struct Case {
        int control;
        UINT code;
        bool opens;
    };
    const Case cases[] = {
        {1004, static_cast<UINT>(NM_CLICK), true},   {1004, static_cast<UINT>(NM_RETURN), true},
        {1004, static_cast<UINT>(NM_SETFOCUS), false}, {1004, static_cast<UINT>(NM_RCLICK), false},
        {1005, static_cast<UINT>(NM_SETFOCUS), false}, {1002, static_cast<UINT>(NM_CLICK), false},
    };
    for (const Case& c : cases) {
        opened.clear();
        link.hdr.code = c.code;
        EXPECT_EQ(activate::onLinkNotify(nullptr, c.control, &link.hdr), 0);
        ASSERT_EQ(opened.size(), c.opens ? 1u : 0u) << c.control << " " << static_cast<int>(c.code);
        if (c.opens) {
            EXPECT_EQ(opened[0].window, nullptr);
            EXPECT_TRUE(opened[0].defaultVerb);
            EXPECT_EQ(opened[0].address, L"https://help.example/extpack/notification/");
            EXPECT_TRUE(opened[0].noParameters);
            EXPECT_TRUE(opened[0].noDirectory);
            EXPECT_EQ(opened[0].show, SW_SHOW);
        }
    }
    activate::openAddressCall = realOpen;
}

// Dialog 103 from activate.exe beside this program, run by the tool's own
// dialog procedure on this thread with `state` as the tool's state. Its
// first refresh runs while it is made.
class DialogInThisProcess {
public:
    explicit DialogInThisProcess(const activate::ToolState& state) : savedState_(activate::toolState()) {
        activate::toolState() = state;
        const std::wstring tool = activate_test::widen(activate_test::programDirectory()) + L"\\activate.exe";
        resources_ = LoadLibraryExW(tool.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        // The tool's entry registers the common controls before it makes the dialog.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS};
        InitCommonControlsEx(&controls);
        if (resources_) {
            dialog_ = CreateDialogParamW(resources_, MAKEINTRESOURCEW(103), nullptr, activate::dialogProc, 0);
        }
    }
    ~DialogInThisProcess() {
        if (dialog_) DestroyWindow(dialog_);
        // Its WM_DESTROY posts the quit message that ends the tool's loop;
        // left here, it would end the next message box of this thread at once.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        if (resources_) FreeLibrary(resources_);
        activate::toolState() = savedState_;
    }
    DialogInThisProcess(const DialogInThisProcess&) = delete;
    DialogInThisProcess& operator=(const DialogInThisProcess&) = delete;

    HWND get() const { return dialog_; }

private:
    activate::ToolState savedState_;
    HMODULE resources_ = nullptr;
    HWND dialog_ = nullptr;
};

std::string controlText(HWND dialog, int id) { return window_driver::window_text(GetDlgItem(dialog, id)); }

// The address of the help link's one link, as the link control holds it.
std::wstring helpLinkAddress(HWND dialog) {
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    item.iLink = 0;
    if (!SendDlgItemMessageW(dialog, 1004, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return L"<no link>";
    return item.szUrl;
}

HICON bigIcon(HWND dialog) { return reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)); }
HICON iconControlIcon(HWND dialog) {
    return reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, 2, STM_GETICON, 0, 0));
}

int iconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return colour.bmWidth;
}

// A package of its own name with its icon beside this program.
struct PackageBesideProgram {
    activate::ToolState state;
    BesideProgram icon;
    explicit PackageBesideProgram(const std::string& name) : state(stateNamed(name)), icon(name + ".ico") {
        state.description = "A package of the dialog's own tests";
    }
    bool placeIcon() const { return CopyFileA(packageIconFile().c_str(), icon.path.c_str(), FALSE) != FALSE; }
};

std::string uniqueName(const std::string& what) { return what + "-" + std::to_string(GetCurrentProcessId()); }

TEST(DialogInThisProcess, ShowsThePackagesDescriptionHelpLinkAndIcon) {
    const activate_test::UserExtensionsRestorer restorer;
    activate_test::setRawUserExtensions(std::nullopt);
    const PackageBesideProgram package(uniqueName("shown-package"));
    ASSERT_TRUE(package.placeIcon());

    const DialogInThisProcess dialog(package.state);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(controlText(dialog.get(), 202), "A package of the dialog's own tests");
    EXPECT_EQ(helpLinkAddress(dialog.get()),
              activate_test::widen(activate::helpBaseAddress + package.state.name + "/"));
    // The window's large icon is the package icon at its own size, the one control 2 shows.
    const HICON icon = bigIcon(dialog.get());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon, iconControlIcon(dialog.get()));
    EXPECT_EQ(iconWidth(icon), 48);
}

TEST(DialogInThisProcess, HasNoIconWhileThePackageIconIsAbsent) {
    const activate_test::UserExtensionsRestorer restorer;
    activate_test::setRawUserExtensions(std::nullopt);
    const PackageBesideProgram package(uniqueName("iconless-package"));

    const DialogInThisProcess dialog(package.state);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(bigIcon(dialog.get()), nullptr);
    EXPECT_EQ(iconControlIcon(dialog.get()), nullptr);

    // A refresh takes up an icon that came and drops one that went.
    ASSERT_TRUE(package.placeIcon());
    activate::refreshDialog(dialog.get());
    EXPECT_NE(bigIcon(dialog.get()), nullptr);
    EXPECT_NE(iconControlIcon(dialog.get()), nullptr);
    ASSERT_TRUE(DeleteFileA(package.icon.path.c_str()));
    activate::refreshDialog(dialog.get());
    EXPECT_EQ(bigIcon(dialog.get()), nullptr);
    EXPECT_EQ(iconControlIcon(dialog.get()), nullptr);
}

TEST(DialogInThisProcess, ShowsThePackageAlsoWhenTheValueCannotBeRead) {
    const activate_test::UserExtensionsRestorer restorer;
    activate_test::setUnreadableUserExtensions();
    const PackageBesideProgram package(uniqueName("unreadable-value-package"));
    ASSERT_TRUE(package.placeIcon());

    activate_test::BoxWatcher warnings("Activation Tool for Extension Package", std::vector<int>{IDOK});
    const DialogInThisProcess dialog(package.state);
    const auto& seen = warnings.stop();
    ASSERT_NE(dialog.get(), nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.rfind("Getting registry key HKEY_CURRENT_USER\\Environment\\HALCONEXTENSIONS failed: ", 0),
              0u)
        << seen[0].text;
    EXPECT_EQ(controlText(dialog.get(), 202), "A package of the dialog's own tests");
    EXPECT_EQ(helpLinkAddress(dialog.get()),
              activate_test::widen(activate::helpBaseAddress + package.state.name + "/"));
    EXPECT_NE(bigIcon(dialog.get()), nullptr);
    EXPECT_EQ(bigIcon(dialog.get()), iconControlIcon(dialog.get()));
}

}  // namespace
