// A small JSON reader for the replies of other programs (the compositor's IPC): the whole text
// into a tree, refusing anything malformed, too deep or too long.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;                            // Array
    std::vector<std::pair<std::string, JsonValue>> members;  // Object, in their order

    // The member's value, or null when this is no object or has no such member.
    const JsonValue* Member(std::string_view name) const;
};

// False when the text is not one JSON value (surrounding white space allowed).
bool ParseJson(std::string_view text, JsonValue& out);

}  // namespace platform
