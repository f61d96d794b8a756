#include "vqframework/storage/StringT.h"

#include "vqframework/storage/StringArrayT.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

namespace VQ {

// Failure messages show the text, not the bytes of the object.
template <class C, class O> static void PrintTo(const StringT<C, O>& text, std::ostream* out)
{
    if constexpr (sizeof(C) == 2)
        *out << '"' << text.ToUTF8().GetString() << '"';
    else
        *out << '"' << text.View() << '"';
}

namespace {

using String = StringT<char16_t, char>;
using NarrowString = StringT<char, char16_t>;

std::string Utf8(const String& text)
{
    return text.ToUTF8().GetString();
}

const LIBuffer* BufferOf(const String& text)
{
    return text.GetBuffer().Get();
}

const LIBuffer* EmptyBuffer()
{
    return BufferOf(String());
}

// Stands in for a list of strings: what Split needs of its output.
struct StringList {
    std::vector<std::string> items;
    void Clear() { items.clear(); }
    void Add(const String& text) { items.push_back(Utf8(text)); }
};

TEST(StringT, CopiesShareTheBufferUntilOneOfThemChanges)
{
    String a(u"text");
    String b = a;
    EXPECT_EQ(BufferOf(a), BufferOf(b));
    EXPECT_EQ(a.GetBuffer()->GetRefCount(), 2);

    b += u"!";
    EXPECT_NE(BufferOf(a), BufferOf(b));
    EXPECT_EQ(a.GetBuffer()->GetRefCount(), 1);
    EXPECT_EQ(a, u"text");
    EXPECT_EQ(b, u"text!");

    String c;
    c = a;
    EXPECT_EQ(BufferOf(c), BufferOf(a));
}

// Counts the references taken, so that a test sees a count that went up and down again.
class CountingBuffer : public StringBuffer {
public:
    using StringBuffer::StringBuffer;
    int32_t AddRef() const override
    {
        ++references;
        return StringBuffer::AddRef();
    }
    mutable int32_t references = 0;
};

TEST(StringT, MovesHandTheBufferOverWithoutTouchingItsCount)
{
    static_assert(std::is_nothrow_move_constructible_v<String> && std::is_nothrow_move_assignable_v<String>);
    static_assert(std::is_nothrow_move_constructible_v<NarrowString> &&
                  std::is_nothrow_move_assignable_v<NarrowString>);

    ConstRCPtr<LIBuffer> held(new CountingBuffer(5, 0, true));
    std::memcpy(held->GetData(), "text", 5);
    const auto* buffer = static_cast<const CountingBuffer*>(held.Get());
    NarrowString source(held);
    held.Release();
    ASSERT_EQ(source.GetBuffer().Get(), buffer);
    const int32_t references = buffer->references;

    NarrowString moved(std::move(source));
    EXPECT_EQ(moved.GetBuffer().Get(), buffer);
    EXPECT_EQ(source.GetBuffer().Get(), NarrowString().GetBuffer().Get());
    EXPECT_TRUE(source.IsEmpty());

    NarrowString target("old");
    target = std::move(moved);
    EXPECT_EQ(target.GetBuffer().Get(), buffer);
    EXPECT_EQ(moved.GetBuffer().Get(), NarrowString().GetBuffer().Get());
    EXPECT_EQ(buffer->references, references);
    EXPECT_EQ(buffer->GetRefCount(), 1);
    EXPECT_EQ(target, "text");

    String wide(u"wide");
    const String copy = wide;
    const String taken(std::move(wide));
    EXPECT_EQ(BufferOf(taken), BufferOf(copy));
    EXPECT_EQ(copy.GetBuffer()->GetRefCount(), 2);
    EXPECT_EQ(BufferOf(wide), EmptyBuffer());
    String self(u"self");
    String& alias = self;
    self = std::move(alias);
    EXPECT_EQ(self, u"self");
}

TEST(StringT, MovesKeepLockedBuffersInPlace)
{
    String locked(u"abc");
    char16_t* data = locked.Lock(8);
    String moved(std::move(locked));
    EXPECT_EQ(moved.GetString(), data);
    EXPECT_FALSE(moved.GetBuffer()->IsShareable());
    EXPECT_EQ(BufferOf(locked), EmptyBuffer());

    String other(u"xy");
    moved = std::move(other);
    EXPECT_EQ(moved.GetString(), data);
    EXPECT_EQ(moved, u"xy");
    EXPECT_EQ(BufferOf(other), EmptyBuffer());
    EXPECT_EQ(moved.Unlock(), S_OK);
    EXPECT_EQ(moved, u"xy");
}

TEST(StringT, EmptyStringsShareOneBuffer)
{
    String filled(u"x");
    filled.Clear();
    String assigned(u"");
    String fromNull(static_cast<const char16_t*>(nullptr));
    String fromUtf8("");
    const String defaulted;
    for (const String* text : std::vector<const String*>{&filled, &assigned, &fromNull, &fromUtf8, &defaulted}) {
        EXPECT_EQ(BufferOf(*text), EmptyBuffer());
        EXPECT_TRUE(text->IsEmpty());
        EXPECT_EQ(text->GetLength(), 0);
    }
    EXPECT_EQ(NarrowString().GetLength(), 0);
    EXPECT_EQ(BufferOf(String(u"abc").Mid(5)), EmptyBuffer());
}

TEST(StringT, BuffersHoldExactlyTheTextAndItsTerminator)
{
    String text(u"hello");
    EXPECT_EQ(text.GetLength(), 5);
    EXPECT_EQ(text.GetBuffer()->GetSize(), 12u);
    EXPECT_EQ(text.GetString()[5], 0);

    String single(u'Z');
    EXPECT_EQ(single, u"Z");
    String nul(char16_t(0));
    EXPECT_TRUE(nul.IsEmpty());
    EXPECT_NE(BufferOf(nul), EmptyBuffer());
    EXPECT_EQ(nul.GetLength(), 0);
    EXPECT_EQ(nul, String());
    nul += u"x";
    EXPECT_EQ(nul, u"x");
    EXPECT_EQ(NarrowString('\0').GetLength(), 0);

    String bounded;
    bounded.Assign(u"abcdef", 3);
    EXPECT_EQ(bounded, u"abc");
    EXPECT_EQ(bounded.GetBuffer()->GetSize(), 8u);
    bounded.Assign(u"abcdef", -5);
    EXPECT_EQ(bounded, u"abcdef");
}

TEST(StringT, AssignTakesANewBufferEvenWhenTheOldOneIsPrivate)
{
    String text(u"abc");
    const LIBuffer* before = BufferOf(text);
    const String keep = text;
    text.Assign(u"xyz");
    EXPECT_NE(BufferOf(text), before);
    EXPECT_EQ(keep, u"abc");

    ASSERT_EQ(text.GetBuffer()->GetRefCount(), 1);
    const LIBuffer* own = BufferOf(text);
    text.Assign(u"uvw");
    EXPECT_NE(BufferOf(text), own);
    EXPECT_EQ(text, u"uvw");
}

TEST(StringT, AssignFromItsOwnCharacters)
{
    String text(u"abcdef");
    text.Assign(text.GetString() + 2);
    EXPECT_EQ(text, u"cdef");

    text.Lock(0);
    text.Assign(text.GetString() + 1);
    EXPECT_EQ(text, u"def");
    text.Unlock();
    EXPECT_EQ(text, u"def");
}

TEST(StringT, LockGivesThePrivateTextForWritingInPlace)
{
    String text(u"abc");
    const String shared = text;
    char16_t* data = text.Lock(0);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::u16string(data), u"abc");
    EXPECT_NE(BufferOf(text), BufferOf(shared));
    data[1] = u'X';

    const String copy = text;
    EXPECT_NE(BufferOf(copy), BufferOf(text));
    data[0] = u'Y';
    EXPECT_EQ(copy, u"aXc");

    EXPECT_EQ(text.Lock(0), nullptr);
    EXPECT_EQ(text.Unlock(), S_OK);
    EXPECT_EQ(text, u"YXc");
    EXPECT_EQ(shared, u"abc");
    EXPECT_EQ(text.Unlock(), S_FALSE);
    EXPECT_TRUE(text.GetBuffer()->IsShareable());
}

TEST(StringT, UnlockTrimsTheBufferToTheText)
{
    String text(u"abc");
    char16_t* data = text.Lock(10);
    EXPECT_EQ(text.GetBuffer()->GetSize(), 20u);
    EXPECT_EQ(data[9], 0);
    std::memcpy(data, u"hello", 12);
    EXPECT_EQ(text.GetLength(), 5);
    EXPECT_EQ(text.Unlock(), S_OK);
    EXPECT_EQ(text.GetBuffer()->GetSize(), 12u);
    EXPECT_EQ(text, u"hello");
}

TEST(StringT, UnlockOfAnEmptyTextTakesTheSharedEmptyBuffer)
{
    String text;
    char16_t* data = text.Lock(4);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(BufferOf(text), EmptyBuffer());
    EXPECT_EQ(text.Unlock(), S_OK);
    EXPECT_EQ(BufferOf(text), EmptyBuffer());
    EXPECT_EQ(String().GetLength(), 0);
}

TEST(StringT, UnlockTerminatesATextThatFilledTheWholeBuffer)
{
    String text;
    char16_t* data = text.Lock(3);
    data[0] = u'a';
    data[1] = u'b';
    data[2] = u'c';
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(text.Unlock(), S_OK);
    EXPECT_EQ(text, u"abc");
}

// A locked string whose caller filled its buffer to the last character: no terminator follows the text.
// Cut back in place from a longer text, the buffer still has that text's tail in memory after it.
template <class S, class C> S FilledLockedString(const C* longer, int32_t units)
{
    S text(longer);
    C* data = text.Lock(units);
    data[units - 1] = longer[units - 1];
    return text;
}

// Every operation takes such a text by its length, not up to a NUL somewhere after the buffer.
TEST(StringT, ALockedBufferFilledToItsEndIsReadByItsLength)
{
    const auto filled = [] { return FilledLockedString<String>(u"12345678", 4); };
    ASSERT_EQ(filled().GetLength(), 4);

    const String locked = filled();
    EXPECT_EQ(String(locked), u"1234");
    EXPECT_EQ(locked.Copy(), u"1234");
    String assigned(u"x");
    assigned = locked;
    EXPECT_EQ(assigned, u"1234");
    String lockedTarget;
    lockedTarget.Lock(10);
    lockedTarget = locked;
    EXPECT_EQ(lockedTarget, u"1234");
    lockedTarget = filled();
    EXPECT_EQ(lockedTarget, u"1234");

    EXPECT_TRUE(String(u"1234") == locked);
    EXPECT_FALSE(String(u"12345678") == locked);
    EXPECT_TRUE(locked == String(u"1234"));

    EXPECT_STREQ(locked.ToUTF8().GetString(), "1234");
    EXPECT_EQ(locked.ToInt(), 1234);
    EXPECT_EQ(locked.ToDouble(), 1234.0);

    String doubled = filled();
    doubled += doubled;
    EXPECT_EQ(doubled, u"12341234");

    const NarrowString narrow = FilledLockedString<NarrowString>("12345678", 4);
    EXPECT_EQ(String(narrow), u"1234");
    EXPECT_EQ(NarrowString(narrow), "1234");
    EXPECT_EQ(narrow.ToDouble(), 1234.0);

    // A buffer made for the lock ends where the text does: reading on would leave the block.
    String exact;
    char16_t* data = exact.Lock(2);
    data[0] = u'4';
    data[1] = u'2';
    EXPECT_EQ(String(exact), u"42");
    EXPECT_TRUE(String(u"42") == exact);
    EXPECT_STREQ(exact.ToUTF8().GetString(), "42");
    EXPECT_EQ(exact.ToInt(), 42);
    exact += exact;
    EXPECT_EQ(exact, u"4242");
}

TEST(StringT, LockedStringsAreChangedInPlace)
{
    String text;
    char16_t* data = text.Lock(8);
    text.Assign(u"abc");
    EXPECT_EQ(text.GetString(), data);
    String other(u"xy");
    text = other;
    EXPECT_EQ(text.GetString(), data);
    EXPECT_EQ(text, u"xy");
    text.AssignUTF8("d\xC3\xA9", -1);
    EXPECT_EQ(text.GetString(), data);
    EXPECT_EQ(text, u"d\u00E9");
    text.ReplaceChars(u"d", u'D');
    EXPECT_EQ(text, u"D\u00E9");
    text.Clear();
    EXPECT_EQ(text.GetString(), data);
    EXPECT_TRUE(text.IsEmpty());
    text += u"more";
    EXPECT_FALSE(text.GetBuffer()->IsShareable());
    EXPECT_EQ(text, u"more");
    text.Unlock();
}

TEST(StringT, TextTooLongForALockedBufferIsCutShort)
{
    String text;
    text.Lock(4);
    text.Assign(u"abcdefgh");
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(text.GetBuffer()->GetSize(), 8u);
    text.Unlock();
    EXPECT_EQ(text, u"abc");
}

TEST(StringT, AppendsResizeExactlyAndLeaveTheBufferShareable)
{
    String text(u"ab");
    text += String(u"cd");
    text += u'e';
    text += 'f';
    text += '\xC3';
    text += char16_t(0);
    EXPECT_EQ(text, u"abcdef");
    EXPECT_EQ(text.GetBuffer()->GetSize(), 14u);
    EXPECT_TRUE(text.GetBuffer()->IsShareable());

    const LIBuffer* before = BufferOf(text);
    text += String();
    EXPECT_EQ(BufferOf(text), before);

    text += text;
    EXPECT_EQ(text, u"abcdefabcdef");

    const String left(u"x");
    EXPECT_EQ(left + u"yz", u"xyz");
    EXPECT_EQ(left, u"x");
    EXPECT_EQ(BufferOf(left + String()), BufferOf(left));
}

// Copy-on-write around appends: a buffer held alone grows in place, a shared one is left to its
// other holder, a locked one grows in place and stays locked.
TEST(StringT, AppendsGrowAPrivateBufferInPlaceAndCopyASharedOne)
{
    NarrowString text("ab");
    text += 'c';
    const LIBuffer* const buffer = text.GetBuffer().Get();
    text += NarrowString("de");
    EXPECT_EQ(text.GetBuffer().Get(), buffer);
    EXPECT_EQ(text, "abcde");
    EXPECT_EQ(buffer->GetSize(), 6u);
    EXPECT_TRUE(buffer->IsShareable());

    // Shared, the buffer is left to its other holder, which keeps the text it had.
    const NarrowString other = text;
    text += 'f';
    EXPECT_NE(text.GetBuffer().Get(), buffer);
    EXPECT_EQ(other, "abcde");
    EXPECT_EQ(text, "abcdef");
    EXPECT_EQ(buffer->GetRefCount(), 1);
    EXPECT_EQ(text.GetBuffer()->GetRefCount(), 1);
    EXPECT_TRUE(text.GetBuffer()->IsShareable());

    // Locked, it grows in place and stays locked.
    NarrowString locked("xy");
    ASSERT_NE(locked.Lock(0), nullptr);
    const LIBuffer* lockedBuffer = locked.GetBuffer().Get();
    locked += 'z';
    EXPECT_EQ(locked.GetBuffer().Get(), lockedBuffer);
    EXPECT_FALSE(locked.GetBuffer()->IsShareable());
    EXPECT_EQ(locked, "xyz");
    EXPECT_EQ(locked.Unlock(), S_OK);
    EXPECT_EQ(locked, "xyz");
}

struct MidCase {
    int32_t start;
    int32_t count;
    const char16_t* expected;
};

TEST(StringT, MidCountsNegativeStartsFromTheEndAndCutsToTheText)
{
    const String text(u"abcdef");
    for (const MidCase& c : {MidCase{-3, 2, u"de"}, MidCase{-8, 4, u"ab"}, MidCase{4, 10, u"ef"}, MidCase{6, 1, u""},
                             MidCase{2, -1, u"cdef"}, MidCase{0, 0, u""}, MidCase{-10, 2, u""},
                             MidCase{0x7FFFFFFF, 1, u""}, MidCase{1, 0x7FFFFFFF, u"bcdef"},
                             MidCase{-10, -1, u"abcdef"}, MidCase{-7, 1, u""}, MidCase{-7, 2, u"a"}, MidCase{-1, INT32_MAX, u"f"}}) {
        SCOPED_TRACE(std::to_string(c.start) + ", " + std::to_string(c.count));
        EXPECT_EQ(text.Mid(c.start, c.count), c.expected);
    }
    EXPECT_EQ(text.Mid(2), u"cdef");
    EXPECT_EQ(text.Left(2), u"ab");
    EXPECT_EQ(text.Left(10), u"abcdef");
    EXPECT_EQ(text.Right(2), u"ef");
    EXPECT_EQ(text.Right(10), u"abcdef");
    EXPECT_EQ(text.Right(0), u"");
}

TEST(StringT, InsertAtEachPositionOfTheText)
{
    struct Case {
        int32_t index;
        const char16_t* expected;
        VQRESULT result;
    };
    for (const Case& c : {Case{3, u"abcX", S_OK}, Case{0, u"Xabc", S_OK}, Case{1, u"aXbc", S_OK},
                          Case{4, u"abc", E_INVALIDARG}, Case{-1, u"abc", E_INVALIDARG}}) {
        SCOPED_TRACE(c.index);
        String text(u"abc");
        EXPECT_EQ(text.Insert(c.index, String(u"X")), c.result);
        EXPECT_EQ(text, c.expected);
    }

    String self(u"ab");
    EXPECT_EQ(self.Insert(2, self), S_OK);
    EXPECT_EQ(self, u"abab");
    EXPECT_EQ(self.Insert(1, self), S_OK);
    EXPECT_EQ(self, u"aababbab");

    String counted(u"ac");
    EXPECT_EQ(counted.Insert(1, u"bxyz", 1), S_OK);
    EXPECT_EQ(counted, u"abc");
    EXPECT_EQ(counted.Insert(3, u"de", -1), S_OK);
    EXPECT_EQ(counted, u"abcde");
    EXPECT_EQ(counted.Insert(0, u"12", 7), S_OK);
    EXPECT_EQ(counted, u"12abcde");
}

TEST(StringT, RemoveRefusesRangesOutsideTheText)
{
    struct Case {
        int32_t start;
        int32_t count;
        bool removed;
        const char16_t* expected;
    };
    for (const Case& c : {Case{1, 2, true, u"adef"}, Case{0, 6, true, u""}, Case{5, 1, true, u"abcde"},
                          Case{2, 0, true, u"abcdef"}, Case{6, 0, false, u"abcdef"}, Case{4, 3, false, u"abcdef"},
                          Case{-1, 1, false, u"abcdef"}, Case{1, -1, false, u"abcdef"},
                          Case{1, INT32_MAX, false, u"abcdef"}}) {
        SCOPED_TRACE(std::to_string(c.start) + ", " + std::to_string(c.count));
        String text(u"abcdef");
        EXPECT_EQ(text.Remove(c.start, c.count), c.removed);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(StringT, TrimLeavesAllBlankTextToTrimLeft)
{
    struct Case {
        const char16_t* text;
        const char16_t* trim;
        const char16_t* left;
        const char16_t* right;
    };
    for (const Case& c : {Case{u" a b \r\n", u"a b", u"a b \r\n", u" a b"}, Case{u"  \t", u"", u"  \t", u""},
                          Case{u"", u"", u"", u""}, Case{u"x", u"x", u"x", u"x"},
                          Case{u"\n\tx\t\n", u"x", u"x\t\n", u"\n\tx"}}) {
        SCOPED_TRACE(Utf8(c.text));
        const String text(c.text);
        EXPECT_EQ(text.Trim(), c.trim);
        EXPECT_EQ(text.TrimLeft(), c.left);
        EXPECT_EQ(text.TrimRight(), c.right);
    }
    EXPECT_EQ(String(u"xxaxx").TrimLeft(String(u"x")), u"axx");
    EXPECT_EQ(String(u"xyaxy").TrimRight(String(u"yx")), u"xya");
    EXPECT_EQ(String(u"ab ").TrimRight(String()), u"ab ");
}

TEST(StringT, ReplaceCharsReplacesEveryCharacterOfTheSet)
{
    String text(u"a/b:c/");
    text.ReplaceChars(u"/:", u'_');
    EXPECT_EQ(text, u"a_b_c_");
    text.ReplaceChars(u"_", char16_t(0));
    EXPECT_EQ(text, u"a_b_c_");

    const String shared = text;
    text.ReplaceChars(u"a", u'A');
    EXPECT_EQ(text, u"A_b_c_");
    EXPECT_EQ(shared, u"a_b_c_");
}

TEST(StringT, FindAndReverseFind)
{
    const String text(u"a.b.c");
    struct Case {
        const char16_t* needle;
        int32_t start;
        int32_t found;
    };
    for (const Case& c : {Case{u"", 0, 0}, Case{u"b.c", 0, 2}, Case{u"x", 0, -1}, Case{u".", 2, 3}, Case{u".", 4, -1},
                          Case{u"", 5, 5}, Case{u"", 6, -1}, Case{u"a", -1, -1}, Case{u"a.b.c.", 0, -1}}) {
        SCOPED_TRACE(Utf8(c.needle) + " from " + std::to_string(c.start));
        EXPECT_EQ(text.Find(String(c.needle), c.start), c.found);
    }
    EXPECT_EQ(text.ReverseFind('.'), 3);
    EXPECT_EQ(text.ReverseFind('-'), -1);
    EXPECT_EQ(String(u"\u00E9").ReverseFind('\xC3'), -1);
    EXPECT_EQ(text.ReverseFind('\0'), -1);
    EXPECT_EQ(NarrowString("a\xC3\xA9").ReverseFind('\xC3'), 1);
}

// Texts that are no strings are looked at where they are: the overloads taken cannot throw, so no
// temporary string is built for them.
TEST(StringT, FindsAndComparesViewsPointersAndCharacters)
{
    const String text(u"a.b.c");
    const std::u16string_view view(u"b.cX", 3);
    static_assert(noexcept(text.Find(u"b")) && noexcept(text.Find(view)) && noexcept(text.Find(u'b')));
    static_assert(noexcept(text == view) && noexcept(view == text) && noexcept(text == u"a"));
    static_assert(noexcept(text < view) && noexcept(view < text) && noexcept(text < u"a") && noexcept(u"a" < text));

    struct Case {
        int32_t found;
        int32_t expected;
    };
    const char16_t* const nullText = nullptr;
    for (const Case& c : {Case{text.Find(u"b.c"), 2}, Case{text.Find(view), 2}, Case{text.Find(view, 3), -1},
                          Case{text.Find(u'.'), 1}, Case{text.Find(u'.', 2), 3}, Case{text.Find(u'.', 4), -1},
                          Case{text.Find(u'x'), -1}, Case{text.Find(char16_t(0)), -1}, Case{text.Find(u'a', -1), -1},
                          Case{text.Find(u'c', 4), 4}, Case{text.Find(nullText, 5), 5}, Case{text.Find(u"", 6), -1},
                          Case{NarrowString("x\xC3\xA9y").Find('y'), 3},
                          Case{NarrowString("ab").Find(std::string_view("b")), 1}}) {
        EXPECT_EQ(c.found, c.expected);
    }

    EXPECT_TRUE(text == std::u16string_view(u"a.b.cd", 5));
    EXPECT_FALSE(text == std::u16string_view(u"a.b", 3));
    EXPECT_TRUE(std::u16string_view(u"a.b.c") == text);
    EXPECT_TRUE(text != view);
    EXPECT_TRUE(String() == std::u16string_view());

    EXPECT_TRUE(text < u"b");
    EXPECT_FALSE(text < u"a.b.c");
    EXPECT_TRUE(u"a.b" < text);
    EXPECT_FALSE(u"a.b.c" < text);
    EXPECT_TRUE(text < std::u16string_view(u"a.c"));
    EXPECT_TRUE(std::u16string_view(u"a.b") < text);
    EXPECT_TRUE(String() < u"a");
    EXPECT_FALSE(String() < nullText);
    EXPECT_TRUE(nullText < text);

    std::map<String, int, std::less<>> map{{String(u"b"), 2}, {String(u"a"), 1}};
    const auto found = map.find(std::u16string_view(u"bc", 1));
    ASSERT_NE(found, map.end());
    EXPECT_EQ(found->second, 2);
    EXPECT_EQ(map.find(u"c"), map.end());
}

TEST(StringT, EqualityWithStringsWideAndUtf8Texts)
{
    const String empty;
    const String text(u"caf\u00E9");
    EXPECT_TRUE(empty == static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(empty == u"");
    EXPECT_TRUE(empty == "");
    EXPECT_TRUE(empty == static_cast<const char*>(nullptr));
    EXPECT_FALSE(text == static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(text == u"caf\u00E9");
    EXPECT_FALSE(text == u"caf");
    EXPECT_FALSE(text == u"caf\u00E9s");
    EXPECT_TRUE(text == "caf\xC3\xA9");
    EXPECT_FALSE(text == "caf");
    EXPECT_FALSE(text == "cafe");
    EXPECT_FALSE(text == "caf\xC3\xA9!");
    EXPECT_TRUE(String(u"ab") == "ab\xFF");
    EXPECT_TRUE(text == String(u"caf\u00E9"));
    EXPECT_TRUE(text != String(u"cafe"));
    EXPECT_TRUE(u"caf\u00E9" == text);

    String locked(u"caf\u00E9");
    locked.Lock(20);
    EXPECT_TRUE(locked == text);
    EXPECT_TRUE(text == locked);
    locked.Unlock();
}

TEST(StringT, OrderIsByUnsignedCodeUnitWithPrefixesFirst)
{
    struct Case {
        const char16_t* left;
        const char16_t* right;
        bool less;
    };
    for (const Case& c : {Case{u"ab", u"abc", true}, Case{u"abc", u"ab", false}, Case{u"B", u"a", true},
                          Case{u"a", u"a", false}, Case{u"", u"a", true}, Case{u"z", u"\uFFFF", true},
                          Case{u"\U0001F600", u"\uFFFD", true}}) {
        EXPECT_EQ(String(c.left) < String(c.right), c.less) << Utf8(c.left) << " < " << Utf8(c.right);
    }
    const String same(u"x");
    EXPECT_FALSE(same < same);
    EXPECT_TRUE(NarrowString("a") < NarrowString("\xC3\xA9"));

    std::map<String, int> map{{String(u"b"), 2}, {String(u"a"), 1}};
    EXPECT_EQ(map.begin()->second, 1);
}

TEST(StringT, CaseMappingFoldsAsciiLettersOnly)
{
    const String text(u"aZ\u00E9\u00C9-1");
    EXPECT_EQ(text.ToUpper(), u"AZ\u00E9\u00C9-1");
    EXPECT_EQ(text.ToLower(), u"az\u00E9\u00C9-1");
    EXPECT_STREQ(NarrowString("caf\xC3\xA9").ToUpper().GetString(), "CAF\xC3\xA9");
}

TEST(StringT, NumbersAreReadInTheCLocale)
{
    struct Case {
        const char16_t* text;
        int32_t integer;
        double real;
    };
    for (const Case& c : {Case{u"42", 42, 42.0}, Case{u"  -17x", -17, -17.0}, Case{u"+3.75e2", 3, 375.0},
                          Case{u"\t\n5,5", 5, 5.0}, Case{u"abc", 0, 0.0}, Case{u"", 0, 0.0}, Case{u".5", 0, 0.5},
                          Case{u"99999999999", INT32_MAX, 99999999999.0}, Case{u"-99999999999", INT32_MIN, -99999999999.0},
                          Case{u"-2147483648", INT32_MIN, -2147483648.0}, Case{u"1e-3", 1, 0.001}}) {
        SCOPED_TRACE(Utf8(c.text));
        EXPECT_EQ(String(c.text).ToInt(), c.integer);
        EXPECT_DOUBLE_EQ(String(c.text).ToDouble(), c.real);
    }
}

// Doubles read as strtod reads them in the "C" locale, which the tests run in: bit for bit, with the
// sign of zeros and NaNs, through leading blanks, signs, partial numbers, hexadecimal numbers and
// values out of range.
TEST(StringT, DoublesAreReadAsTheCLibraryReadsThem)
{
    const std::string many(400, '0');
    const std::string texts[] = {
        "42", "  -17x", "+3.75e2", "\t\n5,5", "\v\f 1", "abc", "", ".5", "-.5", ".", "-", "+", "+-5", "-+5", "--5",
        "- 5", "1e", "1e+", "1e-3", "1E3", "1.5e+3x", "00012", "-0", "+0.0", "-abc", "0.1", "9007199254740993",
        "123456789012345678901234567890", "2.2250738585072011e-308", "0x1p3", "0X1P-2", "0x.8", "0x", "-0x", "0xg",
        "0x-1", "0x+1", "0x1.8p1", "0x1e", "-0x1Fp+1", "inf", "-INF", "Infinity", "infinit", "nan", "-nan", "NaN(12)",
        "nanx", "1e400", "-1e400", "1e-400", "-1e-400", "2e-324", "3e-324", "4.9e-324", "1e-310",
        "1.7976931348623157e308", "1.7976931348623159e308", "1e99999999999999999999", "-1e-99999999999999999999",
        "0e999999", "0.000000000000000000000000000000001e340", "1000e-330", "1" + many, "-1" + many + ".5",
        "0." + many + "1", "0x1p2000", "0x1p-1100", "-0x1p2000", "0x0.0000001p2000", "0x" + many + "1p-4000",
        "0x1" + many, "0xinf", "-0xNaN", "0XINFINITY", "0x1p+-3", "0x8Ep-+8", "0x1.8p--1", "0x.p1", "0x1.p1"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        const double expected = std::strtod(text.c_str(), nullptr);
        for (const double read : {NarrowString(text.c_str()).ToDouble(), String(text.c_str()).ToDouble()}) {
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(read));
                EXPECT_EQ(std::signbit(read), std::signbit(expected));
            } else {
                EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << read << " instead of " << expected;
            }
        }
    }
}

TEST(StringT, SplitAtAnyOfTheSeparators)
{
    struct Case {
        const char16_t* text;
        std::vector<std::string> parts;
    };
    for (const Case& c : {Case{u"abc", {"abc"}}, Case{u"", {""}}, Case{u"a\nb", {"a", "b"}}, Case{u"a\n", {"a"}},
                          Case{u"\na", {"", "a"}}, Case{u"a\n\nb", {"a", "", "b"}}, Case{u"a;b\nc", {"a", "b", "c"}},
                          Case{u"\n", {""}}}) {
        SCOPED_TRACE(Utf8(c.text));
        StringList out;
        out.items = {"stale"};
        String(c.text).Split(u"\n;", out);
        EXPECT_EQ(out.items, c.parts);
    }
}

TEST(StringT, SplitFillsAStringList)
{
    StringArrayT<char16_t, char> lines;
    String(u"one\ntwo\n").Split(u"\n", lines);
    ASSERT_EQ(lines.GetCount(), 2u);
    EXPECT_EQ(lines.GetAt(0u), u"one");
    EXPECT_EQ(lines.GetAt(1u), u"two");
}

// A buffer that cannot copy itself, as when memory runs out.
class UncopyableBuffer : public StringBuffer {
public:
    using StringBuffer::StringBuffer;
    ConstRCPtr<LIBuffer> CreateSubCopy(uint32_t, uint32_t) const override { return nullptr; }
};

TEST(StringT, LockThrowsWhenTheSharedBufferCannotBeCopied)
{
    ConstRCPtr<LIBuffer> buffer(new UncopyableBuffer(3, 0, true));
    std::memcpy(buffer->GetData(), "ab", 3);
    NarrowString text(buffer);
    ASSERT_EQ(text.GetBuffer().Get(), buffer.Get());
    try {
        text.Lock(0);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), ::testing::MatchesRegex("Runtime Error : VQ::StringT<char, char16_t>::Lock : "
                                                          "vqframework/storage/StringT[.]h : Line [0-9]+"));
    }
    EXPECT_TRUE(text.GetBuffer()->IsShareable());
    EXPECT_EQ(text, "ab");
}

TEST(StringT, AppendThrowsWhenTheSharedBufferCannotBeCopied)
{
    ConstRCPtr<LIBuffer> buffer(new UncopyableBuffer(3, 0, true));
    std::memcpy(buffer->GetData(), "ab", 3);
    NarrowString text(buffer);
    EXPECT_THROW(text += 'c', std::runtime_error);
    EXPECT_EQ(text.GetBuffer().Get(), buffer.Get());
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(buffer->GetSize(), 3u);
}

TEST(StringT, Utf8ConstructionKeepsTheWellFormedPrefix)
{
    struct Case {
        const char* bytes;
        const char16_t* expected;
    };
    for (const Case& c : {Case{"AB\xC3(C", u"AB"}, Case{"A\xE2\x82\xAC", u"A\u20AC"}, Case{"\xF0\x9F\x98\x80", u"\U0001F600"},
                          Case{"\xFF", u""}, Case{"x\xED\xA0\x80y", u"x"}, Case{"\xE2\x82", u""}}) {
        EXPECT_EQ(String(c.bytes), c.expected) << c.bytes;
    }
    EXPECT_EQ(BufferOf(String("\xFF")), EmptyBuffer());
}

struct Utf8Case {
    const char* name;
    std::string bytes;
    int32_t length;
    const char16_t* expected;
    VQRESULT result;
};

class AssignFromUTF8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(AssignFromUTF8, GivesTheConvertedPrefixAndTheResult)
{
    const Utf8Case& c = GetParam();
    // The text lives in a block of exactly its bytes, so reading past it is caught.
    std::vector<char> block(c.bytes.begin(), c.bytes.end());
    String text(u"old");
    EXPECT_EQ(text.AssignFromUTF8(block.empty() ? nullptr : block.data(), c.length), c.result);
    EXPECT_EQ(text, c.expected);
    EXPECT_EQ(text.GetBuffer()->GetSize(), (std::char_traits<char16_t>::length(c.expected) + 1) * 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssignFromUTF8,
    ::testing::Values(Utf8Case{"Ascii", std::string("abc\0", 4), -1, u"abc", S_OK},
                      Utf8Case{"Null", "", -1, u"", S_OK},
                      Utf8Case{"Empty", std::string("\0", 1), -1, u"", S_OK},
                      Utf8Case{"IllFormed", std::string("AB\xC3(CD\0", 7), -1, u"AB", E_FAIL},
                      Utf8Case{"OneHighByte", "\xC3", 1, u"", E_FAIL},
                      Utf8Case{"OneAsciiByte", "a", 1, u"a", S_OK},
                      Utf8Case{"CutAtExplicitEnd", "a\xE2\x82", 3, u"a", E_FAIL},
                      Utf8Case{"CutAtTerminator", std::string("a\xE2\x82\0", 4), -1, u"a", E_FAIL},
                      Utf8Case{"NulInsideRange", std::string("ab\0cd", 5), 5, u"ab", S_OK},
                      Utf8Case{"LengthIsAMaximum", std::string("ab\0", 3), 100, u"ab", S_OK},
                      Utf8Case{"ExplicitPrefix", "abcdef", 2, u"ab", S_OK},
                      Utf8Case{"Surrogates", std::string("\xF0\x9F\x98\x80\0", 5), -1, u"\U0001F600", S_OK},
                      Utf8Case{"Overlong", std::string("a\xC0\x80\0", 4), -1, u"a", E_FAIL},
                      Utf8Case{"AboveMaximum", std::string("a\xF4\x90\x80\x80\0", 6), -1, u"a", E_FAIL}),
    [](const ::testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

TEST(StringT, Utf16ToUtf8EncodesUnpairedSurrogatesAsTheyStand)
{
    struct Case {
        std::u16string units;
        int32_t length;
        std::string expected;
        VQRESULT result;
    };
    for (const Case& c : {Case{u"a\U0001F600", -1, "a\xF0\x9F\x98\x80", S_OK}, Case{u"x\xD800y", -1, "x\xED\xA0\x80y", S_OK},
                          Case{u"x\xDC00", -1, "x\xED\xB0\x80", S_OK}, Case{u"ab\xD83D", 3, "ab", E_FAIL},
                          Case{u"ab\xD83D", -1, "ab\xED\xA0\xBD", S_OK}, Case{u"abc", 2, "ab", S_OK},
                          Case{u"", -1, "", S_OK}}) {
        SCOPED_TRACE(c.expected);
        NarrowString text;
        EXPECT_EQ(text.AssignFromUTF16(c.units.c_str(), c.length), c.result);
        EXPECT_EQ(std::string(text.GetString()), c.expected);
        EXPECT_EQ(text.GetLength(), int32_t(c.expected.size()));
        EXPECT_EQ(text.GetBuffer()->GetSize(), c.expected.size() + 1);
    }
    EXPECT_EQ(String(NarrowString(String(u"x\xD800y"))), u"x");
}

TEST(StringT, AssignUTF8TakesAtMostLengthBytes)
{
    String text(u"old");
    text.AssignUTF8("h\xC3\xA9llo", 3);
    EXPECT_EQ(text, u"h\u00E9");
    text.AssignUTF8("h\xC3\xA9llo", 2);
    EXPECT_EQ(text, u"h");
    text.AssignUTF8("abc", 0);
    EXPECT_TRUE(text.IsEmpty());
    text.AssignUTF8("\xFF", -1);
    EXPECT_EQ(BufferOf(text), EmptyBuffer());
}

TEST(StringT, ViewsShowTheTextWithoutItsTerminator)
{
    const String text(u"view");
    const std::u16string_view view = text.View();
    EXPECT_EQ(view, u"view");
    EXPECT_EQ(view.data(), text.GetString());
    const std::u16string_view implicit = text;
    EXPECT_EQ(implicit.size(), 4u);
    EXPECT_TRUE(String().View().empty());

    String locked(u"ab");
    locked.Lock(6);
    EXPECT_EQ(locked.View(), u"ab");
    locked.Unlock();

    const NarrowString narrow("n\xC3\xA9");
    const std::string_view narrowView = narrow;
    EXPECT_EQ(narrowView, "n\xC3\xA9");
}

TEST(StringT, ConstructsFromAUtf8ViewOfGivenExtent)
{
    static_assert(!std::is_convertible_v<std::string_view, String>, "the conversion is asked for by name");
    const std::string_view bytes("caf\xC3\xA9 au lait");
    struct Case {
        std::string_view utf8;
        const char16_t* expected;
    };
    for (const Case& c : {Case{bytes.substr(0, 5), u"caf\u00E9"}, Case{bytes.substr(0, 4), u"caf"},
                          Case{bytes, u"caf\u00E9 au lait"}, Case{std::string_view("ab\0cd", 5), u"ab"},
                          Case{std::string_view("\xF0\x9F\x98\x80"), u"\U0001F600"}}) {
        EXPECT_EQ(String(c.utf8), c.expected) << c.utf8;
    }
    EXPECT_EQ(BufferOf(String(std::string_view())), EmptyBuffer());
    // An empty view at the very end of a block is not read.
    const std::vector<char> block(4, 'a');
    EXPECT_EQ(BufferOf(String(std::string_view(block.data() + block.size(), 0))), EmptyBuffer());
    EXPECT_EQ(String(std::string_view(block.data(), block.size())), u"aaaa");
    EXPECT_STREQ(NarrowString(std::u16string_view(u"\u00E9t\u00E9xyz", 3)).GetString(), "\xC3\xA9t\xC3\xA9");
}

TEST(StringT, Utf8IntoACallersStringGivesWhatToUTF8Gives)
{
    const std::u16string texts[] = {u"", u"ascii only", u"gr\u00FC\u00DF", u"\u20AC\U0001F600", u"x\xD800y", u"x\xDC00",
                                    u"ab\xD83D", std::u16string(40, u'a') + u"\U0001F600\u00E9",
                                    std::u16string(15, u'a') + u"\xD83D", std::u16string(14, u'a') + u"\u20AC"};
    for (const std::u16string& units : texts) {
        const String text(units.c_str());
        std::string out = "stale contents";
        text.ToUTF8(out);
        EXPECT_EQ(out, Utf8(text));
        EXPECT_EQ(out.size(), std::strlen(out.c_str()));
    }
}

TEST(StringT, Utf8IntoACallersStringUsesTheRoomItHas)
{
    std::string out;
    out.reserve(64);
    const char* const data = out.data();
    String(u"gr\u00FC\u00DF \U0001F600").ToUTF8(out);
    EXPECT_EQ(out, "gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80");
    String(u"x").ToUTF8(out);
    EXPECT_EQ(out, "x");
    String(std::u16string(21, u'\u20AC').c_str()).ToUTF8(out);
    EXPECT_EQ(out.size(), 63u);
    EXPECT_EQ(out.data(), data);

    String(std::u16string(22, u'\u20AC').c_str()).ToUTF8(out);
    EXPECT_EQ(out.size(), 66u);
    EXPECT_EQ(out.substr(60), "\xE2\x82\xAC\xE2\x82\xAC");

    // A locked text that fills its whole buffer has no terminator to read.
    String locked;
    char16_t* units = locked.Lock(3);
    units[0] = u'a';
    units[1] = u'b';
    units[2] = u'\xD83D';
    locked.ToUTF8(out);
    EXPECT_EQ(out, "ab\xED\xA0\xBD");
    locked.Unlock();
}

TEST(StringT, HashesLikeTheViewOfItsText)
{
    const std::unordered_set<String> set{String(u"one"), String(u"two")};
    EXPECT_EQ(set.count(String(u"one")), 1u);
    EXPECT_EQ(set.count(String(u"three")), 0u);
    String locked(u"one");
    locked.Lock(10);
    EXPECT_EQ(set.count(locked), 1u);
    locked.Unlock();
    EXPECT_EQ(std::hash<String>()(String(u"text")), std::hash<std::u16string_view>()(u"text"));
    EXPECT_EQ(std::hash<NarrowString>()(NarrowString("text")), std::hash<std::string_view>()("text"));
    EXPECT_EQ(std::hash<String>()(String()), std::hash<std::u16string_view>()(u""));
}

TEST(StringT, NarrowStringsConvertBothWays)
{
    const String wide(u"gr\u00FC\u00DF \U0001F600");
    const NarrowString narrow = wide.ToUTF8();
    EXPECT_STREQ(narrow.GetString(), "gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80");
    EXPECT_EQ(narrow.GetLength(), 11);
    EXPECT_EQ(String(narrow), wide);
    EXPECT_TRUE(narrow == u"gr\u00FC\u00DF \U0001F600");
    EXPECT_FALSE(narrow == u"gr");
    EXPECT_TRUE(NarrowString() == static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(narrow == "gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80");
    EXPECT_EQ(narrow.Mid(2, 2), "\xC3\xBC");
    EXPECT_EQ(narrow.Left(2), "gr");
    EXPECT_EQ(narrow.Right(4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(NarrowString('q'), "q");
}

class NarrowFromBuffer : public ::testing::Test {
protected:
    static ConstRCPtr<LIBuffer> MakeBuffer(const std::string& bytes)
    {
        ConstRCPtr<LIBuffer> buffer = StringBuffer::Create(uint32_t(bytes.size()), 0, true);
        if (!bytes.empty())
            std::memcpy(buffer->GetData(), bytes.data(), bytes.size());
        return buffer;
    }
};

TEST_F(NarrowFromBuffer, SharesABufferThatHoldsExactlyTheText)
{
    const ConstRCPtr<LIBuffer> buffer = MakeBuffer(std::string("abc\0", 4));
    const NarrowString text(buffer);
    EXPECT_EQ(text.GetBuffer().Get(), buffer.Get());
    EXPECT_EQ(text.GetLength(), 3);
}

TEST_F(NarrowFromBuffer, LongerSharedBufferIsCopiedNotTrimmed)
{
    const ConstRCPtr<LIBuffer> buffer = MakeBuffer(std::string("ab\0cd", 5));
    const NarrowString text(buffer);
    EXPECT_NE(text.GetBuffer().Get(), buffer.Get());
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(text.GetLength(), 2);
    EXPECT_EQ(buffer->GetSize(), 5u);
    EXPECT_EQ(std::memcmp(buffer->GetData(), "ab\0cd", 5), 0);
}

TEST_F(NarrowFromBuffer, UnterminatedAndEmptyBuffersGiveTerminatedTexts)
{
    EXPECT_EQ(NarrowString(MakeBuffer("xyz")), "xyz");
    EXPECT_EQ(NarrowString(MakeBuffer("xyz")).GetLength(), 3);
    EXPECT_TRUE(NarrowString(MakeBuffer("")).IsEmpty());
    EXPECT_TRUE(NarrowString(ConstRCPtr<LIBuffer>()).IsEmpty());
}

TEST_F(NarrowFromBuffer, LockedBufferIsCopied)
{
    ConstRCPtr<LIBuffer> buffer = MakeBuffer(std::string("ok\0", 3));
    const_cast<LIBuffer*>(buffer.Get())->SetUnshareable(true);
    const NarrowString text(buffer);
    EXPECT_NE(text.GetBuffer().Get(), buffer.Get());
    EXPECT_TRUE(text.GetBuffer()->IsShareable());
    EXPECT_EQ(text, "ok");
}

TEST(StringT, CopiesOnSeveralThreadsKeepTheCountRight)
{
    const String text(u"shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&text] {
            for (int i = 0; i < 10000; ++i) {
                String copy = text;
                String other;
                other = copy;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(text.GetBuffer()->GetRefCount(), 1);
}

} // namespace
} // namespace VQ
