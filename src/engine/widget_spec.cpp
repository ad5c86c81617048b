#include "engine/widget_spec.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace dorvath {
namespace {

struct Word {
    const char* name;
    std::uint32_t bits;
};

const Word kWindowWords[] = {
    {"BORDER", 0x00800000},       {"VSCROLL", 0x00200000},      {"HSCROLL", 0x00100000},
    {"DISABLED", 0x08000000},     {"GROUP", 0x00020000},        {"TABSTOP", 0x00010000},
    {"DLGFRAME", 0x00400000},     {"CAPTION", 0x00C00000},      {"THICKFRAME", 0x00040000},
    {"SYSMENU", 0x00080000},      {"VISIBLE", 0x10000000},      {"CHILD", 0x40000000},
    {"CLIPSIBLINGS", 0x04000000}, {"CLIPCHILDREN", 0x02000000}, {"MINIMIZEBOX", 0x00020000},
    {"MAXIMIZEBOX", 0x00010000}};

const Word kExWords[] = {
    {"DLGMODALFRAME", 0x1},     {"NOPARENTNOTIFY", 0x4}, {"TOPMOST", 0x8},
    {"ACCEPTFILES", 0x10},      {"TRANSPARENT", 0x20},   {"TOOLWINDOW", 0x80},
    {"WINDOWEDGE", 0x100},      {"CLIENTEDGE", 0x200},   {"CONTEXTHELP", 0x400},
    {"RIGHT", 0x1000},          {"RTLREADING", 0x2000},  {"LEFTSCROLLBAR", 0x4000},
    {"CONTROLPARENT", 0x10000}, {"STATICEDGE", 0x20000}, {"APPWINDOW", 0x40000}};

const Word kStaticWords[] = {{"LEFT", 0x0},
                             {"CENTER", 0x1},
                             {"RIGHT", 0x2},
                             {"ICON", 0x3},
                             {"SIMPLE", 0xB},
                             {"LEFTNOWORDWRAP", 0xC},
                             {"OWNERDRAW", 0xD},
                             {"BITMAP", 0xE},
                             {"NOPREFIX", 0x80},
                             {"NOTIFY", 0x100},
                             {"CENTERIMAGE", 0x200},
                             {"RIGHTJUST", 0x400},
                             {"REALSIZEIMAGE", 0x800},
                             {"SUNKEN", 0x1000},
                             {"ENDELLIPSIS", 0x4000}};

const Word kListViewWords[] = {
    {"ICON", 0x0},           {"REPORT", 0x1},           {"SMALLICON", 0x2},
    {"LIST", 0x3},           {"SINGLESEL", 0x4},        {"SHOWSELALWAYS", 0x8},
    {"SORTASCENDING", 0x10}, {"SORTDESCENDING", 0x20},  {"SHAREIMAGELISTS", 0x40},
    {"NOLABELWRAP", 0x80},   {"AUTOARRANGE", 0x100},    {"EDITLABELS", 0x200},
    {"OWNERDATA", 0x1000},   {"NOSCROLL", 0x2000},      {"ALIGNTOP", 0x0},
    {"ALIGNLEFT", 0x800},    {"OWNERDRAWFIXED", 0x400}, {"NOCOLUMNHEADER", 0x4000},
    {"NOSORTHEADER", 0x8000}};

struct Type {
    const char* type;
    const char* windowClass;
    const Word* words;
    std::size_t count;
};

const Type kTypes[] = {
    {"sys-static", "STATIC", kStaticWords, std::size(kStaticWords)},
    {"sys-listview", "SysListView32", kListViewWords, std::size(kListViewWords)},
    {"sys-ie", "AtlAxWin80", nullptr, 0},
    {"sys-edit", "EDIT", nullptr, 0},
    {"sys-listbox", "LISTBOX", nullptr, 0},
    {"sys-combobox", "COMBOBOX", nullptr, 0},
    {"sys-datetime", "SysDateTimePick32", nullptr, 0},
    {"sys-calendar", "SysMonthCal32", nullptr, 0},
    {"sys-tabctrl", "ToolbarWindow32", nullptr, 0},
};

std::string Upper(const std::string& s) {
    std::string u = s;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

}  // namespace

int ControlIdFrom(const std::string& id) {
    const char* p = id.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p || v > INT_MAX || v < INT_MIN) return 0;
    return static_cast<int>(v);
}

std::optional<WidgetSpec> MakeWidgetSpec(const std::map<std::string, std::string>& attributes) {
    std::map<std::string, std::string> attrs;  // upper-case names
    for (const auto& [k, v] : attributes) attrs[Upper(k)] = v;
    auto typeIt = attrs.find("TYPE");
    if (typeIt == attrs.end()) return std::nullopt;
    std::string type = typeIt->second;
    for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Type* t = nullptr;
    for (const Type& candidate : kTypes)
        if (type == candidate.type) t = &candidate;
    if (!t) return std::nullopt;

    WidgetSpec spec;
    spec.type = t->type;
    spec.windowClass = t->windowClass;
    spec.style = kWsChild | kWsVisible | kWsClipSiblings | kWsClipChildren | kWsTabStop;
    // Only a bare attribute is a style word; "type", "id" and "name" never are.
    auto bare = [&](const char* word) {
        auto it = attrs.find(word);
        return it != attrs.end() && it->second.empty();
    };
    for (const Word& w : kWindowWords)
        if (bare(w.name)) spec.style |= w.bits;
    for (const Word& w : kExWords)
        if (bare(w.name)) spec.exStyle |= w.bits;
    for (std::size_t i = 0; i < t->count; ++i)
        if (bare(t->words[i].name)) spec.style |= t->words[i].bits;
    auto id = attrs.find("ID");
    spec.controlId = id == attrs.end() ? 0 : ControlIdFrom(id->second);
    return spec;
}

}  // namespace dorvath
