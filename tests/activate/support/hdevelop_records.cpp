#include "hdevelop_records.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "test_paths.h"

namespace activate_test {

std::vector<std::string> waitForHDevelopRecords(const std::string& folder, std::size_t expected) {
    std::vector<std::string> found;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        found.clear();
        // A record that has just been renamed into place may still be held
        // open by the rename; it is read on the next round.
        bool allRead = true;
        for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(widen(folder)))) {
            if (file.path().extension() != ".txt") continue;
            std::ifstream in(file.path(), std::ios::binary);
            if (!in) {
                allRead = false;
                continue;
            }
            found.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        if ((allRead && found.size() >= expected) || std::chrono::steady_clock::now() > deadline) return found;
        Sleep(20);
    }
}

}  // namespace activate_test
