// For desktop drivers: waits for the visible dialog of the given caption (of
// any process) and prints "rect <left> <top> <right> <bottom>" in desktop
// coordinates, or closes it with its close box.
//   dialog_locator <caption> rect|close
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK match(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    char kind[16] = {};
    char caption[256] = {};
    GetClassNameA(window, kind, sizeof kind);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(kind, "#32770") == 0 && IsWindowVisible(window) && std::strcmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_locator <caption> rect|close\n");
        return 2;
    }
    Search search{argv[1], nullptr};
    for (int attempt = 0; attempt < 1500 && !search.found; ++attempt) {
        EnumWindows(match, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(20);
    }
    if (!search.found) {
        std::fprintf(stderr, "no dialog \"%s\"\n", argv[1]);
        return 1;
    }
    if (std::string(argv[2]) == "close") {
        PostMessageA(search.found, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    RECT rect;
    GetWindowRect(search.found, &rect);
    std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}
