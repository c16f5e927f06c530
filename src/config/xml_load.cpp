// Loading an XML file into UTF-16 text: byte-order marks, declared encodings, UTF-8 detection.
#include <cerrno>
#include <cstring>

#include "config/xml_doc.h"
#include "config/xml_names.h"
#include "config/xml_tokenizer.h"
#include "core/utf.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

constexpr size_t kHeadBytes = 1024;

std::u16string Ascii16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += (c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

bool EqualsNoCase16(const std::u16string& a, const char16_t* b) {
    const std::u16string bb(b);
    if (a.size() != bb.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = bb[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char16_t>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The encoding named by an XML declaration or an HTML meta tag in the head; empty when none.
std::string DeclaredEncoding(const std::u16string& head) {
    XmlTokenizer tok(head, 0, head.size());
    XmlToken t = tok.Next();
    auto name = [&](const XmlToken& x) { return head.substr(x.nameStart, x.nameLength); };
    std::u16string value;
    if (t.kind == XmlNode::ProcInstr) {
        if (name(t) == u"xml" &&
            XmlAttribute(head, t.start + 1, t.start + t.length, u"encoding", value))
            return Narrow(value);
        if (name(t) == u"xml") return "";
    }
    while (t.kind != XmlNode::End && t.kind != XmlNode::ElemStart && t.kind != XmlNode::ElemEmpty)
        t = tok.Next();
    if (t.kind == XmlNode::End || !EqualsNoCase16(name(t), u"html")) return "";
    for (t = tok.Next(); t.kind != XmlNode::End; t = tok.Next()) {
        if (t.kind == XmlNode::ElemEnd && EqualsNoCase16(name(t), u"head")) return "";
        if ((t.kind != XmlNode::ElemStart && t.kind != XmlNode::ElemEmpty) ||
            !EqualsNoCase16(name(t), u"meta"))
            continue;
        std::u16string equiv, content;
        const size_t end = t.start + t.length;
        if (!XmlAttribute(head, t.start, end, u"http-equiv", equiv, true) ||
            !EqualsNoCase16(equiv, u"Content-Type") ||
            !XmlAttribute(head, t.start, end, u"content", content, true))
            continue;
        const std::string c = Narrow(content);
        std::string lower = AsciiLower(c);
        size_t p = lower.find("charset");
        if (p == std::string::npos) continue;
        p += 7;
        while (p < c.size() && c[p] == ' ') ++p;
        if (p >= c.size() || c[p] != '=') continue;
        ++p;
        while (p < c.size() && c[p] == ' ') ++p;
        size_t e = p;
        while (e < c.size() && c[e] != ';' && c[e] != ' ' && c[e] != '"' && c[e] != '\'') ++e;
        return c.substr(p, e - p);
    }
    return "";
}

bool LooksLikeUtf8(const std::vector<uint8_t>& b) {
    for (size_t i = 0; i < b.size() && b[i] != 0;) {
        const uint8_t c = b[i++];
        if (c < 0x80) continue;
        if (c >= 0xF8) return false;
        const size_t more = c >= 0xF0 ? 3 : (c >= 0xE0 ? 2 : 1);
        if (i + more > b.size()) return false;
        for (size_t k = 0; k < more; ++k)
            if ((b[i + k] & 0x80) == 0) return false;
        i += more;
    }
    return true;
}

}  // namespace

bool XmlDoc::LoadFromFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    int err = 0;
    if (!platform::ReadWholeFile(path, bytes, &err)) {
        m_result = Ascii16(std::strerror(err ? err : EIO));
        m_elems.clear();
        m_parent = m_current = m_child = 0;
        return false;
    }
    LoadFromBytes(bytes);
    return true;
}

void XmlDoc::LoadFromBytes(const std::vector<uint8_t>& bytes) {
    m_elems.clear();
    m_parent = m_current = m_child = 0;
    m_wellFormed = false;
    std::string encoding;
    size_t charSize = 1;
    size_t skip = 0;
    bool bom = false, bigEndian = false;
    const size_t headLen = bytes.size() < kHeadBytes ? bytes.size() : kHeadBytes;
    if (headLen >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        encoding = "UTF-8";
        skip = 3;
    } else if (headLen >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding = "UTF-16LE";
        charSize = 2;
        skip = 2;
    } else if (headLen >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        encoding = "UTF-16BE";
        charSize = 2;
        skip = 2;
        bigEndian = true;
    }
    bom = skip > 0;
    if (!bom) {
        const std::string headText(bytes.begin(),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(headLen));
        encoding = DeclaredEncoding(Utf8ToUtf16(headText));
        if (encoding.empty() && headLen > 0 && bytes[0] == '<') encoding = "UTF-8";
    }

    // The encoding name leads the result; UTF-8 detection below may still set it.
    auto lead = [&]() {
        return (encoding.empty() ? "ANSI" : encoding) + (bom ? " BOM +" : "") + " ";
    };
    std::string result;
    m_text.clear();
    const size_t rest = bytes.size() - skip;
    if (rest == 0) {
        m_result = Ascii16(lead() + "0 length ");
        return;
    }
    size_t nulls = 0;
    bool detection = false;
    if (charSize == 2) {
        const size_t units = rest / 2;
        result += "length " + std::to_string(units) + " ";
        m_text.reserve(units);
        for (size_t i = 0; i < units; ++i) {
            const uint8_t lo = bytes[skip + 2 * i], hi = bytes[skip + 2 * i + 1];
            char16_t u = static_cast<char16_t>(bigEndian ? (lo << 8 | hi) : (hi << 8 | lo));
            if (u == 0) {
                ++nulls;
                continue;
            }
            m_text += u;
        }
    } else {
        std::vector<uint8_t> body;
        body.reserve(rest);
        for (size_t i = skip; i < bytes.size(); ++i) {
            if (bytes[i] == 0)
                ++nulls;
            else
                body.push_back(bytes[i]);
        }
        result += "length " + std::to_string(rest) + " ";
        if (encoding.empty()) {
            detection = true;
            if (LooksLikeUtf8(body)) encoding = "UTF-8";
        }
        const int cp =
            encoding.empty() ? platform::kDefaultAnsiCodePage : EncodingToCodePage(encoding);
        platform::CodePageToUtf16(cp, body.data(), body.size(), m_text);
    }
    if (nulls) result += "(" + std::to_string(nulls) + " nulls removed) ";
    if (bigEndian) result += "endian swap ";
    if (detection) result += "(used UTF-8 detection) ";
    if (charSize == 1) result += "to " + std::to_string(m_text.size()) + " wide chars ";
    m_result = Ascii16(lead() + result);
}

void XmlDoc::SetText(const std::u16string& text) {
    m_text = text;
    m_elems.clear();
    m_parent = m_current = m_child = 0;
    m_result.clear();
    m_wellFormed = false;
}
