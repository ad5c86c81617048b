#include "app/app_window.h"

namespace dorvath {
namespace {
WindowRunner& Runner() {
    static WindowRunner r;
    return r;
}
std::function<void()>& Present() {
    static std::function<void()> p;
    return p;
}
}  // namespace

WindowRunnerRegistrar::WindowRunnerRegistrar(WindowRunner runner, std::function<void()> present) {
    Runner() = std::move(runner);
    Present() = std::move(present);
}

const WindowRunner& AppWindowRunner() { return Runner(); }

void PresentAppWindow() {
    if (Present()) Present()();
}

}  // namespace dorvath
