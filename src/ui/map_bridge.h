#pragma once
// The map page's side of the list page: the script functions C++ calls in the map frame
// (skipped by the page runtime when the map page lacks them, as while load.html shows)
// and the external object the map page calls back.
#include <functional>
#include <string>
#include <vector>

#include "engine/html_engine.h"

namespace dorvath {

class CMapBridge {
  public:
    CMapBridge(HtmlEngine& engine, FramePath mapFrame)
        : engine_(engine), frame_(std::move(mapFrame)) {}

    // The line file as the page reads it through our server.
    void putTKLine(const std::string& path);
    void clrTKLine();
    void setCenter(double lat, double lng, int zoom);
    void showAnimationPoint(double lat, double lng);
    // The coordinates go through single precision first, as the watch's car always did.
    void setCar(double lat, double lng, const std::string& picture, int width, int height);
    void clrCar();
    // Whether fresh tiles can come (the page shows a notice while they cannot).
    void setMapService(bool reachable);

    // The last right click on the map, the longitude limited to ±179.9999.
    void keepRightClick(double lat, double lng);
    double rclickLng() const { return rclickLng_; }

  private:
    void call(const std::string& fn, std::vector<std::string> args = {});

    HtmlEngine& engine_;
    FramePath frame_;
    double rclickLat_ = 0, rclickLng_ = 0;
};

// The map page's external object: a name table with dispatch ids from 100000, in the order
// the page's events were defined.
class CMapExternal {
  public:
    static constexpr int kFirstId = 100000;
    static constexpr int kUnknownName = -1;  // the name is not in the table
    // What a call answers (the dispatch convention's S_OK, E_NOTIMPL, DISP_E_MEMBERNOTFOUND).
    enum Answer { kOk, kNotImplemented, kBadId };

    struct Handlers {
        std::function<void()> loadBegin;
        std::function<void()> loadComplete;
        std::function<void(double lat, double lng)> move;
        std::function<void(double lat, double lng, int zoom)> moveEnd;
        std::function<void(double lat, double lng, int x, int y)> rightClick;
    };

    explicit CMapExternal(Handlers h) : handlers_(std::move(h)) {}

    // The dispatch id of a known name, else kUnknownName.
    static int idOfName(const std::string& name);
    // Ids below 100000 (the browser's own events) are not ours; a known id runs its handler
    // with the arguments in the page's order.
    Answer invoke(int id, const std::vector<std::string>& args) const;
    // A call from the page by name.
    Answer call(const ExternalCall& c) const;

  private:
    Handlers handlers_;
};

// WM_MAP_RCLICK's wParam: y in the high word, x in the low 16 bits.
inline std::uint64_t RightClickParam(int x, int y) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 16) |
           (static_cast<std::uint32_t>(x) & 0xFFFFu);
}

}  // namespace dorvath
