// What the tests' stand-in hdevelop.exe noted about each of its starts.
#ifndef ACTIVATE_TEST_HDEVELOP_RECORDS_H
#define ACTIVATE_TEST_HDEVELOP_RECORDS_H

#include <cstddef>
#include <string>
#include <vector>

namespace activate_test {

// One text per start, "<number of arguments>\n<HALCONEXTENSIONS>", from the
// records in `folder`: once `expected` of them are there and each could be
// read, or whatever could be read after 20 s.
std::vector<std::string> waitForHDevelopRecords(const std::string& folder, std::size_t expected);

}  // namespace activate_test

#endif
