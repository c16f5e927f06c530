#include "config/xml_doc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utf.h"
#include "support/support.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::string Utf16Bytes(const std::u16string& s, bool bigEndian) {
    std::string out;
    for (char16_t c : s) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string Result(const XmlDoc& d) {
    return Utf16ToUtf8(d.GetLoadResult());
}

// Text of element path a/b/... below the root (the root itself is the first name).
std::string TextAt(XmlDoc& d, std::vector<std::string> path) {
    d.ResetPosition();
    if (!d.FindNextElement(path[0])) return "<no root>";
    for (size_t i = 1; i < path.size(); ++i) {
        if (!d.FindChildElement(path[i])) return "<missing " + path[i] + ">";
        if (i + 1 < path.size()) d.EnterElement();
    }
    return Utf16ToUtf8(d.GetChildText());
}

TEST(XmlLoad, ByteOrderMarksAndEncodings) {
    const std::u16string doc = u"<r><a>Gr\u00fc\u00dfe \u4e2d</a></r>";
    const struct {
        const char* name;
        std::string bytes;
        const char* resultStart;
    } cases[] = {
        {"UTF-16LE", "\xFF\xFE" + Utf16Bytes(doc, false), "UTF-16LE BOM + length 21 "},
        {"UTF-16BE", "\xFE\xFF" + Utf16Bytes(doc, true), "UTF-16BE BOM + length 21 endian swap "},
        {"UTF-8 BOM", "\xEF\xBB\xBF" + Utf16ToUtf8(doc), "UTF-8 BOM + length 25 to 21 wide chars "},
        {"UTF-8 by first byte", Utf16ToUtf8(doc), "UTF-8 length 25 to 21 wide chars "},
    };
    for (const auto& c : cases) {
        XmlDoc d;
        d.LoadFromBytes(Bytes(c.bytes));
        EXPECT_EQ(Result(d), c.resultStart) << c.name;
        EXPECT_TRUE(d.ParseDocument()) << c.name;
        EXPECT_EQ(TextAt(d, {"r", "a"}), "Grüße 中") << c.name;
    }
}

TEST(XmlLoad, DeclaredEncodingsAndDetection) {
    XmlDoc d;
    d.LoadFromBytes(
        Bytes("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><a>caf\xE9</a></r>"));
    EXPECT_EQ(Result(d).rfind("windows-1252 length", 0), 0u) << Result(d);
    d.ParseDocument();
    EXPECT_EQ(TextAt(d, {"r", "a"}), "café");

    d.LoadFromBytes(
        Bytes("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
              "</head><body>\xC1</body></html>"));
    d.ParseDocument();
    EXPECT_EQ(Result(d).rfind("koi8-r ", 0), 0u) << Result(d);
    EXPECT_EQ(TextAt(d, {"html", "body"}), "а");

    d.LoadFromBytes(Bytes(" <r>\xC3\xA9</r>"));
    EXPECT_EQ(Result(d), "UTF-8 length 10 (used UTF-8 detection) to 9 wide chars ");
    d.LoadFromBytes(Bytes(" <r><a>\xE9</a></r>"));
    EXPECT_EQ(Result(d), "ANSI length 16 (used UTF-8 detection) to 16 wide chars ");
    d.ParseDocument();
    EXPECT_EQ(TextAt(d, {"r", "a"}), "é") << "falls back to windows-1252";

    d.LoadFromBytes(Bytes(std::string("<r>a\0b</r>", 10)));
    EXPECT_EQ(Result(d), "UTF-8 length 10 (1 nulls removed) to 9 wide chars ");
    d.LoadFromBytes(Bytes("\xFF\xFE"));
    EXPECT_EQ(Result(d), "UTF-16LE BOM + 0 length ");
    d.LoadFromBytes({});
    EXPECT_EQ(Result(d), "ANSI 0 length ");
    EXPECT_FALSE(d.ParseDocument());
    EXPECT_EQ(Result(d), "ANSI 0 length  Empty document");
}

TEST(XmlLoad, MissingFileFailsWithTheSystemText) {
    XmlDoc d;
    EXPECT_FALSE(d.LoadFromFile("/nonexistent/text.xml"));
    EXPECT_EQ(Result(d), "No such file or directory");
    testing_support::TempDir dir;
    EXPECT_TRUE(d.LoadFromFile(dir.Write("t.xml", "<r/>")));
    EXPECT_TRUE(d.ParseDocument());
}

TEST(XmlText, CharacterReferencesAndCData) {
    const struct {
        const char* body;
        const char* text;
    } cases[] = {
        {"a &amp; b", "a & b"},
        {"&#65;&#x41;&#X41;", "AAA"},
        {"&unknown; &amp", "&unknown; &amp"},
        {"&#0;", "&#0;"},
        {"&#x1F5B1;", "\U0001F5B1"},
        {"&#xD800;", "&#xD800;"},
        {"&#x110000;", "&#x110000;"},
        {"&AMP;&apos;&eacute;&Eacute;", "&'éÉ"},
        {"&thisnameistoolong;", "&thisnameistoolong;"},
        {"  spaced  ", "  spaced  "},
        {"<![CDATA[<b>]]>", "<b>"},
        {"x<!-- note -->y<?pi?>&lt;", "xy<"},
        {" <![CDATA[ a ]]> ", " a "},
        {"<c/>", ""},
        {"<c>t</c>", ""},
    };
    for (const auto& c : cases) {
        XmlDoc d;
        d.SetText(Utf8ToUtf16(std::string("<r><a>") + c.body + "</a></r>"));
        d.ParseDocument();
        EXPECT_EQ(TextAt(d, {"r", "a"}), c.text) << c.body;
    }
}

TEST(XmlParse, StructuralProblemsAreRecordedAndIndexingGoesOn) {
    const struct {
        const char* text;
        const char* result;
        std::vector<std::string> path;
        const char* pathText;
    } cases[] = {
        {"<r><a>x</b></a></r>", "No start tag for end tag 'b' at offset 7", {"r", "a"}, "x"},
        {"<r><a>x</r>",
         "End tag 'r' at offset 7 does not match start tag 'a' at offset 3",
         {"r", "a"},
         "x"},
        {"<r><a><c>y</c></r>",
         "End tag 'r' at offset 14 does not match start tag 'a' at offset 3",
         {"r", "c"},
         "y"},
        {"<r><a>x</a>", "Element 'r' at offset 0 not ended", {"r", "a"}, "x"},
        {"<r/><s/>", "Root element has sibling", {"r"}, ""},
        {"just text", "No root element", {"r"}, "<no root>"},
        {"<r><a>< a>t</a></r>", "Incorrect tag name character at offset 6", {"r", "a"}, "< a>t"},
        {"<r><a><!x></a></r>", "Incorrect ! tag at offset 6", {"r", "a"}, "<!x>"},
        {"<r><a><!-x></a></r>", "Incorrect comment tag at offset 6", {"r", "a"}, "<!-x>"},
        {"<r><a><![x]></a></r>", "Incorrect tag at offset 6", {"r", "a"}, "<![x]>"},
        {"<r><!-- open", "Comment at offset 3 unterminated", {"r"}, "<no root>"},
        {"<r a='>'><b", "Element tag at offset 9 unterminated", {"r"}, "<no root>"},
        {"<r><![CDATA[x", "CDATA Section at offset 3 unterminated", {"r"}, "<no root>"},
    };
    for (const auto& c : cases) {
        XmlDoc d;
        d.SetText(Utf8ToUtf16(c.text));
        EXPECT_FALSE(d.ParseDocument()) << c.text;
        EXPECT_EQ(Result(d), c.result) << c.text;
        if (std::string(c.pathText) != "<no root>") {
            EXPECT_EQ(TextAt(d, c.path), c.pathText) << c.text;
        }
    }
    XmlDoc d;
    d.LoadFromBytes(Bytes("<r><a>x</b></a></r>"));
    d.ParseDocument();
    EXPECT_EQ(Result(d),
              "UTF-8 length 19 to 19 wide chars  No start tag for end tag 'b' at offset 7");
}

// A damaged text file: tens of thousands of texts whose end tags are lost, stray end tags, then
// the root's end tag. Every element left open ends there and its children follow it, so all the
// texts are siblings under the root, in order, and the last one still reads its text.
TEST(XmlParse, ManyElementsLeftOpenAreIndexedAsSiblings) {
    constexpr int kOpen = 40000;
    std::u16string text = u"<r>";
    for (int i = 0; i < kOpen; ++i) text += u"<tc_a>t";
    for (int i = 0; i < kOpen; ++i) text += u"</tc_b>";
    text += u"<tc_z>last";
    text += u"</r>";
    XmlDoc d;
    d.SetText(text);
    EXPECT_FALSE(d.ParseDocument());
    EXPECT_EQ(Result(d),
              "No start tag for end tag 'tc_b' at offset " + std::to_string(3 + 7 * kOpen));
    d.ResetPosition();
    int count = 0;
    while (d.FindChildElement("tc_a")) ++count;
    EXPECT_EQ(count, kOpen);
    EXPECT_EQ(TextAt(d, {"r", "tc_z"}), "last");
}

TEST(XmlNavigate, SiblingsChildrenAndEntering) {
    XmlDoc d;
    d.SetText(
        u"<?xml version='1.0'?><!DOCTYPE r [<!ELEMENT r "
        u"ANY>]><r><a>1</a><b>2</b><a>3</a><d><e>4</e></d></r>");
    ASSERT_TRUE(d.ParseDocument());
    EXPECT_FALSE(d.FindChildElement("zz"));
    d.ResetPosition();
    ASSERT_TRUE(d.FindChildElement("a"));
    EXPECT_EQ(Utf16ToUtf8(d.GetChildText()), "1");
    ASSERT_TRUE(d.FindChildElement("a"));
    EXPECT_EQ(Utf16ToUtf8(d.GetChildText()), "3");
    EXPECT_FALSE(d.FindChildElement("a"));
    EXPECT_EQ(Utf16ToUtf8(d.GetChildText()), "3") << "a failed search keeps the position";
    d.ResetPosition();
    ASSERT_TRUE(d.FindChildElement("d"));
    EXPECT_EQ(Utf16ToUtf8(d.GetChildText()), "") << "an element with children has no text";
    ASSERT_TRUE(d.EnterElement());
    ASSERT_TRUE(d.FindChildElement("e"));
    EXPECT_EQ(Utf16ToUtf8(d.GetChildText()), "4");
    d.ResetPosition();
    EXPECT_TRUE(d.FindNextElement());
    EXPECT_FALSE(d.FindNextElement()) << "the root has no sibling";
}

}  // namespace
