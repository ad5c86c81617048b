#pragma once
// The mirror of what the pages reported (form values, element boxes, viewport sizes,
// list views) and of the state C++ set that they report on, so that queries answer at
// once without a round trip. Not locked itself: the engine's mutex guards it.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "engine/page_types.h"

namespace dorvath {

class FrameStore;
namespace protocol {
struct PageEvent;
}

class PageMirror {
  public:
    struct Frame {
        FormMap form;
        std::set<std::string> tracked;   // ids whose boxes are kept
        std::set<std::string> keptForm;  // form names kept for replay
        std::map<std::string, ElementBox> boxes;
        std::map<int, ListViewState> lists;
        int width = 0, height = 0;
        bool enabled = true;
    };

    Frame& at(const FramePath& f) { return frames_[f]; }
    void drop(const FramePath& f);  // f and the frames below it

    // Takes in what an event reports: only for ids tracked and lists set up, and a form of
    // bounded size. The user's form edits and list selections are kept in `kept` too, so a
    // reload shows them again.
    void apply(const protocol::PageEvent& ev, FrameStore& kept);

    FormMap form(const FramePath& f) const;
    std::optional<ElementBox> location(const FramePath& f, const std::string& id) const;
    std::pair<int, int> size(const FramePath& f) const;
    bool enabled(const FramePath& f) const;
    ListViewState list(const FramePath& f, int ctl) const;

  private:
    const Frame* find(const FramePath& f) const;
    std::map<FramePath, Frame> frames_;
};

}  // namespace dorvath
