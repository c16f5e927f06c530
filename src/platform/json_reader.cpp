#include "platform/json_reader.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

constexpr int kMaxDepth = 64;

class Parser {
  public:
    explicit Parser(std::string_view text) : m_s(text) {}

    bool Document(JsonValue& out) {
        if (!Value(out, 0)) return false;
        Space();
        return m_i == m_s.size();
    }

  private:
    void Space() {
        while (m_i < m_s.size() &&
               (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\n' || m_s[m_i] == '\r'))
            ++m_i;
    }
    bool Literal(std::string_view word) {
        if (m_s.substr(m_i, word.size()) != word) return false;
        m_i += word.size();
        return true;
    }
    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) return false;
        Space();
        if (m_i >= m_s.size()) return false;
        const char c = m_s[m_i];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out.kind = JsonValue::Kind::String;
            return String(out.text);
        }
        if (c == 't' || c == 'f') {
            out.kind = JsonValue::Kind::Bool;
            out.boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.kind = JsonValue::Kind::Null;
            return Literal("null");
        }
        return Number(out);
    }
    bool Object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Object;
        ++m_i;
        Space();
        if (m_i < m_s.size() && m_s[m_i] == '}') {
            ++m_i;
            return true;
        }
        for (;;) {
            Space();
            std::string name;
            if (m_i >= m_s.size() || m_s[m_i] != '"' || !String(name)) return false;
            Space();
            if (m_i >= m_s.size() || m_s[m_i] != ':') return false;
            ++m_i;
            JsonValue v;
            if (!Value(v, depth + 1)) return false;
            out.names.push_back(std::move(name));
            out.members.push_back(std::move(v));
            Space();
            if (m_i >= m_s.size()) return false;
            if (m_s[m_i] == '}') {
                ++m_i;
                return true;
            }
            if (m_s[m_i++] != ',') return false;
        }
    }
    bool Array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Array;
        ++m_i;
        Space();
        if (m_i < m_s.size() && m_s[m_i] == ']') {
            ++m_i;
            return true;
        }
        for (;;) {
            JsonValue v;
            if (!Value(v, depth + 1)) return false;
            out.items.push_back(std::move(v));
            Space();
            if (m_i >= m_s.size()) return false;
            if (m_s[m_i] == ']') {
                ++m_i;
                return true;
            }
            if (m_s[m_i++] != ',') return false;
        }
    }
    static void AppendUtf8(std::string& s, uint32_t cp) {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool Hex4(uint32_t& cp) {
        if (m_s.size() - m_i < 4) return false;
        cp = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = m_s[m_i++];
            cp <<= 4;
            if (h >= '0' && h <= '9')
                cp |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                cp |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                cp |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool String(std::string& out) {
        ++m_i;  // the opening quote
        while (m_i < m_s.size()) {
            const char c = m_s[m_i++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size()) return false;
            const char e = m_s[m_i++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
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
                    uint32_t cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00) {
                        uint32_t low = 0;
                        if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                            return false;
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        return false;
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool Number(JsonValue& out) {
        const size_t start = m_i;
        if (m_i < m_s.size() && m_s[m_i] == '-') ++m_i;
        const size_t digits = m_i;
        while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9') ++m_i;
        if (m_i == digits) return false;
        if (m_i < m_s.size() && m_s[m_i] == '.') {
            const size_t frac = ++m_i;
            while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9') ++m_i;
            if (m_i == frac) return false;
        }
        if (m_i < m_s.size() && (m_s[m_i] == 'e' || m_s[m_i] == 'E')) {
            ++m_i;
            if (m_i < m_s.size() && (m_s[m_i] == '+' || m_s[m_i] == '-')) ++m_i;
            const size_t exp = m_i;
            while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9') ++m_i;
            if (m_i == exp) return false;
        }
        // from_chars reads the point whatever the process's locale says.
        out.kind = JsonValue::Kind::Number;
        const char* first = m_s.data() + start;
        const char* last = m_s.data() + m_i;
        const auto [end, ec] = std::from_chars(first, last, out.number);
        return ec == std::errc() && end == last && std::isfinite(out.number);
    }

    std::string_view m_s;
    size_t m_i = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
    if (kind != Kind::Object) return nullptr;
    for (size_t i = 0; i < names.size() && i < members.size(); ++i)
        if (names[i] == name) return &members[i];
    return nullptr;
}

bool ParseJson(std::string_view text, JsonValue& out) {
    out = JsonValue();
    return Parser(text).Document(out);
}

}  // namespace platform
