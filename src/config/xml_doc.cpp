// Indexing, navigation and text content of the XML reader.
#include "config/xml_doc.h"

#include <algorithm>
#include <unordered_map>

#include "config/xml_names.h"
#include "config/xml_tokenizer.h"
#include "core/utf.h"

XmlDoc g_TextDoc;

namespace {

constexpr size_t kIndexSegment = 65536;

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// Value of a reference name (between '&' and ';', already lower-cased); 0 when not recognised.
char32_t ReferenceValue(const std::string& lowered, const std::string& original) {
    if (!lowered.empty() && lowered[0] == '#') {
        uint64_t v = 0;
        const bool hex = lowered.size() > 1 && lowered[1] == 'x';
        const size_t first = hex ? 2 : 1;
        if (first >= lowered.size()) return 0;
        for (size_t i = first; i < lowered.size(); ++i) {
            const char c = lowered[i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return 0;
            v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
            if (v > 0x10FFFF) return 0;
        }
        // Lone surrogates cannot stand in UTF-16 text; keep such a reference as written.
        if (v >= 0xD800 && v < 0xE000) return 0;
        return static_cast<char32_t>(v);
    }
    return LookupEntity(original);
}

}  // namespace

std::u16string XmlDoc::ToU16(const std::string& s) {
    return Utf8ToUtf16(s);
}

std::u16string XmlDoc::DecodeReferences(const std::u16string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != u'&') {
            out += s[i];
            continue;
        }
        size_t semi = std::u16string::npos;
        for (size_t k = i + 1; k < s.size() && k <= i + 10; ++k) {
            if (s[k] == u';') {
                semi = k;
                break;
            }
            if (s[k] >= 0x80) break;
        }
        char32_t cp = 0;
        if (semi != std::u16string::npos && semi > i + 1) {
            std::string original, lowered;
            for (size_t k = i + 1; k < semi; ++k) {
                const char c = static_cast<char>(s[k]);
                original += c;
                lowered += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
            }
            cp = ReferenceValue(lowered, original);
        }
        if (cp == 0) {
            out += u'&';
            continue;
        }
        AppendCodePoint(out, cp);
        i = semi;
    }
    return out;
}

std::u16string XmlDoc::TagName(uint32_t elem) const {
    const Element& e = m_elems[elem];
    size_t p = e.start + 1;
    const size_t end = e.start + e.startTagLen;
    while (p < end && p < m_text.size()) {
        const char16_t c = m_text[p];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>') break;
        ++p;
    }
    return m_text.substr(e.start + 1, p - (e.start + 1));
}

bool XmlDoc::NameIs(uint32_t elem, const std::u16string& name) const {
    const Element& e = m_elems[elem];
    const size_t first = e.start + 1;
    const size_t end = std::min<size_t>(e.start + e.startTagLen, m_text.size());
    if (first + name.size() > end || m_text.compare(first, name.size(), name) != 0) return false;
    if (first + name.size() == end) return true;
    const char16_t c = m_text[first + name.size()];
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>';
}

void XmlDoc::AppendChild(uint32_t parent, uint32_t child) {
    Element& p = m_elems[parent];
    Element& c = m_elems[child];
    c.parent = parent;
    c.nextSibling = 0;
    c.level = parent == 0 ? 0 : m_elems[parent].level + 1;
    if (p.firstChild == 0) {
        p.firstChild = child;
        c.prevSibling = child;
    } else {
        const uint32_t last = m_elems[p.firstChild].prevSibling;
        m_elems[last].nextSibling = child;
        c.prevSibling = last;
        m_elems[p.firstChild].prevSibling = child;
    }
}

// Elements closed implicitly hand their children to their parent, right after themselves. The
// element is then its parent's last child, so the whole list is spliced in at once; the children's
// parent and level are set for all elements in one pass at the end, which keeps damaged documents
// (thousands of elements left open) linear.
void XmlDoc::MoveChildrenUp(uint32_t elem) {
    Element& e = m_elems[elem];
    const uint32_t first = e.firstChild;
    if (first == 0) return;
    e.firstChild = 0;
    const uint32_t movedLast = m_elems[first].prevSibling;
    Element& p = m_elems[e.parent];
    const uint32_t parentFirst = p.firstChild;
    const uint32_t parentLast = m_elems[parentFirst].prevSibling;
    m_elems[parentLast].nextSibling = first;
    m_elems[first].prevSibling = parentLast;
    m_elems[parentFirst].prevSibling = movedLast;
    m_elems[movedLast].nextSibling = 0;
}

void XmlDoc::LinkParentsAndLevels() {
    std::vector<uint32_t> todo{0};
    while (!todo.empty()) {
        const uint32_t p = todo.back();
        todo.pop_back();
        for (uint32_t c = m_elems[p].firstChild; c; c = m_elems[c].nextSibling) {
            m_elems[c].parent = p;
            m_elems[c].level = p == 0 ? 0 : m_elems[p].level + 1;
            if (m_elems[c].firstChild) todo.push_back(c);
        }
    }
}

void XmlDoc::NoteError(const std::u16string& msg) {
    m_wellFormed = false;
    if (m_parseError.empty()) m_parseError = msg;
}

bool XmlDoc::ParseDocument() {
    m_elems.clear();
    m_elems.reserve(m_text.size() / 64 + 8);
    m_elems.emplace_back();
    m_parseError.clear();
    m_wellFormed = true;
    std::vector<uint32_t> stack;
    // Stack positions of the open elements by name, so an end tag finds its element at once.
    std::unordered_map<std::u16string, std::vector<size_t>> openByName;
    auto pop = [&]() {
        auto it = openByName.find(TagName(stack.back()));
        if (it != openByName.end() && !it->second.empty()) it->second.pop_back();
        stack.pop_back();
    };
    XmlTokenizer tok(m_text, 0, m_text.size());
    for (XmlToken t = tok.Next(); t.kind != XmlNode::End; t = tok.Next()) {
        if (t.kind == XmlNode::ElemStart || t.kind == XmlNode::ElemEmpty) {
            if (m_elems.size() == m_elems.capacity()) {
                // Small indexes double; large ones grow by whole segments.
                const size_t cap = m_elems.capacity();
                m_elems.reserve(cap + std::min(std::max<size_t>(cap, 64), kIndexSegment));
            }
            const uint32_t idx = static_cast<uint32_t>(m_elems.size());
            m_elems.emplace_back();
            Element& e = m_elems.back();
            e.start = static_cast<uint32_t>(t.start);
            e.startTagLen = static_cast<uint32_t>(t.length);
            e.length = e.startTagLen;
            e.emptyTag = t.kind == XmlNode::ElemEmpty;
            AppendChild(stack.empty() ? 0 : stack.back(), idx);
            if (t.kind == XmlNode::ElemStart) {
                openByName[TagName(idx)].push_back(stack.size());
                stack.push_back(idx);
            }
        } else if (t.kind == XmlNode::ElemEnd) {
            const std::u16string name = m_text.substr(t.nameStart, t.nameLength);
            auto open = openByName.find(name);
            const size_t depth =
                open == openByName.end() || open->second.empty() ? 0 : open->second.back() + 1;
            if (depth == 0) {
                NoteError(u"No start tag for end tag '" + name + u"' at offset " +
                          XmlNumber(t.start));
                continue;
            }
            const uint32_t matched = stack[depth - 1];
            // Elements left open inside the matched one end where this end tag starts; their
            // children move up to follow them under their parent.
            while (stack.size() > depth) {
                const uint32_t inner = stack.back();
                pop();
                Element& e = m_elems[inner];
                e.length = static_cast<uint32_t>(t.start) - e.start;
                e.notEnded = true;
                if (m_parseError.empty())
                    NoteError(u"End tag '" + name + u"' at offset " + XmlNumber(t.start) +
                              u" does not match start tag '" + TagName(inner) + u"' at offset " +
                              XmlNumber(e.start));
                m_wellFormed = false;
                MoveChildrenUp(inner);
            }
            Element& m = m_elems[matched];
            m.endTagLen = static_cast<uint32_t>(t.length);
            m.length = static_cast<uint32_t>(t.start + t.length) - m.start;
            pop();
        }
    }
    if (!tok.Error().empty()) NoteError(tok.Error());
    while (!stack.empty()) {
        const uint32_t open = stack.back();
        stack.pop_back();
        Element& e = m_elems[open];
        e.length = static_cast<uint32_t>(m_text.size()) - e.start;
        e.notEnded = true;
        if (m_parseError.empty())
            NoteError(u"Element '" + TagName(open) + u"' at offset " + XmlNumber(e.start) +
                      u" not ended");
        m_wellFormed = false;
    }
    LinkParentsAndLevels();
    const uint32_t root = m_elems[0].firstChild;
    if (m_text.empty())
        NoteError(u"Empty document");
    else if (root == 0)
        NoteError(u"No root element");
    else if (m_elems[root].nextSibling != 0)
        NoteError(u"Root element has sibling");
    if (!m_parseError.empty())
        m_result = m_result.empty() ? m_parseError : m_result + u" " + m_parseError;
    ResetPosition();
    return m_wellFormed;
}

void XmlDoc::ResetPosition() {
    m_parent = m_current = m_child = 0;
}

bool XmlDoc::FindNextElement(const std::u16string& name) {
    if (m_elems.empty()) return false;
    uint32_t e = m_current ? m_elems[m_current].nextSibling : m_elems[m_parent].firstChild;
    for (; e; e = m_elems[e].nextSibling) {
        if (name.empty() || NameIs(e, name)) {
            m_current = e;
            m_child = 0;
            return true;
        }
    }
    return false;
}

bool XmlDoc::FindChildElement(const std::u16string& name) {
    if (m_elems.empty()) return false;
    if (m_current == 0 && !FindNextElement()) return false;
    uint32_t e = m_child ? m_elems[m_child].nextSibling : m_elems[m_current].firstChild;
    for (; e; e = m_elems[e].nextSibling) {
        if (name.empty() || NameIs(e, name)) {
            m_child = e;
            return true;
        }
    }
    return false;
}

bool XmlDoc::EnterElement() {
    if (m_current == 0) return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    return true;
}

std::u16string XmlDoc::ElementText(uint32_t elem) const {
    const Element& e = m_elems[elem];
    if (e.firstChild != 0 || e.emptyTag) return u"";
    const size_t begin = e.start + e.startTagLen;
    const size_t total = static_cast<size_t>(e.start) + e.length;
    const size_t end = total >= e.endTagLen ? total - e.endTagLen : 0;
    if (end <= begin || end > m_text.size()) return u"";
    const std::u16string body = m_text.substr(begin, end - begin);
    if (body.find(u'<') == std::u16string::npos) return DecodeReferences(body);
    std::u16string out;
    XmlTokenizer tok(body, 0, body.size());
    for (XmlToken t = tok.Next(); t.kind != XmlNode::End; t = tok.Next()) {
        if (t.kind == XmlNode::Text) {
            out += DecodeReferences(body.substr(t.start, t.length));
        } else if (t.kind == XmlNode::CData) {
            const size_t cs = t.start + 9;  // after "<![CDATA["
            const size_t ce = t.start + t.length >= 3 ? t.start + t.length - 3 : 0;
            if (ce > cs) out += body.substr(cs, ce - cs);
        }
    }
    return out;
}

std::u16string XmlDoc::GetChildText() const {
    if (m_child == 0 || m_child >= m_elems.size()) return u"";
    return ElementText(m_child);
}
