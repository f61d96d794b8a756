#include "vqframework/storage/Variant.h"

#include "VariantValues.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <initializer_list>
#include <string>
#include <vector>

namespace VQ {
namespace {

using Bytes = std::vector<unsigned char>;

using test::Content;
using test::ExternalBytes;
using test::List;
using test::Owned;
using test::Text;

Bytes Serialize(const Variant& value)
{
    Bytes out(64 * 1024, 0xEE);
    const uint32_t written = SerializeVariant(value, out.data(), static_cast<uint32_t>(out.size()));
    EXPECT_NE(static_cast<uint32_t>(E_FAIL), written);
    out.resize(written == static_cast<uint32_t>(E_FAIL) ? 0 : written);
    return out;
}

Variant ListOfContent(const Bytes& content)
{
    Variant v;
    EXPECT_EQ(Variant::TypeList, v.Set(Variant::TypeList, content.data(), static_cast<uint32_t>(content.size())));
    return v;
}

struct EntryCase {
    const char* name;
    Variant value;
    Bytes entry;
};

TEST(VariantSerializeTest, WritesEntriesByteForByteAndReadsThemBack)
{
    const EntryCase cases[] = {
        {"empty", Variant(), {0x0C, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"int32 5", Variant(5), {0x10, 0, 0, 0, 1, 0, 0, 0, 6, 0, 0, 0, 5, 0, 0, 0}},
        {"bool", Variant::Of(true), {0x0D, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}},
        {"uint16", Variant::Of<uint16_t>(0x1234), {0x0E, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 0x34, 0x12}},
        {"double 1.0",
         Variant::Of(1.0),
         {0x14, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {"uint64",
         Variant::Of<uint64_t>(0x0102030405060708),
         {0x14, 0, 0, 0, 1, 0, 0, 0, 11, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}},
        {"owned bytes", Owned({0xAA, 0xBB, 0xCC}), {0x0F, 0, 0, 0, 1, 0, 0, 0, 14, 0, 0, 0, 0xAA, 0xBB, 0xCC}},
        {"text with its NUL", Text("ab"), {0x0F, 0, 0, 0, 1, 0, 0, 0, 15, 0, 0, 0, 'a', 'b', 0}},
        {"empty text", Text(""), {0x0D, 0, 0, 0, 1, 0, 0, 0, 15, 0, 0, 0, 0}},
        {"empty list", List({}), {0x0C, 0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0}},
        {"list of int32 7 and empty",
         List({Variant(7), Variant()}),
         {0x28, 0, 0, 0, 1, 0, 0, 0, 0x10, 0, 0, 0, 0x10, 0, 0, 0, 1, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,
          0x0C, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.entry, Serialize(c.value));
        Variant read = Variant::Of(99);
        EXPECT_EQ(S_OK, DeserializeVariant(read, c.entry.data(), static_cast<uint32_t>(c.entry.size())));
        EXPECT_EQ(c.value.GetType(), read.GetType());
        EXPECT_TRUE(read == c.value);
        // Bytes after the entry are not looked at.
        Bytes longer = c.entry;
        longer.insert(longer.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        Variant again;
        EXPECT_EQ(S_OK, DeserializeVariant(again, longer.data(), static_cast<uint32_t>(longer.size())));
        EXPECT_TRUE(again == c.value);
    }
}

TEST(VariantSerializeTest, WriterRefusesWithoutWriting)
{
    Bytes out(32, 0xEE);
    const Bytes untouched = out;
    EXPECT_EQ(static_cast<uint32_t>(E_FAIL), SerializeVariant(Variant(5), out.data(), 15));
    EXPECT_EQ(untouched, out);
    EXPECT_EQ(16u, SerializeVariant(Variant(5), out.data(), 16));
    EXPECT_EQ(static_cast<uint32_t>(E_FAIL), SerializeVariant(Variant(5), nullptr, 100));
    const unsigned char data[1] = {1};
    out = untouched;
    EXPECT_EQ(static_cast<uint32_t>(E_FAIL),
              SerializeVariant(ExternalBytes(Variant::TypeExternalBytes, data, 0), out.data(), 32));
    EXPECT_EQ(static_cast<uint32_t>(E_FAIL),
              SerializeVariant(ExternalBytes(Variant::TypeExternalConstBytes, data, 0), out.data(), 32));
    EXPECT_EQ(untouched, out);
}

TEST(VariantSerializeTest, WriterKeepsTheTagOfExternalAndEmptyOwnedBytes)
{
    const unsigned char data[2] = {7, 8};
    EXPECT_EQ((Bytes{0x0E, 0, 0, 0, 1, 0, 0, 0, 13, 0, 0, 0, 7, 8}),
              Serialize(ExternalBytes(Variant::TypeExternalConstBytes, data, 2)));
    // An empty owned byte run is written, though the reader refuses it.
    const Bytes emptyOwned = Serialize(Owned({}));
    EXPECT_EQ((Bytes{0x0C, 0, 0, 0, 1, 0, 0, 0, 14, 0, 0, 0}), emptyOwned);
    Variant read;
    EXPECT_EQ(E_FAIL, DeserializeVariant(read, emptyOwned.data(), 12));
}

Bytes Entry(uint32_t size, uint32_t format, uint32_t type, const Bytes& data)
{
    Bytes entry(12 + data.size());
    std::memcpy(entry.data(), &size, 4);
    std::memcpy(entry.data() + 4, &format, 4);
    std::memcpy(entry.data() + 8, &type, 4);
    std::copy(data.begin(), data.end(), entry.begin() + 12);
    return entry;
}

enum class Out { Untouched, Empty };

struct RefusedEntry {
    const char* name;
    Bytes entry;
    uint32_t available;
    Out out;
};

TEST(VariantSerializeTest, ReaderRefusesMalformedEntriesInItsOrder)
{
    const RefusedEntry cases[] = {
        {"fewer than 12 bytes", Entry(12, 1, 0, {}), 11, Out::Untouched},
        {"size beyond the bytes available", Entry(20, 1, 6, {5, 0, 0, 0}), 16, Out::Untouched},
        {"size beyond with a bad format too", Entry(20, 2, 6, {5, 0, 0, 0}), 16, Out::Untouched},
        {"format 2", Entry(16, 2, 6, {5, 0, 0, 0}), 16, Out::Untouched},
        {"format 0", Entry(12, 0, 0, {}), 12, Out::Untouched},
        {"type 17", Entry(16, 1, 17, {5, 0, 0, 0}), 16, Out::Untouched},
        {"type all ones", Entry(16, 1, 0xFFFFFFFF, {5, 0, 0, 0}), 16, Out::Untouched},
        {"12 bytes of owned bytes", Entry(12, 1, 14, {}), 12, Out::Untouched},
        {"12 bytes of int32", Entry(12, 1, 6, {}), 12, Out::Untouched},
        {"12 bytes of text", Entry(12, 1, 15, {}), 12, Out::Untouched},
        {"size word below the header", Entry(11, 1, 6, {5, 0, 0, 0}), 16, Out::Untouched},
        {"size word 0", Entry(0, 1, 14, {5, 0, 0, 0}), 16, Out::Untouched},
        {"empty with data", Entry(14, 1, 0, {1, 2}), 14, Out::Untouched},
        {"int32 with 2 data bytes", Entry(14, 1, 6, {5, 0}), 14, Out::Empty},
        {"double with 4 data bytes", Entry(16, 1, 9, {0, 0, 0, 0}), 16, Out::Empty},
        {"external bytes", Entry(15, 1, 12, {1, 2, 3}), 15, Out::Empty},
        {"external read-only bytes", Entry(15, 1, 13, {1, 2, 3}), 15, Out::Empty},
        {"text without a NUL in its entry", Entry(15, 1, 15, {'a', 'b', 'c', 0}), 16, Out::Empty},
    };
    for (const RefusedEntry& c : cases) {
        SCOPED_TRACE(c.name);
        Variant out = Text("before");
        EXPECT_EQ(E_FAIL, DeserializeVariant(out, c.entry.data(), c.available));
        if (c.out == Out::Untouched)
            EXPECT_TRUE(out == Text("before"));
        else
            EXPECT_EQ(Variant::TypeEmpty, out.GetType());
    }
    Variant out;
    EXPECT_EQ(E_FAIL, DeserializeVariant(out, nullptr, 100));
}

TEST(VariantSerializeTest, ReaderTakesTextUpToItsFirstNul)
{
    const Bytes entry = Entry(16, 1, 15, {'a', 'b', 0, 'x'});
    Variant out;
    EXPECT_EQ(S_OK, DeserializeVariant(out, entry.data(), 16));
    EXPECT_EQ(Variant::TypeString, out.GetType());
    EXPECT_STREQ("ab", out.GetString());
    EXPECT_EQ(3u, out.GetLength());
}

TEST(VariantSerializeTest, ReaderTakesListContentUnchecked)
{
    const Bytes entry = Entry(17, 1, 16, {1, 2, 3, 4, 5});
    Variant out;
    EXPECT_EQ(S_OK, DeserializeVariant(out, entry.data(), 17));
    EXPECT_EQ(Variant::TypeList, out.GetType());
    EXPECT_EQ(5u, out.GetLength());
    EXPECT_EQ(0u, out.GetListCount());
}

TEST(VariantSerializeTest, ListItemsReadBackInOrder)
{
    const Variant list = List({Variant(7), Variant()});
    EXPECT_EQ(28u, list.GetLength());
    EXPECT_EQ(2u, list.GetListCount());
    Variant item = Text("stale");
    EXPECT_EQ(0, list.GetListItem(0, item));
    EXPECT_TRUE(item == Variant(7));
    item = Text("stale");
    EXPECT_EQ(0, list.GetListItem(1, item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());
    item = Text("stale");
    EXPECT_EQ(-1, list.GetListItem(2, item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());
}

TEST(VariantSerializeTest, EmptyListHasNoBufferAndNoItems)
{
    Variant list = Text("held a buffer");
    EXPECT_EQ(Variant::TypeList, list.SetList(static_cast<const Variant*>(nullptr), 0));
    EXPECT_EQ(0u, list.GetLength());
    uint32_t size = 99;
    EXPECT_EQ(nullptr, list.GetData(&size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0u, list.GetListCount());
    Variant item = Variant(1);
    EXPECT_EQ(-1, list.GetListItem(0, item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());
}

TEST(VariantSerializeTest, ListOperationsOnAValueThatIsNoList)
{
    for (const Variant& notAList : {Variant(), Variant(5), Text("abcdefghijklmnop"),
                                    Owned(Entry(16, 1, 6, {5, 0, 0, 0}))}) {
        SCOPED_TRACE(notAList.GetType());
        EXPECT_EQ(0u, notAList.GetListCount());
        Variant item = Variant(1);
        EXPECT_EQ(-1, notAList.GetListItem(0, item));
        EXPECT_EQ(Variant::TypeEmpty, item.GetType());
    }
}

TEST(VariantSerializeTest, BothSetListFormsWriteTheSameNestedContent)
{
    const Variant inner = List({Variant(1), Text("key")});
    const Variant items[] = {Variant(5), inner, Owned({1, 2, 3})};
    const Variant* pointers[] = {&items[0], &items[1], &items[2]};
    Variant fromArray;
    Variant fromPointers;
    EXPECT_EQ(Variant::TypeList, fromArray.SetList(items, 3));
    EXPECT_EQ(Variant::TypeList, fromPointers.SetList(pointers, 3));
    EXPECT_EQ(Content(fromArray), Content(fromPointers));
    EXPECT_EQ(3u, fromArray.GetListCount());
    Variant item;
    EXPECT_EQ(0, fromArray.GetListItem(1, item));
    EXPECT_TRUE(item == inner);
    Variant nested;
    EXPECT_EQ(0, item.GetListItem(1, nested));
    EXPECT_STREQ("key", nested.GetString());
}

TEST(VariantSerializeTest, SetListWritesAnEmptyExternalItemAsAnEmptyEntryOfItsType)
{
    const ExternalBytes external(Variant::TypeExternalBytes, nullptr, 0);
    const Variant* pointers[] = {&external, nullptr};
    Variant list;
    EXPECT_EQ(Variant::TypeList, list.SetList(pointers, 2));
    EXPECT_EQ((Bytes{0x0C, 0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 0x0C, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}), Content(list));
}

TEST(VariantSerializeTest, ListMayHoldItsOwnFormerValue)
{
    Variant v = Text("self");
    EXPECT_EQ(Variant::TypeList, v.SetList(&v, 1));
    Variant item;
    EXPECT_EQ(0, v.GetListItem(0, item));
    EXPECT_STREQ("self", item.GetString());
    EXPECT_EQ(0, v.GetListItem(0, v));
    EXPECT_STREQ("self", v.GetString());
}

struct MalformedList {
    const char* name;
    Bytes content;
    uint32_t count;
};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(VariantSerializeTest, ListWalkEndsAtContentThatIsNoEntry)
{
    const Bytes seven = Entry(16, 1, 6, {7, 0, 0, 0});
    const MalformedList cases[] = {
        {"size word 0", Concat({seven, Entry(0, 1, 6, {7, 0, 0, 0})}), 1},
        {"size word below a header", Concat({seven, Entry(5, 1, 6, {7, 0, 0, 0}), seven}), 1},
        {"size word past the end", Concat({seven, Entry(17, 1, 6, {7, 0, 0, 0})}), 1},
        {"size word that wraps the offset", Concat({seven, Entry(0xFFFFFFF4, 1, 6, {7, 0, 0, 0}), seven}), 1},
        {"remainder shorter than a header", Concat({seven, Bytes{16, 0, 0, 0, 1}}), 1},
        {"remainder of 4 bytes", Concat({seven, Bytes{16, 0, 0, 0}}), 1},
        {"only 4 bytes", Bytes{12, 0, 0, 0}, 0},
        {"first entry past the end", Entry(40, 1, 6, {7, 0, 0, 0}), 0},
    };
    for (const MalformedList& c : cases) {
        SCOPED_TRACE(c.name);
        const Variant list = ListOfContent(c.content);
        EXPECT_EQ(c.count, list.GetListCount());
        Variant item;
        for (uint32_t i = 0; i < c.count; ++i) {
            EXPECT_EQ(0, list.GetListItem(i, item));
            EXPECT_TRUE(item == Variant(7));
        }
        item = Variant(1);
        EXPECT_EQ(-1, list.GetListItem(c.count, item));
        EXPECT_EQ(Variant::TypeEmpty, item.GetType());
        EXPECT_FALSE(list < list);

        Variant::ListReader reader(list);
        EXPECT_EQ(c.count, reader.Remaining());
        for (uint32_t i = 0; i < c.count; ++i) {
            EXPECT_TRUE(reader.Next(item));
            EXPECT_TRUE(item == Variant(7));
        }
        item = Variant(1);
        EXPECT_FALSE(reader.Next(item));
        EXPECT_EQ(Variant::TypeEmpty, item.GetType());
    }
}

TEST(VariantSerializeTest, ListItemTheReaderRefusesIsEmptyButCounted)
{
    const Variant list = ListOfContent(Concat({Entry(16, 2, 6, {7, 0, 0, 0}), Entry(16, 1, 6, {8, 0, 0, 0})}));
    EXPECT_EQ(2u, list.GetListCount());
    Variant item = Variant(1);
    EXPECT_EQ(0, list.GetListItem(0, item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());
    EXPECT_EQ(0, list.GetListItem(1, item));
    EXPECT_TRUE(item == Variant(8));

    Variant::ListReader reader(list);
    item = Variant(1);
    EXPECT_TRUE(reader.Next(item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());
    EXPECT_TRUE(reader.Next(item));
    EXPECT_TRUE(item == Variant(8));
}

TEST(VariantSerializeTest, ReaderReadsNestedListsInPlace)
{
    const Variant list = List({Variant(1), List({Text("a"), Variant(2)}), List({}), Text("x")});
    Variant::ListReader reader(list);
    Variant::ListReader items;
    ASSERT_TRUE(reader.NextList(items));
    EXPECT_EQ(0u, items.Remaining()) << "an item that is no list has no items";
    ASSERT_TRUE(reader.NextList(items));
    EXPECT_EQ(2u, items.Remaining());
    Variant item;
    EXPECT_TRUE(items.Next(item));
    EXPECT_STREQ("a", item.GetString());
    EXPECT_TRUE(items.Skip());
    EXPECT_FALSE(items.Next(item));
    ASSERT_TRUE(reader.NextList(items));
    EXPECT_EQ(0u, items.Remaining());
    EXPECT_EQ(1u, reader.Remaining());
    EXPECT_TRUE(reader.Skip());
    EXPECT_FALSE(reader.NextList(items));
    EXPECT_FALSE(reader.Skip());
    EXPECT_EQ(0u, Variant::ListReader().Remaining());
}

TEST(VariantSerializeTest, ReadExactlyTakesAllItemsOrNone)
{
    const Variant list = List({Variant(1), Text("two"), Variant::Of(3.0)});
    Variant first = Text("untouched");
    Variant second;
    Variant third;
    Variant fourth;
    Variant::ListReader reader(list);
    EXPECT_FALSE(reader.ReadExactly({&first, &second}));
    EXPECT_FALSE(reader.ReadExactly({&first, &second, &third, &fourth}));
    EXPECT_TRUE(first == Text("untouched"));
    EXPECT_EQ(3u, reader.Remaining());
    EXPECT_TRUE(reader.ReadExactly({&first, nullptr, &third}));
    EXPECT_TRUE(first == Variant(1));
    EXPECT_EQ(Variant::TypeEmpty, second.GetType());
    EXPECT_EQ(3.0, third.GetDouble());
    EXPECT_EQ(0u, reader.Remaining());

    // More items than the reader looks at in one go.
    std::vector<Variant> many(10);
    for (int32_t i = 0; i < 10; ++i)
        many[i] = Variant(i);
    const Variant longList = List({many[0], many[1], many[2], many[3], many[4], many[5], many[6], many[7], many[8],
                                   many[9]});
    std::vector<Variant> read(10);
    std::vector<Variant*> outs;
    for (Variant& out : read)
        outs.push_back(&out);
    Variant::ListReader longReader(longList);
    EXPECT_FALSE(longReader.ReadExactly(outs.data(), 9));
    EXPECT_TRUE(longReader.ReadExactly(outs.data(), 10));
    EXPECT_EQ(many, read);
}

TEST(VariantSerializeTest, ReadingIntoTheListItselfEndsTheReader)
{
    Variant list = List({Text("first"), Text("second")});
    Variant::ListReader reader(list);
    EXPECT_TRUE(reader.Next(list));
    EXPECT_STREQ("first", list.GetString());
    Variant item = Variant(1);
    EXPECT_FALSE(reader.Next(item));
    EXPECT_EQ(Variant::TypeEmpty, item.GetType());

    list = List({Text("first"), Text("second")});
    Variant::ListReader again(list);
    EXPECT_TRUE(again.ReadExactly({&item, &list}));
    EXPECT_STREQ("first", item.GetString());
    EXPECT_STREQ("second", list.GetString());
    EXPECT_EQ(0u, again.Remaining());
}

TEST(VariantSerializeTest, BuildListWritesWhatSetListWrites)
{
    const Variant inner = List({Variant(1), Text("key"), Variant()});
    const Variant expected = List({Variant(5), inner, Variant(), List({})});
    const Variant none;
    Variant built = Text("replaced");
    EXPECT_EQ(Variant::TypeList, built.BuildList([&](Variant::ListWriter& list) {
        list.Add(Variant(5));
        const Variant one(1);
        const Variant key = Text("key");
        list.AddList({&one, &key, nullptr});
        list.Add(none);
        list.BeginList();
        list.EndList();
    }));
    EXPECT_EQ(Content(expected), Content(built));

    Variant nested;
    nested.BuildList([&](Variant::ListWriter& list) {
        list.Add(Variant(5));
        list.BeginList();
        list.Add(Variant(1));
        list.Add(Text("key"));
        list.Add(none);
        list.EndList();
        list.Add(none);
        list.AddList(nullptr, 3);
    });
    EXPECT_EQ(Content(expected), Content(nested));
}

TEST(VariantSerializeTest, BuildListMayReadTheValueItReplaces)
{
    Variant list = List({Variant(1), Text("two")});
    list.BuildList([&list](Variant::ListWriter& writer) {
        Variant::ListReader reader(list);
        while (writer.AddNext(reader)) {
        }
        writer.Add(list);
    });
    const Variant old = List({Variant(1), Text("two")});
    EXPECT_TRUE(list == List({Variant(1), Text("two"), old}));
}

TEST(VariantSerializeTest, AddNextWritesItemsAsTheReaderReadsThem)
{
    const Variant source = ListOfContent(Concat({Entry(16, 2, 6, {7, 0, 0, 0}), Entry(16, 1, 15, {'a', 'b', 0, 'x'}),
                                                 Entry(15, 1, 12, {1, 2, 3}), Entry(16, 1, 6, {8, 0, 0, 0})}));
    Variant copy;
    copy.BuildList([&source](Variant::ListWriter& writer) {
        Variant::ListReader reader(source);
        while (writer.AddNext(reader)) {
        }
    });
    EXPECT_EQ(Content(List({Variant(), Text("ab"), Variant(), Variant(8)})), Content(copy));
}

TEST(VariantSerializeTest, ListsBeyondTheWritersOwnRoomKeepTheirBytes)
{
    std::vector<Variant> items;
    Bytes expected;
    for (int32_t i = 0; i < 600; ++i) {
        items.push_back(i % 3 ? Variant(i) : Text(("item " + std::to_string(i)).c_str()));
        const Bytes entry = Serialize(items.back());
        expected.insert(expected.end(), entry.begin(), entry.end());
    }
    Variant list;
    EXPECT_EQ(Variant::TypeList, list.SetList(items.data(), static_cast<uint32_t>(items.size())));
    EXPECT_EQ(expected, Content(list));
    EXPECT_EQ(600u, list.GetListCount());
}

TEST(VariantSerializeTest, AddListWritesItsEntryInsideTheDeepestOpenList)
{
    // Short and long item lists, each inside as many open lists as the writer allows.
    for (const uint32_t count : {3u, 9u}) {
        SCOPED_TRACE(count);
        std::vector<Variant> items;
        for (uint32_t i = 0; i < count; ++i)
            items.push_back(Variant(static_cast<int32_t>(i)));
        std::vector<const Variant*> pointers;
        for (const Variant& item : items)
            pointers.push_back(&item);

        Variant expected;
        expected.SetList(items.data(), count);
        // The built value is itself the outermost of nine lists.
        for (int depth = 0; depth < 9; ++depth)
            expected = List({expected});

        Variant built;
        EXPECT_NO_THROW(built.BuildList([&](Variant::ListWriter& writer) {
            for (int depth = 0; depth < 8; ++depth)
                writer.BeginList();
            writer.AddList(pointers.data(), count);
            for (int depth = 0; depth < 8; ++depth)
                writer.EndList();
        }));
        EXPECT_EQ(Content(expected), Content(built));
    }
}

TEST(VariantSerializeTest, UnbalancedListsThrowAndLeaveTheValueUnchanged)
{
    Variant list = List({Variant(1)});
    const Bytes before = Content(list);
    EXPECT_THROW(list.BuildList([](Variant::ListWriter& writer) { writer.BeginList(); }), std::logic_error);
    EXPECT_THROW(list.BuildList([](Variant::ListWriter& writer) { writer.EndList(); }), std::logic_error);
    EXPECT_THROW(list.BuildList([](Variant::ListWriter& writer) {
        for (int i = 0; i < 9; ++i)
            writer.BeginList();
    }),
                 std::logic_error);
    EXPECT_EQ(before, Content(list));
}

} // namespace
} // namespace VQ

namespace VQ {
namespace {

// A list nested `depth` times around one int32 item, built as bytes: building it through SetList
// would copy the growing content at every level.
Variant NestedList(uint32_t depth, int32_t innermost)
{
    const uint32_t total = 12 * depth + 16;
    Bytes content(total - 12);
    uint32_t offset = 0;
    auto word = [&content](uint32_t at, uint32_t value) { std::memcpy(&content[at], &value, 4); };
    for (uint32_t level = 1; level < depth; ++level, offset += 12) {
        word(offset, total - 12 - offset);
        word(offset + 4, 1);
        word(offset + 8, Variant::TypeList);
    }
    word(offset, 16);
    word(offset + 4, 1);
    word(offset + 8, Variant::TypeInt32);
    word(offset + 12, static_cast<uint32_t>(innermost));
    return ListOfContent(content);
}

TEST(VariantSerializeTest, DeeplyNestedListsCompareWithoutExhaustingTheStack)
{
    const Variant shallowLess = NestedList(3, 1);
    const Variant shallowMore = NestedList(3, 2);
    EXPECT_TRUE(shallowLess < shallowMore);
    EXPECT_FALSE(shallowMore < shallowLess);

    // Deep enough to overflow the stack, or to take minutes, if every level recursed and copied.
    const Variant deepLess = NestedList(200000, 1);
    const Variant deepMore = NestedList(200000, 2);
    EXPECT_TRUE(deepLess < deepMore);
    EXPECT_FALSE(deepMore < deepLess);
    EXPECT_FALSE(deepLess < deepLess);
}

} // namespace
} // namespace VQ
