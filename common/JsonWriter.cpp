#include "common/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr const char* Replacement = "\xEF\xBF\xBD"; // U+FFFD

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not one.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            low = 0xA0; // no overlong forms
        if (c == 0xED)
            high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else
        return 0;
    if (i + n > s.size() || b(i + 1) < low || b(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF)
            return 0;
    return n;
}

} // namespace

std::string JsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = Utf8Length(text, i);
            out += n ? text.substr(i, n) : Replacement;
            i += n ? n : 1;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

void TJsonWriter::BeforeValue() {
    if (Open.empty()) {
        if (!Out.empty())
            throw std::logic_error("JSON: a second document");
        return;
    }
    TLevel& level = Open.back();
    if (level.Object) {
        if (!AfterKey)
            throw std::logic_error("JSON: a member without a name");
        AfterKey = false;
        return;
    }
    if (!level.Empty)
        Out += ",";
    level.Empty = false;
}

TJsonWriter& TJsonWriter::Key(const std::string& name) {
    if (Open.empty() || !Open.back().Object || AfterKey)
        throw std::logic_error("JSON: a name outside an object");
    if (!Open.back().Empty)
        Out += ",";
    Open.back().Empty = false;
    Out += JsonQuoted(name) + ":";
    AfterKey = true;
    return *this;
}

TJsonWriter& TJsonWriter::BeginObject() {
    BeforeValue();
    Out += "{";
    Open.push_back({true, true});
    return *this;
}

TJsonWriter& TJsonWriter::EndObject() {
    if (Open.empty() || !Open.back().Object || AfterKey)
        throw std::logic_error("JSON: no object to end");
    Open.pop_back();
    Out += "}";
    return *this;
}

TJsonWriter& TJsonWriter::BeginArray() {
    BeforeValue();
    Out += "[";
    Open.push_back({false, true});
    return *this;
}

TJsonWriter& TJsonWriter::EndArray() {
    if (Open.empty() || Open.back().Object)
        throw std::logic_error("JSON: no array to end");
    Open.pop_back();
    Out += "]";
    return *this;
}

TJsonWriter& TJsonWriter::String(const std::string& text) {
    BeforeValue();
    Out += JsonQuoted(text);
    return *this;
}

TJsonWriter& TJsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    Out += std::to_string(value);
    return *this;
}

TJsonWriter& TJsonWriter::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        Out += "null";
        return *this;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    Out += text;
    return *this;
}

TJsonWriter& TJsonWriter::Bool(bool value) {
    BeforeValue();
    Out += value ? "true" : "false";
    return *this;
}

TJsonWriter& TJsonWriter::Null() {
    BeforeValue();
    Out += "null";
    return *this;
}

std::string TJsonWriter::Text() const {
    return Open.empty() && !Out.empty() ? Out + "\n" : Out;
}
