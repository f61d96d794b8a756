// Sets or removes one environment variable for a test's scope and gives it back its old value after.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace VQ::test {

class ScopedEnvironmentVariable {
public:
    // A null value removes the variable.
    ScopedEnvironmentVariable(std::string name, const char* value) : m_name(std::move(name))
    {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        Set(value);
    }
    ScopedEnvironmentVariable(std::string name, const std::string& value)
        : ScopedEnvironmentVariable(std::move(name), value.c_str())
    {
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable() { Set(m_old ? m_old->c_str() : nullptr); }

private:
    void Set(const char* value)
    {
        if (value)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace VQ::test
