// Splits XML text into nodes (tags, text, comments, ...) for the document reader.
#pragma once

#include <cstddef>
#include <string>

enum class XmlNode {
    End,        // no more text
    ElemStart,  // <name ...>
    ElemEnd,    // </name>
    ElemEmpty,  // <name .../>
    Text,
    Whitespace,  // text of blanks, tabs, line feeds and carriage returns only
    CData,
    ProcInstr,
    Comment,
    Doctype,
};

struct XmlToken {
    XmlNode kind = XmlNode::End;
    size_t start = 0;      // offset of the node
    size_t length = 0;     // whole node
    size_t nameStart = 0;  // tag or instruction name
    size_t nameLength = 0;
};

class XmlTokenizer {
  public:
    XmlTokenizer(const std::u16string& text, size_t begin, size_t end)
        : m_text(text), m_pos(begin), m_end(end) {}
    // Next node; kind End at the end. Malformed markup is noted in Error() (first one only) and
    // its '<' is returned as a one-character text node, so scanning always moves on.
    XmlToken Next();
    const std::u16string& Error() const { return m_error; }

  private:
    void NoteError(const std::u16string& e) {
        if (m_error.empty()) m_error = e;
    }
    size_t Find(const char16_t* what, size_t from) const;
    const std::u16string& m_text;
    size_t m_pos;
    size_t m_end;
    std::u16string m_error;
};

// Value of attribute name inside a tag (tagStart..tagEnd); false when absent. ASCII case of the
// name is ignored when noCase is set.
bool XmlAttribute(const std::u16string& text, size_t tagStart, size_t tagEnd,
                  const std::u16string& name, std::u16string& value, bool noCase = false);
std::u16string XmlNumber(size_t n);
