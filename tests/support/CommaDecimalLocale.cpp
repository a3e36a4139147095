#include "support/CommaDecimalLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr const char* kLocale = "de_DE.UTF-8";
}

CCommaDecimalLocale::CCommaDecimalLocale() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    m_previous = previous ? previous : "C";
    if (Switch())
        return;
    m_made = std::make_unique<CTempDir>();
    const CommandResult made = RunCommand({"localedef", "-i", "de_DE", "-f", "UTF-8", m_made->File(kLocale)});
    // localedef warns (exit 1) about details of the definition but still
    // writes a usable locale; the switch below tells.
    setenv("LOCPATH", m_made->Path().c_str(), 1);
    if (!Switch())
        m_why = std::string("no ") + kLocale + " locale and localedef could not make one (exit " +
                std::to_string(made.exitCode) + ": " + made.err + "); install `locales` (scripts/setup)";
}

CCommaDecimalLocale::~CCommaDecimalLocale() {
    std::setlocale(LC_ALL, m_previous.c_str());
    if (m_made)
        unsetenv("LOCPATH");
}

bool CCommaDecimalLocale::Switch() {
    if (!std::setlocale(LC_ALL, kLocale))
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    m_active = std::string(text) == "0,5";
    if (!m_active)
        m_why = std::string(kLocale) + " is set but printf writes " + text;
    return m_active;
}
