#include "screen/codec/translate.h"

#include <array>

#include "screen/screen.h"

namespace {

// SGR numbers: normalBase + 0-7 for the first eight colours, brightBase + 0-7
// for the bright ones.
int sgrColour(int code, int normalBase, int brightBase)
{
    int base = code < 8 ? normalBase : brightBase;
    return base + (paletteIndex(code) & 7);
}

struct boxGlyph {
    char cp437;
    std::string_view utf8;
    std::string_view ascii;
};

constexpr std::array<boxGlyph, 5> boxGlyphs = {{
    {glyphFrame, "\u2502", "|"},
    {glyphBracketSide, "\u2551", "#"},
    {glyphBracketLeft, "\u2559", "#"},
    {glyphBracketMiddle, "\u2500", "="},
    {glyphBracketRight, "\u255C", "#"},
}};

constexpr std::array<char, 128> asciiBytes = [] {
    std::array<char, 128> bytes{};
    for (int i = 0; i < 128; ++i) {
        bytes[i] = static_cast<char>(i);
    }
    return bytes;
}();

// Decodes one UTF-8 character; the table holds only well-formed ones.
char32_t decodeUtf8(std::string_view text)
{
    auto lead = static_cast<unsigned char>(text[0]);
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    return code;
}

}  // namespace

std::string sgrFor(int attribute, int after, bool linuxConsole)
{
    int foreground = attribute & 15;
    int background = (attribute >> 4) & (linuxConsole ? 7 : 15);
    bool reset = foreground < 8 && (after < 0 || (after & 8) != 0);
    return (reset ? "\x1b[0;" : "\x1b[") + std::to_string(sgrColour(foreground, 30, 90)) + ";" +
           std::to_string(sgrColour(background, 40, 100)) + "m";
}

std::string_view glyphText(char cp437, bool utf8)
{
    auto byte = static_cast<unsigned char>(cp437);
    if (byte < 0x80) {
        return std::string_view(&asciiBytes[byte], 1);
    }
    for (const boxGlyph& g : boxGlyphs) {
        if (g.cp437 == cp437) {
            return utf8 ? g.utf8 : g.ascii;
        }
    }
    return "?";
}

char32_t glyphCodePoint(char cp437)
{
    return decodeUtf8(glyphText(cp437, true));
}
