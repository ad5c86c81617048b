#include "ui/map_bridge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/c_format.h"

namespace dorvath {
namespace {

const char* const kNames[] = {"onmaploadbegin", "onmaploadcomplete", "onmmoveevent",
                              "onmoveendevent", "onrclickevent"};

std::string Coord(double v) { return CFormat("%.6f", v); }

// Page arguments are text; what is not a number counts 0.
double Number(const std::vector<std::string>& args, size_t i) {
    if (i >= args.size()) return 0;
    char* end = nullptr;
    double v = std::strtod(args[i].c_str(), &end);
    return end == args[i].c_str() || !std::isfinite(v) ? 0 : v;
}

int Integer(const std::vector<std::string>& args, size_t i) {
    const double v = Number(args, i);
    return v < -2147483648.0 || v > 2147483647.0 ? 0 : static_cast<int>(v);
}

}  // namespace

void CMapBridge::call(const std::string& fn, std::vector<std::string> args) {
    engine_.callFunction(frame_, fn, args);
}

void CMapBridge::putTKLine(const std::string& path) { call("putTKLine", {path}); }
void CMapBridge::clrTKLine() { call("clrTKLine"); }

void CMapBridge::setCenter(double lat, double lng, int zoom) {
    call("setCenter", {Coord(lat), Coord(lng), CFormat("%d", zoom)});
}

void CMapBridge::showAnimationPoint(double lat, double lng) {
    call("showAnimationPoint", {Coord(lat), Coord(lng)});
}

void CMapBridge::setCar(double lat, double lng, const std::string& picture, int width, int height) {
    call("setCar", {Coord(static_cast<float>(lat)), Coord(static_cast<float>(lng)), picture,
                    CFormat("%d", width), CFormat("%d", height)});
}

void CMapBridge::clrCar() { call("clrCar"); }

void CMapBridge::setMapService(bool reachable) { call("setMapService", {reachable ? "1" : "0"}); }

void CMapBridge::keepRightClick(double lat, double lng) {
    rclickLat_ = lat;
    rclickLng_ = std::clamp(lng, -179.9999, 179.9999);
}

int CMapExternal::idOfName(const std::string& name) {
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i)
        if (name == kNames[i]) return kFirstId + i;
    return kUnknownName;
}

CMapExternal::Answer CMapExternal::invoke(int id, const std::vector<std::string>& a) const {
    if (id < kFirstId) return kNotImplemented;
    switch (id - kFirstId) {
        case 0:
            if (handlers_.loadBegin) handlers_.loadBegin();
            return kOk;
        case 1:
            if (handlers_.loadComplete) handlers_.loadComplete();
            return kOk;
        case 2:
            if (handlers_.move) handlers_.move(Number(a, 0), Number(a, 1));
            return kOk;
        case 3:
            if (handlers_.moveEnd) handlers_.moveEnd(Number(a, 0), Number(a, 1), Integer(a, 2));
            return kOk;
        case 4:
            if (handlers_.rightClick)
                handlers_.rightClick(Number(a, 0), Number(a, 1), Integer(a, 2) & 0xFFFF,
                                     Integer(a, 3));
            return kOk;
        default:
            return kBadId;
    }
}

CMapExternal::Answer CMapExternal::call(const ExternalCall& c) const {
    const int id = idOfName(c.method);
    return id == kUnknownName ? kBadId : invoke(id, c.args);
}

}  // namespace dorvath
