// Indexing a damaged text file (many elements left open, stray end tags) at two sizes: the ratio
// of the times shows how the indexer grows (about 2 for linear, about 4 for quadratic).
#include <chrono>
#include <cstdio>
#include <string>

#include "config/xml_doc.h"

namespace {

std::u16string Damaged(int open) {
    std::u16string text = u"<r>";
    for (int i = 0; i < open; ++i) text += u"<tc_a>t";
    for (int i = 0; i < open; ++i) text += u"</tc_b>";
    return text + u"</r>";
}

double Seconds(int open) {
    XmlDoc doc;
    doc.SetText(Damaged(open));
    const auto start = std::chrono::steady_clock::now();
    doc.ParseDocument();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const int n = 50000;
    Seconds(n);  // warm up
    const double small = Seconds(n), large = Seconds(2 * n);
    std::printf("xml index, %d vs %d open elements: time ratio %.2f (2 = linear, 4 = quadratic)\n",
                n, 2 * n, small > 0 ? large / small : 0.0);
    return 0;
}
