#pragma once

#include <cctype>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

// A strict reader of one JSON document for tests: the leaves by path ("lines.init",
// "transfers[1].blocks"), strings decoded and shown between quotes, numbers, true, false and null as
// written, an empty object or array as {} or []. Any departure from the grammar throws.
class TJsonFlat {
public:
    static std::map<std::string, std::string> Parse(const std::string& text) {
        TJsonFlat p(text);
        p.SkipBlanks();
        p.Value("");
        p.SkipBlanks();
        if (p.At != text.size())
            p.Fail("text after the document");
        return p.Leaves;
    }

private:
    explicit TJsonFlat(const std::string& text) : Text(text) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(At));
    }
    char Peek() const { return At < Text.size() ? Text[At] : '\0'; }
    void Expect(char c) {
        if (Peek() != c)
            Fail(std::string("expected '") + c + "'");
        ++At;
    }
    void SkipBlanks() {
        while (At < Text.size() &&
               (Text[At] == ' ' || Text[At] == '\n' || Text[At] == '\r' || Text[At] == '\t'))
            ++At;
    }
    void Literal(const std::string& path, const char* word) {
        const std::string w = word;
        if (Text.compare(At, w.size(), w) != 0)
            Fail("unknown word");
        At += w.size();
        Leaves[path] = w;
    }
    void Value(const std::string& path) {
        switch (Peek()) {
        case '{':
            return Object(path);
        case '[':
            return Array(path);
        case '"':
            Leaves[path] = "\"" + String() + "\"";
            return;
        case 't':
            return Literal(path, "true");
        case 'f':
            return Literal(path, "false");
        case 'n':
            return Literal(path, "null");
        default:
            return NumberAt(path);
        }
    }
    void Object(const std::string& path) {
        Expect('{');
        SkipBlanks();
        if (Peek() == '}') {
            ++At;
            Leaves[path] = "{}";
            return;
        }
        for (;;) {
            SkipBlanks();
            const std::string key = String();
            SkipBlanks();
            Expect(':');
            SkipBlanks();
            Value(path.empty() ? key : path + "." + key);
            SkipBlanks();
            if (Peek() == '}') {
                ++At;
                return;
            }
            Expect(',');
        }
    }
    void Array(const std::string& path) {
        Expect('[');
        SkipBlanks();
        if (Peek() == ']') {
            ++At;
            Leaves[path] = "[]";
            return;
        }
        for (int i = 0;; ++i) {
            SkipBlanks();
            Value(path + "[" + std::to_string(i) + "]");
            SkipBlanks();
            if (Peek() == ']') {
                ++At;
                return;
            }
            Expect(',');
        }
    }
    void NumberAt(const std::string& path) {
        const std::size_t from = At;
        if (Peek() == '-')
            ++At;
        if (Peek() == '0')
            ++At;
        else if (!Digits())
            Fail("not a value");
        if (Peek() == '.') {
            ++At;
            if (!Digits())
                Fail("no digits after the point");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++At;
            if (Peek() == '+' || Peek() == '-')
                ++At;
            if (!Digits())
                Fail("no exponent digits");
        }
        Leaves[path] = Text.substr(from, At - from);
    }
    bool Digits() {
        const std::size_t from = At;
        while (std::isdigit(static_cast<unsigned char>(Peek())))
            ++At;
        return At > from;
    }
    unsigned Hex4() {
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Peek();
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                Fail("bad \\u escape");
            v = v * 16 + static_cast<unsigned>(
                             std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
            ++At;
        }
        return v;
    }
    static void AppendUtf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (At >= Text.size())
                Fail("unterminated string");
            const auto c = static_cast<unsigned char>(Text[At++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                Fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            const char e = Peek();
            ++At;
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t cp = Hex4();
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    Expect('\\');
                    Expect('u');
                    const unsigned low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        Fail("lone surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    Fail("lone surrogate");
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                Fail("bad escape");
            }
        }
    }

    const std::string& Text;
    std::size_t At = 0;
    std::map<std::string, std::string> Leaves;
};
