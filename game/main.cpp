#include "game/game.h"

// Arguments are ignored: the game has no options.
int main()
{
    return runTenfall();
}
