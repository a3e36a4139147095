#include "platform/TextNumbers.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace {

locale_t ClassicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Switches the calling thread (only) to the "C" locale while it lives.
class CClassicLocaleScope {
public:
    CClassicLocaleScope() : m_previous(ClassicLocale() ? uselocale(ClassicLocale()) : nullptr) {}
    ~CClassicLocaleScope() {
        if (m_previous)
            uselocale(m_previous);
    }
    CClassicLocaleScope(const CClassicLocaleScope&) = delete;
    CClassicLocaleScope& operator=(const CClassicLocaleScope&) = delete;

private:
    locale_t m_previous;
};

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string FormatC(const char* format, ...) {
    CClassicLocaleScope scope;
    char small[128];
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0)
        return std::string();
    if (static_cast<size_t>(needed) < sizeof small)
        return std::string(small, static_cast<size_t>(needed));
    std::string text(static_cast<size_t>(needed), '\0');
    va_start(args, format);
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

int32_t ParseDecimalInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            value = int64_t{INT32_MAX} + 1; // saturate; more digits cannot bring it back
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

namespace {
template <class T> bool Scan(std::string_view text, T& value, const char* format) {
    const std::string copy(text); // sscanf needs the terminating NUL
    CClassicLocaleScope scope;
    T scanned{};
    if (std::sscanf(copy.c_str(), format, &scanned) != 1)
        return false;
    value = scanned;
    return true;
}
} // namespace

bool ScanFloat(std::string_view text, float& value) {
    return Scan(text, value, "%f");
}

bool ScanDouble(std::string_view text, double& value) {
    return Scan(text, value, "%lf");
}
