// The framework's exceptions: one template over the standard exception classes, one message format.
#pragma once

#include "vqframework/objectbase/Result.h"

#include <new>
#include <stdexcept>
#include <string>

namespace VQ {

// Gives code that holds the framework side of an exception a uniform way to its message.
class ExceptionBase {
public:
    virtual ~ExceptionBase() = default;
    const char* GetText() const;
};

// A result code below 0 where the caller cannot handle a failure.
class FailedResultException : public std::exception {
public:
    explicit FailedResultException(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

template <class X> class Exception : public X, public ExceptionBase {
public:
    explicit Exception(const char* message) : X(message) {}
    explicit Exception(const std::string& message) : X(message) {}
    explicit Exception(const X& other) : X(other) {}
};

template <> class Exception<FailedResultException> : public FailedResultException, public ExceptionBase {
public:
    explicit Exception(std::string message) : FailedResultException(std::move(message)) {}
    explicit Exception(const char* message) : FailedResultException(std::string(message)) {}
};

template <> class Exception<std::bad_alloc> : public std::bad_alloc, public ExceptionBase {
public:
    Exception() = default;
    explicit Exception(const std::bad_alloc&) {}
    const char* what() const noexcept override { return "bad allocation"; }
};

// The kind text that starts every message of Exception<X>.
template <class X> struct ExceptionKind;
template <> struct ExceptionKind<std::logic_error> { static constexpr const char* Text = "Logic Error"; };
template <> struct ExceptionKind<std::runtime_error> { static constexpr const char* Text = "Runtime Error"; };
template <> struct ExceptionKind<std::out_of_range> { static constexpr const char* Text = "Out of Range"; };
template <> struct ExceptionKind<std::domain_error> { static constexpr const char* Text = "Domain Error"; };
template <> struct ExceptionKind<std::invalid_argument> { static constexpr const char* Text = "Invalid Argument"; };
template <> struct ExceptionKind<FailedResultException> { static constexpr const char* Text = "Failed Result"; };

// "VQRESULT = " and the code in upper-case hexadecimal.
std::string ResultToString(VQRESULT result);

// kind " : " [detail " : "] function " : " path " : Line " line
std::string FormatExceptionMessage(const char* kind, const char* detail, const char* prettyFunction,
                                   const char* file, int line);

template <class X>
[[noreturn]] void ThrowException(const char* detail, const char* prettyFunction, const char* file, int line)
{
    throw Exception<X>(FormatExceptionMessage(ExceptionKind<X>::Text, detail, prettyFunction, file, line));
}

template <class X>
[[noreturn]] void ThrowException(const std::string& detail, const char* prettyFunction, const char* file, int line)
{
    ThrowException<X>(detail.c_str(), prettyFunction, file, line);
}

[[noreturn]] void ThrowFailedResult(VQRESULT result, const char* prettyFunction, const char* file, int line);

inline void CheckResult(VQRESULT result, const char* prettyFunction, const char* file, int line)
{
    if (result < 0)
        ThrowFailedResult(result, prettyFunction, file, line);
}

} // namespace VQ

// Throws Exception<X> for the enclosing function; X is the standard class (std::logic_error ...).
#define VQ_THROW(X) ::VQ::ThrowException<X>(static_cast<const char*>(nullptr), __PRETTY_FUNCTION__, __FILE__, __LINE__)
#define VQ_THROW_DETAIL(X, detail) ::VQ::ThrowException<X>((detail), __PRETTY_FUNCTION__, __FILE__, __LINE__)
// Throws Exception<FailedResultException> when the result is below 0.
#define VQ_CHECK_RESULT(result) ::VQ::CheckResult((result), __PRETTY_FUNCTION__, __FILE__, __LINE__)
