#pragma once

#include <string>
#include <utility>
#include <vector>

// One JSON value read back: what the tool's own documents and the record's lines hold.
struct TJsonValue {
    enum class TKind { Null, Bool, Number, String, Array, Object };
    TKind Kind = TKind::Null;
    bool Bool = false;
    double Number = 0;
    std::string Text; // a string's text, UTF-8
    std::vector<TJsonValue> Items;
    std::vector<std::pair<std::string, TJsonValue>> Members; // in the document's order

    // The member of that name; a null value when this is no object or has none.
    const TJsonValue& operator[](const std::string& name) const;
    // A string's text; empty for any other kind.
    const std::string& String() const;
    bool IsNull() const { return Kind == TKind::Null; }
};

// Reads one document, blanks around it allowed. False with why (what and the byte offset) when the
// text is not JSON, or nests deeper than 64 levels.
bool ParseJson(const std::string& text, TJsonValue& value, std::string& why);
