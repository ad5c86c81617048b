#pragma once
// What a page takes in and reports back: whether it takes input, its form, and the boxes
// of the elements C++ asks about. Queries answer from the mirror. Part of an HtmlEngine:
// engine.input().
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/page_types.h"

namespace dorvath {

struct EngineCore;

class PageInput {
  public:
    explicit PageInput(EngineCore& core) : core_(core) {}

    void enablePage(const FramePath& f, bool enabled);  // a disabled page takes no input
    bool pageEnabled(const FramePath& f) const;

    void fillForm(const FramePath& f, const FormMap& values);
    FormMap collectForm(const FramePath& f) const;  // the last values reported

    // Asks the runtime to keep reporting these elements' boxes (by id).
    void trackGeometry(const FramePath& f, const std::vector<std::string>& ids);
    std::optional<ElementBox> getLocation(const FramePath& f, const std::string& id) const;
    // The frame's viewport size as last reported.
    std::pair<int, int> frameSize(const FramePath& f) const;

  private:
    EngineCore& core_;
};

}  // namespace dorvath
