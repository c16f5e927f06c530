// A small JSON reader for the replies of other programs (the compositor's IPC): the whole text
// into a tree, refusing anything malformed, too deep or too long.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;  // Array
    // Object, in their order: names[i] names members[i]. Two vectors, as a pair would need the
    // value's type complete here.
    std::vector<std::string> names;
    std::vector<JsonValue> members;

    // The member's value, or null when this is no object or has no such member.
    const JsonValue* Member(std::string_view name) const;
};

// False when the text is not one JSON value (surrounding white space allowed).
bool ParseJson(std::string_view text, JsonValue& out);

}  // namespace platform
