// What the test programs and tray_test_library.dll share besides the
// exported names: the types that cross between them.
#ifndef TESTS_TRAY_TRAY_TEST_LIBRARY_H
#define TESTS_TRAY_TRAY_TEST_LIBRARY_H

namespace tray_test {

// Counts the text conversions the library made while its icons were being
// removed; lives in the test program, so it can be read after the unload.
struct conversion_tally {
    int converted = 0;
    int wrong = 0;
    int refused = 0;
};

}  // namespace tray_test

#endif
