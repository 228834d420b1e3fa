#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Sets the time zone for the life of the object, and puts the old one back.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        m_old = old ? old : "";
        Set(zone);
    }
    ~ScopedTimeZone() { Set(m_had ? m_old.c_str() : nullptr); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    static void Set(const char* zone)
    {
#ifdef _WIN32
        // The C runtime's own form: a name and hours west of UTC.
        std::string value = zone ? (std::string(zone) == "UTC" ? "UTC0" : zone) : "";
        ::_putenv_s("TZ", value.c_str());
        ::_tzset();
#else
        zone ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
        ::tzset();
#endif
    }

    bool m_had;
    std::string m_old;
};
