// The updater's command-line splitting: a text built of QuoteArgument's arguments (or bare ones
// where they have no separator) splits into the original arguments;
// any text splits into non-empty items without separators outside quotes.
#include "common/CommandLine.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool HasSeparator(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= 32)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::string& item : SplitCommandLine(input))
        FUZZ_ASSERT(!item.empty());

    // The input as arguments separated by NUL; the first byte of each says how it is quoted.
    std::vector<std::string> arguments;
    std::string text;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = std::min(input.find('\0', start), input.size());
        std::string argument = input.substr(start, end - start);
        start = end + 1;
        if (argument.size() < 2 || argument.find('"') != std::string::npos)
            continue; // quoting cannot carry a double quote, nor an empty argument
        const bool quoted = (argument[0] & 1) != 0 || HasSeparator(argument.substr(1));
        argument.erase(0, 1);
        if (!text.empty())
            text += ' ';
        text += quoted ? QuoteArgument(argument) : argument;
        arguments.push_back(argument);
    }
    FUZZ_ASSERT(SplitCommandLine(text) == arguments);
    return 0;
}
