#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/TypeName.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ {
namespace {

constexpr const char* kThisFile = "tests/vqframework/objectbase/ExceptionTest.cpp";

std::string Expected(const std::string& kind, const std::string& detail, const std::string& function, int line)
{
    return kind + " : " + (detail.empty() ? "" : detail + " : ") + function + " : " + kThisFile + " : Line " +
           std::to_string(line);
}

// The message of the X that call throws; a test failure when it throws nothing.
template <class X, class F> std::string MessageOf(F call)
{
    try {
        call();
    } catch (const X& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing thrown";
    return {};
}

TEST(ResultToString, FormatsCodeInUpperCaseHex)
{
    const struct {
        VQRESULT result;
        const char* text;
    } cases[] = {
        {E_FAIL, "VQRESULT = 80004005"},   {E_INVALIDARG, "VQRESULT = 80070057"},
        {E_NOTIMPL, "VQRESULT = 80004001"}, {E_OUTOFMEMORY, "VQRESULT = 8007000E"},
        {S_OK, "VQRESULT = 0"},             {S_FALSE, "VQRESULT = 1"},
        {-1, "VQRESULT = FFFFFFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResultToString(c.result), c.text);
}

struct Thrower {
    [[noreturn]] static void WithoutDetail(int& line)
    {
        line = __LINE__ + 1;
        VQ_THROW(std::runtime_error);
    }
};

template <class X> struct KindCase;
template <> struct KindCase<std::logic_error> { static constexpr const char* Kind = "Logic Error"; };
template <> struct KindCase<std::runtime_error> { static constexpr const char* Kind = "Runtime Error"; };
template <> struct KindCase<std::out_of_range> { static constexpr const char* Kind = "Out of Range"; };
template <> struct KindCase<std::domain_error> { static constexpr const char* Kind = "Domain Error"; };
template <> struct KindCase<std::invalid_argument> { static constexpr const char* Kind = "Invalid Argument"; };

template <class X> class ExceptionKinds : public testing::Test {};
using Kinds = testing::Types<std::logic_error, std::runtime_error, std::out_of_range, std::domain_error,
                             std::invalid_argument>;
TYPED_TEST_SUITE(ExceptionKinds, Kinds);

template <class X> [[noreturn]] void ThrowWithDetail(int& line)
{
    line = __LINE__ + 1;
    VQ_THROW_DETAIL(X, std::string("some detail"));
}

TYPED_TEST(ExceptionKinds, MessageHasKindDetailFunctionPathAndLine)
{
    int line = 0;
    try {
        ThrowWithDetail<TypeParam>(line);
        FAIL();
    } catch (const TypeParam& e) {
        // A function template's own arguments are not part of its name; a class template's are.
        EXPECT_EQ(e.what(), Expected(KindCase<TypeParam>::Kind, "some detail", "VQ::{anonymous}::ThrowWithDetail", line));
    }
}

TYPED_TEST(ExceptionKinds, IsCatchableAsItsStandardClassAndStdException)
{
    int line = 0;
    EXPECT_THROW(ThrowWithDetail<TypeParam>(line), TypeParam);
    EXPECT_THROW(ThrowWithDetail<TypeParam>(line), std::exception);
    EXPECT_THROW(ThrowWithDetail<TypeParam>(line), ExceptionBase);
}

TEST(Exception, OutOfRangeIsALogicError)
{
    int line = 0;
    EXPECT_THROW(ThrowWithDetail<std::out_of_range>(line), std::logic_error);
}

TEST(Exception, MessageWithoutDetailHasNoEmptyPart)
{
    int line = 0;
    const std::string message = MessageOf<std::runtime_error>([&] { Thrower::WithoutDetail(line); });
    EXPECT_EQ(message, Expected("Runtime Error", "", "VQ::{anonymous}::Thrower::WithoutDetail", line));
}

TEST(Exception, CopyKeepsTextAndBaseGivesIt)
{
    Exception<std::logic_error> original("Logic Error : text");
    Exception<std::logic_error> copy = original;
    EXPECT_STREQ(copy.what(), original.what());
    const ExceptionBase& base = copy;
    EXPECT_STREQ(base.GetText(), "Logic Error : text");
}

TEST(Exception, BadAllocSaysBadAllocationAlone)
{
    EXPECT_EQ(MessageOf<std::bad_alloc>([] { throw Exception<std::bad_alloc>(); }), "bad allocation");
    Exception<std::bad_alloc> converted{std::bad_alloc()};
    EXPECT_STREQ(static_cast<const ExceptionBase&>(converted).GetText(), "bad allocation");
}

TEST(Exception, ConstructsFromStandardException)
{
    Exception<std::runtime_error> e(std::runtime_error("plain"));
    EXPECT_STREQ(e.what(), "plain");
}

void Check(VQRESULT result, int& line)
{
    line = __LINE__ + 1;
    VQ_CHECK_RESULT(result);
}

TEST(CheckResult, ThrowsOnlyForNegativeResults)
{
    int line = 0;
    EXPECT_NO_THROW(Check(S_OK, line));
    EXPECT_NO_THROW(Check(S_FALSE, line));
    EXPECT_NO_THROW(Check(0x7FFFFFFF, line));
    try {
        Check(E_FAIL, line);
        FAIL();
    } catch (const FailedResultException& e) {
        EXPECT_EQ(e.what(), Expected("Failed Result", "VQRESULT = 80004005", "VQ::{anonymous}::Check", line));
    }
    try {
        Check(E_OUTOFMEMORY, line);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Failed Result : VQRESULT = 8007000E : ", 0), 0u);
    }
}

TEST(FunctionName, StripsReturnTypeParametersAndFillsTemplateArgumentsInEitherCompilersSpelling)
{
    const struct {
        const char* pretty;
        const char* name;
    } cases[] = {
        {"void VQ::LRefCountedObject::Undo()", "VQ::LRefCountedObject::Undo"},
        {"int VQ::LRefCountedObject::Release() const", "VQ::LRefCountedObject::Release"},
        {"LPad::GetParamValueLocal(int)", "LPad::GetParamValueLocal"},
        {"void VQ::ConstRCPtr<X>::Unshare() [with X = VQ::LIBuffer]", "VQ::ConstRCPtr<VQ::LIBuffer>::Unshare"},
        {"void VQ::RCPtrArray<T, A, B>::RemoveItem(int) [with T = VQ::LTaggableObject; int A = 1; int B = 0]",
         "VQ::RCPtrArray<VQ::LTaggableObject, 1, 0>::RemoveItem"},
        {"static const VQ::StringT<C, O>& VQ::StringT<C, O>::Lock(int) [with C = char16_t; O = char]",
         "VQ::StringT<char16_t, char>::Lock"},
        {"bool VQ::X::operator()(int) const", "VQ::X::operator()"},
        {"VQ::X::operator int() const", "VQ::X::operator int"},
        {"bool VQ::X::operator<(const VQ::X&) const", "VQ::X::operator<"},
        {"bool VQ::X::operator>(const VQ::X&) const", "VQ::X::operator>"},
        {"VQ::X& VQ::X::operator<<(int)", "VQ::X::operator<<"},
        {"const T& VQ::Array<T>::operator[](int) const [with T = int]", "VQ::Array<int>::operator[]"},
        {"bool VQ::Key<T>::operator<(const VQ::Key<T>&) const [with T = int]", "VQ::Key<int>::operator<"},
        {"void f(void (*)(int))", "f"},
        {"void VQ::{anonymous}::Check(int)", "VQ::{anonymous}::Check"},
        // Clang's spelling gives the same names.
        {"static const StringT<C, O> &VQ::StringT<char16_t, char>::Lock(int) [C = char16_t, O = char]",
         "VQ::StringT<char16_t, char>::Lock"},
        {"char16_t *VQ::StringT<char16_t, char>::Get() [C = char16_t, O = char]", "VQ::StringT<char16_t, char>::Get"},
        {"void VQ::RCPtrArray<VQ::LTaggableObject, 1, 0>::RemoveItem(int) [T = VQ::LTaggableObject, A = 1, B = 0]",
         "VQ::RCPtrArray<VQ::LTaggableObject, 1, 0>::RemoveItem"},
        {"void VQ::ArrayUtils::Sort(T &, F) [T = int, F = (lambda at x.cpp:8:16)]", "VQ::ArrayUtils::Sort"},
        {"void VQ::(anonymous namespace)::Check(int)", "VQ::{anonymous}::Check"},
        {"void VQ::Arr<VQ::(anonymous namespace)::K, 1, 0>::Go() [T = VQ::(anonymous namespace)::K, A = 1, B = 0]",
         "VQ::Arr<VQ::{anonymous}::K, 1, 0>::Go"},
        {"bool VQ::Key<int>::operator<(const Key<T> &) const [T = int]", "VQ::Key<int>::operator<"},
        {"const T &VQ::Array<int>::operator[](int) const [T = int]", "VQ::Array<int>::operator[]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FunctionName(c.pretty), c.name) << c.pretty;
}

} // namespace
} // namespace VQ
