// Code-page conversion through iconv.
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

struct CodePageName {
    int codePage;
    const char* iconvName;
};

const CodePageName kCodePages[] = {
    {37, "IBM037"},         {437, "CP437"},
    {500, "IBM500"},        {708, "ISO-8859-6"},
    {720, "CP720"},         {737, "CP737"},
    {775, "CP775"},         {850, "CP850"},
    {852, "CP852"},         {855, "CP855"},
    {857, "CP857"},         {858, "CP858"},
    {860, "CP860"},         {861, "CP861"},
    {862, "CP862"},         {863, "CP863"},
    {864, "CP864"},         {865, "CP865"},
    {866, "CP866"},         {869, "CP869"},
    {870, "IBM870"},        {874, "CP874"},
    {875, "CP875"},         {932, "CP932"},
    {936, "CP936"},         {949, "CP949"},
    {950, "CP950"},         {1026, "IBM1026"},
    {1047, "IBM1047"},      {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},     {1250, "WINDOWS-1250"},
    {1251, "WINDOWS-1251"}, {1252, "WINDOWS-1252"},
    {1253, "WINDOWS-1253"}, {1254, "WINDOWS-1254"},
    {1255, "WINDOWS-1255"}, {1256, "WINDOWS-1256"},
    {1257, "WINDOWS-1257"}, {1258, "WINDOWS-1258"},
    {1361, "JOHAB"},        {10000, "MACINTOSH"},
    {10004, "MACARABIC"},   {10005, "MACHEBREW"},
    {10006, "MACGREEK"},    {10007, "MACCYRILLIC"},
    {10010, "MACROMANIA"},  {10017, "MACUKRAINIAN"},
    {10021, "MACTHAI"},     {10029, "MACCENTRALEUROPE"},
    {10079, "MACICELAND"},  {10081, "MACTURKISH"},
    {10082, "MACCROATIAN"}, {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},    {20127, "ASCII"},
    {20866, "KOI8-R"},      {20932, "EUC-JP"},
    {20936, "GB2312"},      {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"}, {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"},
    {50222, "ISO-2022-JP"}, {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"}, {51932, "EUC-JP"},
    {51936, "GB2312"},      {51949, "EUC-KR"},
    {52936, "HZ"},          {54936, "GB18030"},
    {65000, "UTF-7"},       {65001, "UTF-8"},
    {65005, "UTF-32"},
};

}  // namespace

const char* CodePageIconvName(int codePage) {
    for (const auto& c : kCodePages)
        if (c.codePage == codePage) return c.iconvName;
    return "";
}

bool CodePageToUtf16(int codePage, const uint8_t* data, size_t size, std::u16string& out) {
    out.clear();
    const char* name = CodePageIconvName(codePage);
    if (!*name) name = CodePageIconvName(kDefaultAnsiCodePage);
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    if (size == 0 || !data) {
        iconv_close(cd);
        return true;
    }
    std::vector<char> in(data, data + size);
    std::vector<char> buf(size * 4 + 16);
    char* inPtr = in.data();
    size_t inLeft = in.size();
    auto flush = [&](char* outPtr) {
        const size_t produced = static_cast<size_t>(outPtr - buf.data());
        for (size_t i = 0; i + 1 < produced; i += 2)
            out += static_cast<char16_t>(static_cast<uint8_t>(buf[i]) |
                                         (static_cast<uint8_t>(buf[i + 1]) << 8));
    };
    while (inLeft > 0) {
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        flush(outPtr);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // An invalid or cut-off sequence: one replacement character, then go on after the byte.
        out += u'\uFFFD';
        ++inPtr;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buf.data();
    size_t outLeft = buf.size();
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    flush(outPtr);
    iconv_close(cd);
    // A converter may emit its own byte-order mark (UTF-16/UTF-32 without endianness).
    if (!out.empty() && out[0] == u'\uFEFF' && codePage == 65005) out.erase(0, 1);
    return true;
}

}  // namespace platform
