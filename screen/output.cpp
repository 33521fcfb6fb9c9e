#include <string>

#include "screen/console.h"
#include "screen/screen.h"

void gotoXY(coord position)
{
    consoleMove(position.x, position.y);
}

void setColor(int foreground, int background)
{
    consoleColor(foreground + 16 * background);
}

void clearScreen()
{
    consoleClear();
}

void writeText(std::string_view text)
{
    consoleWrite(text);
}

void writeNumber(int number)
{
    consoleWrite(std::to_string(number));
}
