// The activation tool's entry: builds the tool state, then runs the dialog.
#include <windows.h>
#include <commctrl.h>

#include <stdexcept>

#include "application.h"
#include "dialog.h"
#include "tool_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    InitCommonControls();
    try {
        activate::toolState() = activate::ToolState::build();
        return activate::runDialog(instance, showCommand);
    } catch (const std::exception& error) {
        // Every failure of the tool is a runtime error; anything else (memory
        // exhausted) still ends it with a word to the user.
        activate::showWarning(error.what());
        return 1;
    }
}
