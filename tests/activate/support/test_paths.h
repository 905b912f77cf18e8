// Where the test program and its fixtures are, and scratch folders of its own.
#ifndef ACTIVATE_TEST_PATHS_H
#define ACTIVATE_TEST_PATHS_H

#include <string>

namespace activate_test {

// ANSI text as UTF-16.
std::wstring widen(const std::string& ansi);

// The running program's full path and folder, as wide and as ANSI text.
std::wstring programPath();
std::string programDirectory();

// The HALCON installation fixture of that name (a full path, ANSI).
std::string installationFixture(const std::string& name);

// An empty folder under the temporary directory, removed with everything in
// it when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    // An existing folder, such as a drive's root, used the same way: what is
    // in it is removed when the object goes, the folder itself stays.
    explicit ScratchDirectory(const std::string& existingFolder);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }
    // <folder>\<relative>, with no second separator after a root's.
    std::string pathOf(const std::string& relative) const;
    // Writes `bytes` unchanged into the file `name` of the folder.
    void writeFile(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
    bool ownsFolder_ = true;
};

}  // namespace activate_test

#endif
