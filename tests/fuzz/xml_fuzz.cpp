// Fuzzes the XML reader: decoding, indexing, navigation and text content.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "config/xml_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlDoc doc;
    doc.LoadFromBytes(std::vector<uint8_t>(data, data + size));
    doc.ParseDocument();
    // Walk the tree: every element below the root, two levels deep, reading every text.
    doc.ResetPosition();
    if (doc.FindChildElement(u"")) {
        doc.GetChildText();
        doc.EnterElement();
        for (int guard = 0; guard < 1000 && doc.FindChildElement(u""); ++guard) doc.GetChildText();
    }
    doc.ResetPosition();
    if (doc.FindChildElement("config") && doc.EnterElement()) {
        doc.FindChildElement("tc_ok");
        doc.GetChildText();
    }
    XmlDoc::DecodeReferences(doc.Text());
    return 0;
}
