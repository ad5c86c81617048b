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
StartErrorShower& StartError() {
    static StartErrorShower s;
    return s;
}
}  // namespace

WindowRunnerRegistrar::WindowRunnerRegistrar(WindowRunner runner, std::function<void()> present,
                                             StartErrorShower showStartError) {
    Runner() = std::move(runner);
    Present() = std::move(present);
    StartError() = std::move(showStartError);
}

const WindowRunner& AppWindowRunner() { return Runner(); }

void PresentAppWindow() {
    if (Present()) Present()();
}

void ShowStartError(const std::string& text) {
    if (StartError()) StartError()(text);
}

}  // namespace dorvath
