#include "engine/app_frame.h"

namespace dorvath {
namespace {

struct Entry {
    AppFrameFactory factory;
    int priority = -1;
};

Entry& Registered() {
    static Entry e;
    return e;
}

}  // namespace

AppFrameRegistrar::AppFrameRegistrar(AppFrameFactory factory, int priority) {
    Entry& e = Registered();
    if (!e.factory || priority > e.priority) e = Entry{std::move(factory), priority};
}

AppFrameFactory RegisteredAppFrame() { return Registered().factory; }

}  // namespace dorvath
