// The resources built into activate.exe, read back from the file: dialog 103
// control by control, the program icon, the version and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

// Reads a DLGTEMPLATEEX: words, double words and strings or ordinals.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : data_(data) {}
    WORD word() {
        WORD value;
        std::memcpy(&value, data_ + position_, sizeof value);
        position_ += sizeof value;
        return value;
    }
    DWORD dword() {
        DWORD value;
        std::memcpy(&value, data_ + position_, sizeof value);
        position_ += sizeof value;
        return value;
    }
    short coordinate() { return static_cast<short>(word()); }
    BYTE byte() { return data_[position_++]; }
    // Text, or "#<ordinal>" for an ordinal.
    std::string textOrOrdinal() {
        const WORD first = word();
        if (first == 0xFFFF) return "#" + std::to_string(word());
        std::string text;
        for (WORD c = first; c != 0; c = word()) text.push_back(static_cast<char>(c));
        return text;
    }
    void alignToDword() { position_ = (position_ + 3) & ~static_cast<size_t>(3); }
    void skip(size_t bytes) { position_ += bytes; }

private:
    const BYTE* data_;
    size_t position_ = 0;
};

struct Control {
    DWORD id;
    std::string kind;
    DWORD style;
    short x, y, cx, cy;
    std::string text;
};

bool operator==(const Control& a, const Control& b) {
    // Class names are case-insensitive; the resource compiler writes them in capitals.
    return a.id == b.id && _stricmp(a.kind.c_str(), b.kind.c_str()) == 0 && a.style == b.style && a.x == b.x && a.y == b.y && a.cx == b.cx &&
           a.cy == b.cy && a.text == b.text;
}

std::ostream& operator<<(std::ostream& out, const Control& c) {
    return out << c.id << " " << c.kind << " style 0x" << std::hex << c.style << std::dec << " at " << c.x << ","
               << c.y << " " << c.cx << "x" << c.cy << " \"" << c.text << "\"";
}

class ToolResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW((activate_test::widen(activate_test::programDirectory()) + L"\\activate.exe").c_str(),
                                 nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    const BYTE* resource(LPCWSTR type, LPCWSTR name, DWORD* size = nullptr) {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found) return nullptr;
        if (size) *size = SizeofResource(module_, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }
    HMODULE module_ = nullptr;
};

constexpr DWORD child = WS_CHILD | WS_VISIBLE;

TEST_F(ToolResources, DialogHoldsEveryControlInTabOrder) {
    const BYTE* data = resource(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(103));
    ASSERT_NE(data, nullptr);
    TemplateReader reader(data);
    EXPECT_EQ(reader.word(), 1);       // extended template
    EXPECT_EQ(reader.word(), 0xFFFF);
    reader.dword();                    // help id
    EXPECT_EQ(reader.dword(), 0u);     // no extended style
    EXPECT_EQ(reader.dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    const WORD count = reader.word();
    EXPECT_EQ(reader.coordinate(), 0);
    EXPECT_EQ(reader.coordinate(), 0);
    EXPECT_EQ(reader.coordinate(), 491);
    EXPECT_EQ(reader.coordinate(), 196);
    EXPECT_EQ(reader.textOrOrdinal(), "");  // no menu
    EXPECT_EQ(reader.textOrOrdinal(), "");  // the standard dialog class
    EXPECT_EQ(reader.textOrOrdinal(), "Activation Tool");
    EXPECT_EQ(reader.word(), 10);   // points
    EXPECT_EQ(reader.word(), 400);  // weight
    EXPECT_EQ(reader.byte(), 0);    // not italic
    EXPECT_EQ(reader.byte(), DEFAULT_CHARSET);
    EXPECT_EQ(reader.textOrOrdinal(), "Segoe UI");

    std::vector<Control> controls;
    for (WORD i = 0; i < count; ++i) {
        reader.alignToDword();
        Control c;
        reader.dword();  // help id
        EXPECT_EQ(reader.dword(), 0u) << "extended style of control " << i;
        c.style = reader.dword();
        c.x = reader.coordinate();
        c.y = reader.coordinate();
        c.cx = reader.coordinate();
        c.cy = reader.coordinate();
        c.id = reader.dword();
        c.kind = reader.textOrOrdinal();
        if (c.kind == "#128") c.kind = "Button";
        if (c.kind == "#130") c.kind = "Static";
        c.text = reader.textOrOrdinal();
        reader.skip(reader.word());
        controls.push_back(c);
    }
    const std::vector<Control> expected = {
        {2, "Static", child | SS_ICON | SS_REALSIZEIMAGE, 14, 14, 21, 20, ""},
        {201, "Static", child | SS_LEFT | SS_NOPREFIX | WS_GROUP, 213, 38, 271, 8, "Activation Tool for"},
        {202, "Static", child | SS_LEFT | WS_GROUP, 213, 50, 272, 8, "Extension Package"},
        {203, "Static", child | SS_LEFT | WS_GROUP, 213, 80, 272, 8,
         "HALCON uses the environment variable HALCONEXTENSIONS to decide"},
        {204, "Static", child | SS_LEFT | WS_GROUP, 213, 90, 272, 8,
         "which extension packages will be loaded. This tool will add or"},
        {205, "Static", child | SS_LEFT | WS_GROUP, 213, 100, 272, 8,
         "remove the extension package corresponding to the current HALCON"},
        {206, "Static", child | SS_LEFT | WS_GROUP, 213, 110, 272, 8,
         "version permanently to the user's environment variable HALCONEXTENSIONS."},
        {207, "Static", child | SS_LEFT | WS_GROUP, 213, 130, 272, 8, "Made by Quellmark Solutions."},
        {1002, "Button", child | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 216, 175, 50, 14, "&Activate..."},
        {1004, "SysLink", child | WS_TABSTOP, 7, 179, 60, 14, "<a>Help</a>"},
        {1003, "Button", child | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 287, 175, 50, 14, "&Deactivate..."},
        {1005, "SysLink", child | WS_TABSTOP, 80, 179, 120, 14, "<A>&Reset all HALCON extensions...</A>"},
        {1006, "Button", child | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 410, 175, 70, 14, "&Try in HDevelop"},
    };
    ASSERT_EQ(controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(controls[i], expected[i]) << "control " << i;
}

TEST_F(ToolResources, ProgramIconHoldsFiveImagesOf32BitsTheLargestAsPng) {
    const BYTE* group = resource(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(101));  // RT_GROUP_ICON, IDI_ICON1
    ASSERT_NE(group, nullptr);
    WORD header[3];
    std::memcpy(header, group, sizeof header);
    EXPECT_EQ(header[1], 1);  // icons
    ASSERT_EQ(header[2], 5);
    const int sizes[] = {256, 16, 32, 48, 64};
    for (int i = 0; i < 5; ++i) {
        const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY, packed
        WORD bits, id;
        std::memcpy(&bits, entry + 6, sizeof bits);
        std::memcpy(&id, entry + 12, sizeof id);
        EXPECT_EQ(entry[0] == 0 ? 256 : entry[0], sizes[i]) << "image " << i;
        EXPECT_EQ(entry[1] == 0 ? 256 : entry[1], sizes[i]) << "image " << i;
        EXPECT_EQ(bits, 32) << "image " << i;
        const BYTE* image = resource(MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(id));  // RT_ICON
        ASSERT_NE(image, nullptr);
        if (sizes[i] == 256) {
            EXPECT_EQ(std::memcmp(image, "\x89PNG\r\n\x1a\n", 8), 0);
        } else {
            BITMAPINFOHEADER bitmap;
            std::memcpy(&bitmap, image, sizeof bitmap);
            EXPECT_EQ(bitmap.biSize, sizeof bitmap);
            EXPECT_EQ(bitmap.biWidth, sizes[i]);
            EXPECT_EQ(bitmap.biBitCount, 32);
        }
    }
}

TEST_F(ToolResources, VersionNamesTheProductAndVersion) {
    const std::string file = activate_test::programDirectory() + "\\activate.exe";
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    for (const auto& entry : {std::pair<const char*, const char*>{"ProductName", "Activation Tool for Extension Package"},
                              {"FileVersion", "0.1.0.0"},
                              {"ProductVersion", "0.1.0.0"}}) {
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), (std::string("\\StringFileInfo\\040904b0\\") + entry.first).c_str(),
                                   reinterpret_cast<void**>(&text), &length))
            << entry.first;
        EXPECT_STREQ(text, entry.second) << entry.first;
    }
}

TEST_F(ToolResources, ManifestRunsAsInvokerWithCommonControls6) {
    DWORD size = 0;
    const BYTE* data = resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), &size);  // RT_MANIFEST
    ASSERT_NE(data, nullptr);
    const std::string manifest(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"), std::string::npos);
    const size_t controls = manifest.find(R"(name="Microsoft.Windows.Common-Controls")");
    ASSERT_NE(controls, std::string::npos);
    const size_t identityEnd = manifest.find("/>", controls);
    EXPECT_NE(manifest.substr(controls, identityEnd - controls).find(R"(version="6.0.0.0")"), std::string::npos);
}

}  // namespace
