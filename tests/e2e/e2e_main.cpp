// The program the end-to-end tests start: the shipped one in browser mode, or, with
// DORVATH_TEST_PAGES naming their page folder, a frame of the tests' own that exercises
// the bridge, the dialogs and the widgets.
#include <cstdlib>

#include "app/commands.h"
#include "e2e/e2e_frame.h"

int main(int argc, char** argv) {
    using namespace dorvath;
    AppParts parts;
    parts.frame = CreateUiFrame;
    const char* pages = std::getenv("DORVATH_TEST_PAGES");
    if (pages && *pages) {
        parts.folders["test"] = pages;
        parts.frame = [](AppContext& ctx, Program&) { return MakeE2eFrame(ctx); };
    }
    return RunProgram(argc, argv, parts);
}
