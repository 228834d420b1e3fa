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
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        m_had ? ::setenv("TZ", m_old.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_had;
    std::string m_old;
};
