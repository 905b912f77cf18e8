// The dialog's pieces in this process: the package icon's path and loading,
// the help link's markup, and what a link's notification opens.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "application.h"
#include "dialog.h"
#include "test_paths.h"
#include "tool_driver.h"

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

}  // namespace
