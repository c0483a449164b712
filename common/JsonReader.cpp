#include "common/JsonReader.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxDepth = 64;

class TParser {
public:
    explicit TParser(const std::string& text) : Text(text) {}

    bool Document(TJsonValue& value, std::string& why) {
        Blanks();
        if (Value(value, 0)) {
            Blanks();
            if (At == Text.size())
                return true;
            Error = "text after the document";
        }
        why = Error + " at offset " + std::to_string(At);
        return false;
    }

private:
    bool Fail(const char* what) {
        Error = what;
        return false;
    }
    char Peek() const { return At < Text.size() ? Text[At] : '\0'; }
    void Blanks() {
        while (At < Text.size() && std::strchr(" \t\r\n", Text[At]) && Text[At] != '\0')
            ++At;
    }
    bool Word(const char* word) {
        const std::size_t n = std::strlen(word);
        if (Text.compare(At, n, word) != 0)
            return Fail("unknown word");
        At += n;
        return true;
    }

    bool Value(TJsonValue& v, int depth) {
        if (depth > MaxDepth)
            return Fail("nested too deep");
        switch (Peek()) {
        case '{':
            return Object(v, depth);
        case '[':
            return Array(v, depth);
        case '"':
            v.Kind = TJsonValue::TKind::String;
            return String(v.Text);
        case 't':
            v.Kind = TJsonValue::TKind::Bool;
            v.Bool = true;
            return Word("true");
        case 'f':
            v.Kind = TJsonValue::TKind::Bool;
            return Word("false");
        case 'n':
            return Word("null");
        default:
            return Number(v);
        }
    }

    bool Object(TJsonValue& v, int depth) {
        v.Kind = TJsonValue::TKind::Object;
        ++At;
        Blanks();
        if (Peek() == '}')
            return ++At, true;
        for (;;) {
            Blanks();
            std::pair<std::string, TJsonValue> member;
            if (Peek() != '"')
                return Fail("expected a member name");
            if (!String(member.first))
                return false;
            Blanks();
            if (Peek() != ':')
                return Fail("expected ':'");
            ++At;
            Blanks();
            if (!Value(member.second, depth + 1))
                return false;
            v.Members.push_back(std::move(member));
            Blanks();
            if (Peek() == '}')
                return ++At, true;
            if (Peek() != ',')
                return Fail("expected ',' or '}'");
            ++At;
        }
    }

    bool Array(TJsonValue& v, int depth) {
        v.Kind = TJsonValue::TKind::Array;
        ++At;
        Blanks();
        if (Peek() == ']')
            return ++At, true;
        for (;;) {
            Blanks();
            v.Items.emplace_back();
            if (!Value(v.Items.back(), depth + 1))
                return false;
            Blanks();
            if (Peek() == ']')
                return ++At, true;
            if (Peek() != ',')
                return Fail("expected ',' or ']'");
            ++At;
        }
    }

    bool Number(TJsonValue& v) {
        const std::size_t start = At;
        if (Peek() == '-')
            ++At;
        if (!std::isdigit(static_cast<unsigned char>(Peek())))
            return Fail("unexpected character");
        while (std::strchr("0123456789+-.eE", Peek()) && Peek() != '\0')
            ++At;
        const std::string digits = Text.substr(start, At - start);
        char* end = nullptr;
        v.Kind = TJsonValue::TKind::Number;
        v.Number = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size())
            return Fail("malformed number");
        return true;
    }

    bool Hex4(unsigned& code) {
        if (At + 4 > Text.size())
            return Fail("short \\u escape");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Text[At++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<unsigned>(c - 'A' + 10);
            else
                return Fail("bad \\u escape");
        }
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Escape(std::string& out) {
        const char c = Peek();
        ++At;
        const char* const from = "\"\\/bfnrt";
        const char* const to = "\"\\/\b\f\n\r\t";
        if (const char* p = c != '\0' ? std::strchr(from, c) : nullptr) {
            out += to[p - from];
            return true;
        }
        if (c != 'u')
            return Fail("bad escape");
        unsigned code = 0;
        if (!Hex4(code))
            return false;
        if (code >= 0xD800 && code < 0xDC00) {
            unsigned low = 0;
            if (Text.compare(At, 2, "\\u") != 0 || (At += 2, !Hex4(low)) || low < 0xDC00 || low >= 0xE000)
                return Fail("lone surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            return Fail("lone surrogate");
        }
        AppendUtf8(out, code);
        return true;
    }

    bool String(std::string& out) {
        ++At;
        for (;;) {
            if (At >= Text.size())
                return Fail("unterminated string");
            const char c = Text[At];
            if (c == '"')
                return ++At, true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("control character in a string");
            ++At;
            if (c != '\\')
                out += c;
            else if (!Escape(out))
                return false;
        }
    }

    const std::string& Text;
    std::size_t At = 0;
    std::string Error;
};

} // namespace

const TJsonValue& TJsonValue::operator[](const std::string& name) const {
    static const TJsonValue None;
    for (const auto& member : Members)
        if (member.first == name)
            return member.second;
    return None;
}

const std::string& TJsonValue::String() const {
    static const std::string None;
    return Kind == TKind::String ? Text : None;
}

bool ParseJson(const std::string& text, TJsonValue& value, std::string& why) {
    value = TJsonValue();
    return TParser(text).Document(value, why);
}
