#include "tools/json/JsonWriter.h"

#include "tests/support/JsonFlat.h"

#include <gtest/gtest.h>

#include <limits>

TEST(JsonWriter, EscapesEveryTextSoThatItReadsBack) {
    const struct {
        std::string Text;
        std::string Written;
        std::string Read; // what a reader decodes; U+FFFD for bytes that are not UTF-8
    } cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"a\"b\\c/d", "\"a\\\"b\\\\c/d\"", "a\"b\\c/d"},
        {"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\"", "\n\r\t\b\f"},
        {std::string("\x01\x1f\x00z", 4), "\"\\u0001\\u001f\\u0000z\"", std::string("\x01\x1f\x00z", 4)},
        {"\x7f", "\"\x7f\"", "\x7f"},
        {"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80\"",
         "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"/dev/tty\xFFx", "\"/dev/tty\xEF\xBF\xBDx\"", "/dev/tty\xEF\xBF\xBDx"},  // not UTF-8
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // overlong
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"",
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                                 // surrogate
        {"\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonQuoted(c.Text), c.Written);
        TJsonWriter w;
        w.BeginObject().Member(c.Text, c.Text).EndObject();
        const auto leaves = TJsonFlat::Parse(w.Text());
        ASSERT_EQ(leaves.size(), 1u) << w.Text();
        EXPECT_EQ(leaves.begin()->second, "\"" + c.Read + "\"") << w.Text();
    }
}

TEST(JsonWriter, NestsWithCommasAndWritesNumbers) {
    TJsonWriter w;
    w.BeginObject()
        .Member("n", 3)
        .Member("big", 4294967295ul)
        .Member("s", 1.25)
        .Member("nan", std::numeric_limits<double>::quiet_NaN())
        .Member("ok", true)
        .Key("none")
        .Null()
        .Key("list")
        .BeginArray()
        .BeginObject()
        .Member("a", -1)
        .EndObject()
        .BeginArray()
        .EndArray()
        .String("x")
        .EndArray()
        .Key("empty")
        .BeginObject()
        .EndObject()
        .EndObject();
    EXPECT_EQ(w.Text(), "{\"n\":3,\"big\":4294967295,\"s\":1.25,\"nan\":null,\"ok\":true,\"none\":null,"
                        "\"list\":[{\"a\":-1},[],\"x\"],\"empty\":{}}\n");
    EXPECT_EQ(TJsonFlat::Parse(w.Text()).at("list[0].a"), "-1");
    EXPECT_THROW(TJsonWriter().BeginObject().String("no name"), std::logic_error);
    EXPECT_THROW(TJsonWriter().BeginArray().EndObject(), std::logic_error);
}
