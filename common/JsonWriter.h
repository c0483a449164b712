#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes one JSON document, value by value, with commas and escaping taken care of. Texts are taken
// as UTF-8; a byte that is not part of valid UTF-8 becomes U+FFFD, so the document is always valid.
// Numbers that JSON cannot hold (infinity, NaN) are written as null.
class TJsonWriter {
public:
    TJsonWriter& BeginObject();
    TJsonWriter& EndObject();
    TJsonWriter& BeginArray();
    TJsonWriter& EndArray();
    // The name of the next member of the open object.
    TJsonWriter& Key(const std::string& name);

    TJsonWriter& String(const std::string& text);
    TJsonWriter& Integer(std::int64_t value);
    TJsonWriter& Number(double value);
    TJsonWriter& Bool(bool value);
    TJsonWriter& Null();

    // Key and value in one.
    template <typename T> TJsonWriter& Member(const std::string& name, const T& value) {
        Key(name);
        return Value(value);
    }

    // The document so far, followed by a line break once complete.
    std::string Text() const;

private:
    TJsonWriter& Value(const std::string& v) { return String(v); }
    TJsonWriter& Value(const char* v) { return String(v); }
    TJsonWriter& Value(bool v) { return Bool(v); }
    TJsonWriter& Value(double v) { return Number(v); }
    TJsonWriter& Value(int v) { return Integer(v); }
    TJsonWriter& Value(long v) { return Integer(v); }
    TJsonWriter& Value(long long v) { return Integer(v); }
    TJsonWriter& Value(unsigned v) { return Integer(v); }
    TJsonWriter& Value(unsigned long v) { return Integer(static_cast<std::int64_t>(v)); }
    TJsonWriter& Value(unsigned long long v) { return Integer(static_cast<std::int64_t>(v)); }

    void BeforeValue();

    std::string Out;
    struct TLevel {
        bool Object;
        bool Empty;
    };
    std::vector<TLevel> Open;
    bool AfterKey = false;
};

// text as a JSON string literal, quotes included.
std::string JsonQuoted(const std::string& text);
