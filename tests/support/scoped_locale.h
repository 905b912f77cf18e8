// A global locale for the life of a scope, and one whose case mapping
// differs from the classic locale's, to see which locale a name lookup uses.
#ifndef TESTS_SUPPORT_SCOPED_LOCALE_H
#define TESTS_SUPPORT_SCOPED_LOCALE_H

#include <locale>

namespace test_locale {

// Upper-cases 'i' to the dotted capital I of ISO 8859-9, as a Turkish
// locale does; every other byte as the classic locale does.
class dotted_i_ctype : public std::ctype<char> {
protected:
    char do_toupper(char c) const override { return c == 'i' ? '\xDD' : std::ctype<char>::do_toupper(c); }
    const char* do_toupper(char* first, const char* last) const override {
        for (; first != last; ++first) *first = do_toupper(*first);
        return last;
    }
};

inline std::locale dotted_i_locale() { return std::locale(std::locale::classic(), new dotted_i_ctype); }

class scoped_global_locale {
public:
    explicit scoped_global_locale(const std::locale& locale) : saved_(std::locale::global(locale)) {}
    ~scoped_global_locale() { std::locale::global(saved_); }
    scoped_global_locale(const scoped_global_locale&) = delete;
    scoped_global_locale& operator=(const scoped_global_locale&) = delete;

private:
    std::locale saved_;
};

}  // namespace test_locale

#endif
