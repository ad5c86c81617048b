// The shipped program: the pages of the application, in its desktop window when that part
// is built. The commands and the order of start-up are in program.cpp.
#include "app/commands.h"

int main(int argc, char** argv) {
    dorvath::AppParts parts;
    parts.frame = dorvath::CreateUiFrame;
#ifdef DORVATH_HAVE_DESKTOP
    parts.window = dorvath::DesktopWindowParts();
#endif
    return dorvath::RunProgram(argc, argv, parts);
}
