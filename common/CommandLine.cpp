#include "common/CommandLine.h"

#include <cstddef>

namespace {

bool IsSeparator(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// The text up to its first NUL: a NUL ends a command line.
std::string UpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& whole) {
    const std::string text = UpToNul(whole);
    std::vector<std::string> items;
    std::size_t pos = 0;
    const std::size_t end = text.size();
    for (;;) {
        // Separators and empty quote pairs in front of an argument are skipped alike.
        for (;;) {
            while (pos < end && IsSeparator(text[pos]))
                ++pos;
            if (pos + 1 < end && text[pos] == '"' && text[pos + 1] == '"')
                pos += 2;
            else
                break;
        }
        if (pos >= end)
            break;
        std::string item;
        while (pos < end && !IsSeparator(text[pos])) {
            if (text[pos] == '"') {
                ++pos;
                while (pos < end && text[pos] != '"')
                    item += text[pos++];
                if (pos < end)
                    ++pos; // the closing quote
            } else {
                item += text[pos++];
            }
        }
        // Only an opening quote with nothing after it yields an empty item; it ends the text.
        if (item.empty())
            break;
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> SplitProcessCommandLine(const std::string& text) {
    std::vector<std::string> items = SplitCommandLine(text);
    if (!items.empty())
        items.erase(items.begin());
    return items;
}

std::string QuoteArgument(const std::string& text) {
    return "\"" + text + "\"";
}
