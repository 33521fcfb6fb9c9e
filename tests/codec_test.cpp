#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "screen/codec/keycodes.h"
#include "screen/codec/keydecoder.h"
#include "screen/codec/translate.h"

namespace {

// Feeds the pieces one after another, as separate reads, and says what the
// game would read. A piece of "<timeout>" stands for a pause.
std::vector<int> decode(std::vector<std::string> pieces)
{
    keyDecoder decoder;
    std::deque<int> codes;
    for (const std::string& piece : pieces) {
        if (piece == "<timeout>") {
            decodeTimeout(decoder, codes);
            continue;
        }
        for (char c : piece) {
            decodeByte(decoder, static_cast<unsigned char>(c), codes);
        }
    }
    return std::vector<int>(codes.begin(), codes.end());
}

using codes = std::vector<int>;
const codes right = {keyExtended, keyRight};
const codes left = {keyExtended, keyLeft};

TEST(KeyDecoder, ArrowsInBothCursorModes)
{
    EXPECT_EQ(decode({"\x1b[C"}), right);
    EXPECT_EQ(decode({"\x1b[D"}), left);
    EXPECT_EQ(decode({"\x1bOC"}), right);
    EXPECT_EQ(decode({"\x1bOD"}), left);
    EXPECT_EQ(decode({"\x1b[1C"}), right);
}

TEST(KeyDecoder, SplitSequencesDecodeTheSame)
{
    EXPECT_EQ(decode({"\x1b", "[C"}), right);
    EXPECT_EQ(decode({"\x1b[", "D"}), left);
    EXPECT_EQ(decode({"\x1b", "O", "C"}), right);
}

TEST(KeyDecoder, OtherSequencesNeverReadAsLetters)
{
    struct { std::vector<std::string> in; codes out; } cases[] = {
        {{"\x1b[A"}, {keyExtended, keyUp}},  // up: not "A", which would move left
        {{"\x1b[B"}, {keyExtended, keyDown}},
        {{"\x1bOA"}, {keyExtended, keyUp}},
        {{"\x1b[1;5D"}, {keyOfNoMeaning}},  // ctrl-left: one key, no arrow
        {{"\x1b[15~"}, {keyFunction, keyF1 + 4}},  // F5
        {{"\x1bOP"}, {keyFunction, keyF1}},
        {{"\x1b[11~"}, {keyFunction, keyF1}},
        {{"\x1b[[A"}, {keyFunction, keyF1}},      // the Linux console's F1: no "A"
        {{"\x1b[24~"}, {keyExtended, keyF11 + 1}},  // F12
        {{"\x1b[1;2Q"}, {keyOfNoMeaning}},           // Shift-F2
        {{"\x1b[5~"}, {keyExtended, keyPageUp}},
        {{"\x1b[2~"}, {keyExtended, keyInsert}},
        {{"\x1b[3;5~"}, {keyOfNoMeaning}},           // Ctrl-Delete
        {{"\x1bOM"}, {keyEnter}},                 // the keypad's Enter
        {{"\x1bOp\x1bOk"}, {'0', '+'}},
        {{"\x1b[200~"}, {}},
        {{"\x1b[8;25;80t"}, {}},                  // a window size report
        {{"\x1b[1;24r"}, {}},                     // a scroll region, as bytes in
        {{"\x1b" "d"}, {keyOfNoMeaning}},            // Alt-d
        {{"\x1b[M", " !\x1b", "\xff" "d"}, {'d'}},  // X10 mouse report: three raw bytes
        {{"\x1b[M\xc3\xa9\x0d"}, {}},
        {{"\x1b[<0;12;5M\x1b[<0;12;5m"}, {}},    // SGR mouse press and release
        {{"\x1b[" + std::string(500, '9') + "C", "d"}, {'d'}},  // endless CSI, then a key
        {{"\x1b[" + std::string(100000, '1') + "D"}, {}},
        {{"\x1bO" + std::string(100, '5') + "M"}, {}},
        {{"\x1b[12", "<timeout>", "d"}, {'d'}},                // unfinished sequence
        {{"\x1b[M!", "<timeout>", "d"}, {'d'}},
        {{"\x1b[M \xc2\x84", "dd"}, {'d'}},  // 1005 mode, column 100: a UTF-8 coordinate
        // Terminals' answers: strings to BEL or ST however split, 8-bit forms
        {{"\x1b]11;rgb:dd", "dd/dddd\x1b", "\\d"}, {'d'}},
        {{"\x1b]2;\xe2\x80\x9c" "d\x07" "d"}, {'d'}},  // 9C inside a character is no ST
        {{"\x1bP1$r0m\x9c" "d\x1b_a\xc2\x9c" "d\x9e" "a\x1b\\"}, {'d', 'd'}},
        {{"\x9d" + std::string(10000, 'd') + "\x07" "d"}, {'d'}},
        {{"\x1b]1;x\x1b[D"}, left},  // ESC cuts a string short
        {{"\x9b" "D\xc2\x9b" "D\x9b" "0n\x8f" "D\x84" "d"}, {'d'}},
        {{"\x1b[1;5R"}, {}},  // a cursor position report, though Ctrl-F3 in xterm
        // The kitty protocol and modifyOtherKeys
        {{"\x1b[27u\x1b[13u\x1b[32;1u\x1b[100;65u\x1b[27;1;100~"}, {keyEscape, '\r', ' ', 'd', 'd'}},
        {{"\x1b[97;2u\x1b[49:33;2u\x1b[57399u"}, {'A', '!', '0'}},
        {{"\x1b[100;5u\x1b[27;5;13~\x1b[1;5;9C"}, {keyOfNoMeaning, keyOfNoMeaning, keyOfNoMeaning}},
        {{"\x1b[100;1:3u\x1b[1;1:3D\x1b[57441;2u"}, {}},  // keys let go, Shift alone
        // Alt with a key: one key
        {{"\x1b\r\x1b\xc3\xa9\x1b\x1b[C\x1b\x1bOP"}, {keyOfNoMeaning, keyOfNoMeaning, keyOfNoMeaning, keyOfNoMeaning}},
        {{"\x1b\x1b]0;x\x07\x1b\x9b" "D"}, {keyEscape, keyEscape}},
        {{"\x1b[", "<timeout>", "\x1b\x1b", "<timeout>"}, {keyOfNoMeaning, keyEscape, keyEscape}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode(c.in), c.out) << ::testing::PrintToString(c.in);
    }
}

TEST(KeyDecoder, LoneEscapeAndPlainBytes)
{
    EXPECT_EQ(decode({"\x1b", "<timeout>"}), codes{keyEscape});
    EXPECT_EQ(decode({"\x1b\x1b", "[C"}), codes{keyOfNoMeaning}) << "Alt-Right";
    EXPECT_EQ(decode({"\x1b[1\r"}), codes{0x0D}) << "a control byte breaks the sequence";
    EXPECT_EQ(decode({"aD \r"}), (codes{'a', 'D', ' ', 0x0D}));
    EXPECT_EQ(decode({std::string("\0", 1)}), codes{0});
}

TEST(KeyDecoder, Utf8CharactersAreOneKeyEach)
{
    // U+0915 starts with 0xE0, which must not pose as the arrow prefix.
    EXPECT_EQ(decode({"\xc3", "\xa9", "\xe0\xa4\x95", "\xf0\x9f\x98\x80" "d"}),
              (codes{keyNonAscii, keyNonAscii, keyNonAscii, 'd'}));
    EXPECT_EQ(decode({"\xa9\xc3" "d\xff"}), codes{'d'}) << "broken characters are dropped";
    EXPECT_EQ(decode({"\xe0", "\x4d"}), codes{'M'}) << "a stray 0xE0 byte is dropped alone";
}

TEST(Translate, ConsoleColoursMapOntoSgr)
{
    struct { int attribute; const char* sgr; int after = 0; bool linuxConsole = false; } cases[] = {
        {7, "\x1b[37;40m"},          // light grey on black
        {14 + 16 * 12, "\x1b[93;101m"},  // yellow on light red
        {11, "\x1b[96;40m"},         // light cyan
        {10, "\x1b[92;40m"},         // light green
        {15, "\x1b[97;40m"},
        {1, "\x1b[34;40m"},          // console blue is ANSI 4
        {4 + 16 * 1, "\x1b[31;44m"}, // console red on blue
        {6 + 16 * 3, "\x1b[33;46m"}, // brown on cyan
        {8 + 16 * 9, "\x1b[90;104m"},
        {7, "\x1b[0;37;40m", 11}, {1 + 16 * 9, "\x1b[0;34;104m", -1},  // bold off after a light colour or one not known
        {14 + 16 * 12, "\x1b[93;41m", 7, true}, {4 + 16 * 9, "\x1b[0;31;44m", 15, true},  // the Linux console
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sgrFor(c.attribute, c.after, c.linuxConsole), c.sgr) << c.attribute;
    }
}

TEST(Translate, GlyphsInUtf8AndAscii)
{
    EXPECT_EQ(glyphText('\xB3', true), "\u2502");
    EXPECT_EQ(glyphText('\xBA', true), "\u2551");
    EXPECT_EQ(glyphText('\xD3', true), "\u2559");
    EXPECT_EQ(glyphText('\xC4', true), "\u2500");
    EXPECT_EQ(glyphText('\xBD', true), "\u255C");
    EXPECT_EQ(glyphText('\xB3', false), "|");
    EXPECT_EQ(glyphText('\xBA', false), "#");
    EXPECT_EQ(glyphText('\xC4', false), "=");
    EXPECT_EQ(glyphText('7', false), "7");
    EXPECT_EQ(glyphText('\xFE', true), "?");
}

TEST(Translate, GlyphCodePointsForUtf16Consoles)
{
    struct { char cp437; char32_t code; } cases[] = {
        {'\xB3', 0x2502}, {'\xBA', 0x2551}, {'\xD3', 0x2559}, {'\xC4', 0x2500},
        {'\xBD', 0x255C}, {'7', '7'}, {' ', ' '}, {'\n', '\n'}, {'\0', 0}, {'\x7F', 0x7F},
        {'\xFE', '?'}, {'\x80', '?'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(glyphCodePoint(c.cp437), c.code) << static_cast<int>(static_cast<unsigned char>(c.cp437));
    }
}

}  // namespace
