// The screen as SVG. Backgrounds are rectangles, text is placed glyph by
// glyph on the cell grid so no font can shift it, and the box-drawing
// characters are drawn as lines so they join up whatever font the viewer has.

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "screenshot.h"

namespace {

constexpr int cellWidth = 10;
constexpr int cellHeight = 20;
constexpr int margin = 10;
constexpr int fontSize = 16;
constexpr int baseline = 15;

// xterm's 16 colours: what a player's xterm shows for SGR 30-37 and 90-97
// (foregrounds), 40-47 and 100-107 (backgrounds).
constexpr std::array<const char*, 16> xtermPalette = {
    "#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
    "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff",
};

std::string px(double value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

void appendEscaped(std::string& out, char32_t ch)
{
    switch (ch) {
    case U'&': out += "&amp;"; return;
    case U'<': out += "&lt;"; return;
    case U'>': out += "&gt;"; return;
    default: break;
    }
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else {
        out += "&#x";
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X;", static_cast<unsigned>(ch));
        out += hex;
    }
}

// Path commands for one box-drawing glyph in the cell at x, y; false for
// every other character.
bool boxLines(char32_t ch, int x, int y, std::string& path)
{
    double left = margin + x * cellWidth;
    double top = margin + y * cellHeight;
    double centreX = left + cellWidth / 2.0;
    double centreY = top + cellHeight / 2.0;
    double bottom = top + cellHeight;
    double right = left + cellWidth;
    double inner = centreX - 2, outer = centreX + 2;  // the two strokes of a double line
    // One straight stroke: from (x0, y0), then along one axis to `to`.
    auto stroke = [&](double x0, double y0, char axis, double to) {
        path += 'M' + px(x0) + ' ' + px(y0) + axis + px(to);
    };
    auto vertical = [&](double at, double from, double to) { stroke(at, from, 'V', to); };
    auto horizontal = [&](double at, double from, double to) { stroke(from, at, 'H', to); };
    switch (ch) {
    case U'\u2502':  // frame line
        vertical(centreX, top, bottom);
        return true;
    case U'\u2551':  // bracket side
        vertical(inner, top, bottom);
        vertical(outer, top, bottom);
        return true;
    case U'\u2500':  // bracket foot
        horizontal(centreY, left, right);
        return true;
    case U'\u2559':  // bracket corner, bottom left
        vertical(inner, top, centreY);
        vertical(outer, top, centreY);
        horizontal(centreY, inner, right);
        return true;
    case U'\u255C':  // bracket corner, bottom right
        vertical(inner, top, centreY);
        vertical(outer, top, centreY);
        horizontal(centreY, left, outer);
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string screenSvg(ptyGame& game)
{
    int width = screenColumns * cellWidth + 2 * margin;
    int height = screenRows * cellHeight + 2 * margin;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
                      std::to_string(width) + " " + std::to_string(height) +
                      "\" role=\"img\">\n<title>tenfall mid-game</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#000000\"/>\n";

    std::map<int, std::string> linesByColour;
    std::string text;
    for (int y = 0; y < screenRows; ++y) {
        // Backgrounds other than black, a run of equal cells at a time.
        for (int x = 0; x < screenColumns;) {
            int colour = cellAt(game, x, y).background;
            int end = x + 1;
            while (end < screenColumns && cellAt(game, end, y).background == colour) {
                ++end;
            }
            if (colour != 0) {
                svg += "<rect x=\"" + std::to_string(margin + x * cellWidth) + "\" y=\"" +
                       std::to_string(margin + y * cellHeight) + "\" width=\"" +
                       std::to_string((end - x) * cellWidth) + "\" height=\"" +
                       std::to_string(cellHeight) + "\" fill=\"" + xtermPalette[colour] + "\"/>\n";
            }
            x = end;
        }
        // Characters: runs of one colour become one text element.
        for (int x = 0; x < screenColumns;) {
            cellLook look = cellAt(game, x, y);
            if (look.ch == U' ' || boxLines(look.ch, x, y, linesByColour[look.foreground])) {
                ++x;
                continue;
            }
            std::string positions, glyphs;
            for (; x < screenColumns; ++x) {
                cellLook next = cellAt(game, x, y);
                if (next.ch == U' ' || next.foreground != look.foreground ||
                    boxLines(next.ch, x, y, linesByColour[next.foreground])) {
                    break;
                }
                if (!positions.empty()) {
                    positions += ' ';
                }
                positions += std::to_string(margin + x * cellWidth);
                appendEscaped(glyphs, next.ch);
            }
            text += "<text x=\"" + positions + "\" y=\"" +
                    std::to_string(margin + y * cellHeight + baseline) + "\" fill=\"" +
                    xtermPalette[look.foreground] + "\">" + glyphs + "</text>\n";
        }
    }
    svg += "<g fill=\"none\" stroke-width=\"2\" shape-rendering=\"crispEdges\">\n";
    for (const auto& [colour, path] : linesByColour) {
        if (!path.empty()) {
            svg += "<path stroke=\"" + std::string(xtermPalette[colour]) + "\" d=\"" + path + "\"/>\n";
        }
    }
    svg += "</g>\n<g font-family=\"DejaVu Sans Mono, Menlo, Consolas, monospace\" font-size=\"" +
           std::to_string(fontSize) + "\">\n" + text + "</g>\n</svg>\n";
    return svg;
}
