#pragma once
// An HtmlEngine for unit tests of pages: records every operation, answers queries from
// the kept state, and injects events as the page runtime would send them.
#include <string>
#include <vector>

#include "engine/html_engine.h"

namespace dorvath {

class RecordingHtmlEngine : public HtmlEngine {
  public:
    // Every operation in the order issued (also those later replaced in a batch).
    const std::vector<Operation>& operations() const { return ops_; }
    std::vector<nlohmann::json> operations(const std::string& op) const;  // by "op"
    void clearOperations() { ops_.clear(); }
    int flushes() const { return flushes_; }

    // The latest value set, "" when never set (from the kept state; popups, calls and
    // beeps are not kept: see operations()).
    std::string style(const FramePath& f, const std::string& id, const std::string& name) const;
    std::string attribute(const FramePath& f, const std::string& id, const std::string& name) const;
    std::string text(const FramePath& f, const std::string& id) const;
    std::string html(const FramePath& f, const std::string& id) const;
    std::vector<std::string> calls(const FramePath& f,
                                   const std::string& fn) const;  // args joined by ","
    int beeps(const FramePath& f) const;
    std::vector<FramePath> openDialogs() const;

    // ---- injected events (dispatched at once, as the runtime would) ----
    bool click(const FramePath& f, const std::string& id,
               const std::map<std::string, std::string>& attributes = {});
    void command(const FramePath& f, const std::string& id, bool doubleClick = false);
    void loaded(const FramePath& f, const std::string& page);
    void formValues(const FramePath& f, const FormMap& values);  // user edits
    void box(const FramePath& f, const std::string& id, const ElementBox& b);
    void widget(const WidgetEvent& e);  // list events update the mirror first
    void listSelect(const FramePath& f, int ctl, const std::set<int>& rows, int mark);
    void external(const FramePath& f, const std::string& method,
                  const std::vector<std::string>& args);
    void flush() override { ++flushes_; }

  protected:
    void submit(Operation op) override { ops_.push_back(std::move(op)); }

  private:
    std::vector<Operation> ops_;
    int flushes_ = 0;
};

}  // namespace dorvath
