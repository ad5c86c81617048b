#include "ui/map_line.h"

#include <tinyxml.h>

#include "data/atomic_file.h"
#include "data/c_format.h"
#include "export/xml_file.h"

namespace dorvath {

std::vector<TrackPoint> ThinMapPoints(const std::vector<TrackPoint>& points) {
    std::vector<TrackPoint> out;
    const bool thin = points.size() > 1000;
    double prevLat = 1001, prevLng = 1001;
    for (const TrackPoint& p : points) {
        if (thin && (prevLat < 1000 || prevLng < 1000) &&
            PointDistance(prevLat, prevLng, p.lat, p.lng) < 5)
            continue;
        out.push_back(p);
        prevLat = p.lat;
        prevLng = p.lng;
    }
    if (out.size() == 1) out.push_back(out.front());
    return out;
}

size_t MapLineStride(size_t mapPoints) { return std::max<size_t>(1, mapPoints / 2000); }

std::string MapLineXml(const std::vector<TrackPoint>& mapPoints) {
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* track = new TiXmlElement("track");
    doc.LinkEndChild(track);
    const size_t stride = MapLineStride(mapPoints.size());
    for (size_t i = 0; i < mapPoints.size(); i += stride) {
        const TrackPoint& p = mapPoints[i];
        auto* point = new TiXmlElement("point");
        point->SetAttribute("id", CFormat("%d", p.objid));
        point->SetAttribute("lat", CFormat("%.6f", p.lat));
        point->SetAttribute("lng", CFormat("%.6f", p.lng));
        track->LinkEndChild(point);
    }
    return PrintXml(doc);
}

std::string WriteMapLine(const std::filesystem::path& path,
                         const std::vector<TrackPoint>& mapPoints) {
    return WriteFileAtomically(path, MapLineXml(mapPoints));
}

}  // namespace dorvath
