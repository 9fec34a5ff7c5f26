#pragma once
// Switches the process to a locale whose decimal separator is a comma while the object lives,
// for tests that number texts ignore the user's regional settings.

#include <clocale>
#include <locale>
#include <stdexcept>

class DecimalCommaLocale {
  public:
    DecimalCommaLocale()
    {
        // The last name is the Windows C runtime's; it knows none of the others.
        for (const char* name :
             {"ru_RU.UTF-8", "de_DE.UTF-8", "ru_RU.utf8", "de_DE.utf8", "Russian_Russia.1251"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                m_name = name;
                break;
            }
        }
        if (m_name == nullptr) {
            return;
        }
        try {
            std::locale::global(std::locale(m_name));
        } catch (const std::runtime_error&) {
            // MinGW's C++ library has no named locales; the C runtime's, set above, stays.
        }
    }
    ~DecimalCommaLocale()
    {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    // Null when no decimal-comma locale is installed.
    const char* name() const { return m_name; }

  private:
    const char* m_name = nullptr;
};
