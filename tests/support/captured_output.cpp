#include "captured_output.h"

#include "screen/unix/terminal_state.h"

bool terminalUtf8 = true;

std::string& capturedOutput()
{
    static std::string bytes;
    return bytes;
}

void writeAll(std::string_view bytes)
{
    capturedOutput().append(bytes);
}

void terminalWaitForRoom() {}
