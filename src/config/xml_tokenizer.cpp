// Tokenising XML text into nodes.
#include "config/xml_tokenizer.h"

namespace {

bool IsSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameStart(char16_t c) {
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c > 'z';
}

char16_t LowerAscii(char16_t c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
}

}  // namespace

std::u16string XmlNumber(size_t n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

size_t XmlTokenizer::Find(const char16_t* what, size_t from) const {
    const std::u16string needle(what);
    if (from > m_end) return std::u16string::npos;
    const size_t p = m_text.find(needle, from);
    if (p == std::u16string::npos || p + needle.size() > m_end) return std::u16string::npos;
    return p;
}

XmlToken XmlTokenizer::Next() {
    XmlToken t;
    if (m_pos >= m_end) return t;
    t.start = m_pos;
    const std::u16string& s = m_text;
    if (s[m_pos] != u'<') {
        size_t p = m_pos;
        bool blank = true;
        while (p < m_end && s[p] != u'<') {
            if (!IsSpace(s[p])) blank = false;
            ++p;
        }
        t.kind = blank ? XmlNode::Whitespace : XmlNode::Text;
        t.length = p - m_pos;
        m_pos = p;
        return t;
    }
    const size_t at = m_pos;
    const char16_t c = at + 1 < m_end ? s[at + 1] : u'\0';
    auto unterminated = [&](const char16_t* kind, XmlNode k) {
        NoteError(std::u16string(kind) + u" at offset " + XmlNumber(at) + u" unterminated");
        t.kind = k;
        t.length = m_end - at;
        m_pos = m_end;
        return t;
    };
    auto finish = [&](XmlNode k, size_t endPos) {
        t.kind = k;
        t.length = endPos - at;
        m_pos = endPos;
        return t;
    };
    auto incorrect = [&](const char16_t* what) {
        NoteError(std::u16string(u"Incorrect ") + what + u" at offset " + XmlNumber(at));
        t.kind = XmlNode::Text;
        t.length = 1;
        m_pos = at + 1;
        return t;
    };
    if (c == u'/') {
        t.nameStart = at + 2;
        size_t p = t.nameStart;
        while (p < m_end && !IsSpace(s[p]) && s[p] != u'>') ++p;
        t.nameLength = p - t.nameStart;
        const size_t close = Find(u">", at);
        if (close == std::u16string::npos)
            return unterminated(u"Element end tag", XmlNode::ElemEnd);
        return finish(XmlNode::ElemEnd, close + 1);
    }
    if (c == u'?') {
        t.nameStart = at + 2;
        size_t p = t.nameStart;
        while (p < m_end && !IsSpace(s[p]) && s[p] != u'?' && s[p] != u'>') ++p;
        t.nameLength = p - t.nameStart;
        const size_t close = Find(u"?>", at + 2);
        if (close == std::u16string::npos)
            return unterminated(u"Processing instruction", XmlNode::ProcInstr);
        return finish(XmlNode::ProcInstr, close + 2);
    }
    if (c == u'!') {
        const char16_t c2 = at + 2 < m_end ? s[at + 2] : u'\0';
        const char16_t c3 = at + 3 < m_end ? s[at + 3] : u'\0';
        if (c2 == u'-') {
            if (c3 != u'-') return incorrect(u"comment tag");
            const size_t close = Find(u"-->", at + 4);
            if (close == std::u16string::npos) return unterminated(u"Comment", XmlNode::Comment);
            return finish(XmlNode::Comment, close + 3);
        }
        if (c2 == u'[') {
            if (c3 != u'C') return incorrect(u"tag");
            const size_t close = Find(u"]]>", at + 3);
            if (close == std::u16string::npos)
                return unterminated(u"CDATA Section", XmlNode::CData);
            return finish(XmlNode::CData, close + 3);
        }
        if (c2 == u'D' || c2 == u'E' || c2 == u'A' || c2 == u'N') {
            // Ends at its closing '>', skipping an internal subset in brackets.
            int depth = 0;
            for (size_t p = at + 2; p < m_end; ++p) {
                if (s[p] == u'[')
                    ++depth;
                else if (s[p] == u']' && depth > 0)
                    --depth;
                else if (s[p] == u'>' && depth == 0)
                    return finish(XmlNode::Doctype, p + 1);
            }
            return unterminated(c2 == u'D' ? u"Doctype" : u"tag", XmlNode::Doctype);
        }
        return incorrect(u"! tag");
    }
    if (!IsNameStart(c) || at + 1 >= m_end) return incorrect(u"tag name character");
    t.nameStart = at + 1;
    size_t p = t.nameStart;
    while (p < m_end && !IsSpace(s[p]) && s[p] != u'/' && s[p] != u'>') ++p;
    t.nameLength = p - t.nameStart;
    char16_t quote = 0;
    for (; p < m_end; ++p) {
        if (quote) {
            if (s[p] == quote) quote = 0;
        } else if (s[p] == u'"' || s[p] == u'\'') {
            quote = s[p];
        } else if (s[p] == u'>') {
            const bool empty = s[p - 1] == u'/';
            return finish(empty ? XmlNode::ElemEmpty : XmlNode::ElemStart, p + 1);
        }
    }
    return unterminated(u"Element tag", XmlNode::ElemStart);
}

bool XmlAttribute(const std::u16string& text, size_t tagStart, size_t tagEnd,
                  const std::u16string& name, std::u16string& value, bool noCase) {
    if (tagEnd > text.size()) tagEnd = text.size();
    size_t p = tagStart;
    // Skip '<', the optional '?' and the tag name.
    while (p < tagEnd && !IsSpace(text[p])) ++p;
    while (p < tagEnd) {
        while (p < tagEnd && (IsSpace(text[p]) || text[p] == u'/' || text[p] == u'?')) ++p;
        const size_t ns = p;
        while (p < tagEnd && !IsSpace(text[p]) && text[p] != u'=' && text[p] != u'>' &&
               text[p] != u'/' && text[p] != u'?')
            ++p;
        const size_t ne = p;
        while (p < tagEnd && IsSpace(text[p])) ++p;
        if (ne == ns) {
            ++p;
            continue;
        }
        std::u16string v;
        if (p < tagEnd && text[p] == u'=') {
            ++p;
            while (p < tagEnd && IsSpace(text[p])) ++p;
            if (p < tagEnd && (text[p] == u'"' || text[p] == u'\'')) {
                const char16_t q = text[p++];
                const size_t vs = p;
                while (p < tagEnd && text[p] != q) ++p;
                v = text.substr(vs, p - vs);
                if (p < tagEnd) ++p;
            } else {
                const size_t vs = p;
                while (p < tagEnd && !IsSpace(text[p]) && text[p] != u'>') ++p;
                v = text.substr(vs, p - vs);
            }
        }
        bool same = ne - ns == name.size();
        for (size_t i = 0; same && i < name.size(); ++i)
            same =
                noCase ? LowerAscii(text[ns + i]) == LowerAscii(name[i]) : text[ns + i] == name[i];
        if (same) {
            value = v;
            return true;
        }
    }
    return false;
}
