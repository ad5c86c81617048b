#pragma once
// What a `widget` element becomes: its control class, window styles from the style
// words written as bare attributes, and its control id.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace dorvath {

struct WidgetSpec {
    std::string type;         // "sys-listview"
    std::string windowClass;  // "SysListView32"
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int controlId = 0;
};

constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000,
                        kWsClipSiblings = 0x04000000, kWsClipChildren = 0x02000000,
                        kWsTabStop = 0x00010000, kWsBorder = 0x00800000, kWsVScroll = 0x00200000,
                        kWsDisabled = 0x08000000;
constexpr std::uint32_t kWsExClientEdge = 0x200, kWsExStaticEdge = 0x20000;
constexpr std::uint32_t kSsNotify = 0x100, kSsBitmap = 0xE;
constexpr std::uint32_t kLvsReport = 0x1, kLvsSingleSel = 0x4, kLvsOwnerDrawFixed = 0x400,
                        kLvsOwnerData = 0x1000, kLvsNoColumnHeader = 0x4000;

// attributes: name -> value as written ("" for a bare attribute). Names match without
// regard to case (the HTML parser lower-cases them). nullopt for a type that gets no
// window (not one of the "sys-" types).
std::optional<WidgetSpec> MakeWidgetSpec(const std::map<std::string, std::string>& attributes);

// The control id rule: leading decimal digits of the id (with a sign); 0 when missing,
// empty or not a number.
int ControlIdFrom(const std::string& id);

}  // namespace dorvath
