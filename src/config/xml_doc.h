// A small, tolerant XML reader: the document is held as UTF-16 text with an index of its
// elements; the caller moves through elements by name and reads their text content. Problems
// are recorded in the result text, never thrown; ill-formed documents are indexed as far as
// they go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class XmlDoc {
  public:
    // Replaces the text with the decoded file (byte-order mark, declared encoding, UTF-8
    // detection or windows-1252). False when the file cannot be opened or read; the result then
    // holds the system's error text and the previous text stays. Does not index.
    bool LoadFromFile(const std::string& path);
    // As LoadFromFile, from bytes in memory (always succeeds).
    void LoadFromBytes(const std::vector<uint8_t>& bytes);
    // Replaces the text directly (no decoding); clears the index and the result.
    void SetText(const std::u16string& text);

    // Indexes the text and resets the position; true when well formed (no structural error,
    // one root element without sibling).
    bool ParseDocument();
    void ResetPosition();
    // Navigation by exact name; an empty name matches any element. False leaves the position.
    bool FindNextElement(const std::u16string& name = u"");
    bool FindChildElement(const std::u16string& name);
    bool FindNextElement(const std::string& utf8Name) { return FindNextElement(ToU16(utf8Name)); }
    bool FindChildElement(const std::string& utf8Name) { return FindChildElement(ToU16(utf8Name)); }
    bool FindChildElement(const char* utf8Name) { return FindChildElement(std::string(utf8Name)); }
    bool EnterElement();
    // Text content of the child element: references decoded, CDATA kept, comments dropped;
    // empty for an element with child elements, an empty-element tag or no child.
    std::u16string GetChildText() const;

    const std::u16string& GetLoadResult() const { return m_result; }
    bool IsWellFormed() const { return m_wellFormed; }
    const std::u16string& Text() const { return m_text; }

    // The text content of an element's body as GetChildText computes it (exposed for tests).
    static std::u16string DecodeReferences(const std::u16string& s);

  private:
    struct Element {
        uint32_t start = 0;   // offset of the start tag
        uint32_t length = 0;  // start tag to end of end tag
        uint32_t startTagLen = 0;
        uint32_t endTagLen = 0;
        uint32_t level = 0;
        uint32_t parent = 0;
        uint32_t firstChild = 0;
        uint32_t nextSibling = 0;
        uint32_t prevSibling = 0;  // of the first child: the last child
        bool notEnded = false;
        bool emptyTag = false;
    };
    static std::u16string ToU16(const std::string& s);
    std::u16string TagName(uint32_t elem) const;
    bool NameIs(uint32_t elem, const std::u16string& name) const;
    void AppendChild(uint32_t parent, uint32_t child);
    void MoveChildrenUp(uint32_t elem);
    void LinkParentsAndLevels();
    void Detach(uint32_t elem);
    void NoteError(const std::u16string& msg);
    std::u16string ElementText(uint32_t elem) const;

    std::u16string m_text;
    std::vector<Element> m_elems;
    uint32_t m_parent = 0;
    uint32_t m_current = 0;
    uint32_t m_child = 0;
    std::u16string m_result;
    std::u16string m_parseError;
    bool m_wellFormed = false;
    friend class XmlIndexer;
};

extern XmlDoc g_TextDoc;
