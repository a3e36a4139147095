#pragma once
// The whole process switched to a German locale (decimal comma) while the
// object lives, as the window toolkit switches it on a German desktop: what
// the program writes and reads must not change with it. When the system has
// no German locale, one is made with localedef (package `locales`) into a
// folder of the test's own.

#include "support/TestUtil.h"

#include <memory>
#include <string>

class CCommaDecimalLocale {
public:
    CCommaDecimalLocale();
    ~CCommaDecimalLocale();
    CCommaDecimalLocale(const CCommaDecimalLocale&) = delete;
    CCommaDecimalLocale& operator=(const CCommaDecimalLocale&) = delete;

    // True when printf now writes a decimal comma; else Why() says why not.
    bool Active() const { return m_active; }
    const std::string& Why() const { return m_why; }

private:
    bool Switch();

    std::string m_previous;
    std::unique_ptr<CTempDir> m_made;
    bool m_active = false;
    std::string m_why;
};
