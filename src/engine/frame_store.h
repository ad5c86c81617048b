#pragma once
// The kept state of every frame: its page and the latest operation per key, so that a
// reloaded or reconnected page is rebuilt as it was; and the open dialogs. Not locked
// itself: the engine's mutex guards it (see EngineCore).
#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/page_types.h"

namespace dorvath {

// The kept state of one frame: its page and the latest operation per key, in first-set
// order. Replayed when the page reloads or reconnects.
struct FrameState {
    std::string page;  // resource name ("202") or URL ("Html/load.html"); "" none
    std::vector<std::string> order;
    std::map<std::string, nlohmann::json> ops;
    std::size_t appended = 0;
    static constexpr std::size_t kMaxAppended = 64;
    void set(const std::string& key, const nlohmann::json& body);
    // Kept in order beside the others, never replacing (selector-addressed operations).
    void append(const std::string& key, const nlohmann::json& body);
    void clear();
};

// The key of a kept value: frame, what it sets, and up to two names (element, property).
std::string KeptKey(const FramePath& f, const char* what, const std::string& a = {},
                    const std::string& b = {});
// "main/page1" is a child of "main"; dialogs ("dlg/<n>") are children of no frame.
bool IsChildFrame(const FramePath& parent, const FramePath& child);
// f is parent or lies below it; below the top page ("") lies every frame but the dialogs.
bool IsSameOrBelow(const FramePath& parent, const FramePath& f);

class FrameStore {
  public:
    bool has(const FramePath& f) const { return frames_.count(f) != 0; }
    std::string page(const FramePath& f) const;
    // A new page in f: what was kept for f and the frames below it is dropped.
    void load(const FramePath& f, const std::string& page);
    void keep(const FramePath& f, const std::string& key, const nlohmann::json& body);
    void append(const FramePath& f, const std::string& key, const nlohmann::json& body);
    const nlohmann::json* kept(const FramePath& f, const std::string& key) const;
    void drop(const FramePath& f);  // f and the frames below it

    // A new dialog frame showing resource; its open operation is kept under DialogKey.
    FramePath addDialog(const std::string& resource);
    bool removeDialog(const FramePath& dialog);  // false when not open
    static std::string dialogKey(const FramePath& dialog);

    const std::map<FramePath, FrameState>& states() const { return frames_; }
    // The operations that rebuild f (its kept values, the loads of its child frames, and
    // for the top page the open dialogs); replay() rebuilds every frame.
    std::vector<nlohmann::json> replayFrame(const FramePath& f) const;
    std::vector<nlohmann::json> replay() const;

  private:
    std::map<FramePath, FrameState> frames_;
    std::vector<FramePath> dialogs_;
    int nextDialog_ = 1;
};

}  // namespace dorvath
