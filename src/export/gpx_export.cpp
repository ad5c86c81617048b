#include "export/gpx_export.h"

#include <tinyxml.h>

#include "data/c_format.h"
#include "export/xml_file.h"

namespace dorvath {

std::string GpxTime(double date) {
    DateTimeFields f = OleDateToFields(date);
    return CFormat("%04d-%02d-%02dT%02d:%02d:%02dZ", f.year, f.month, f.day, f.hour, f.minute,
                   f.second);
}

void BuildGpx(const std::vector<TrackPoint>& points, TiXmlDocument& doc) {
    AddXmlDeclaration(doc);
    auto* gpx = new TiXmlElement("gpx");
    doc.LinkEndChild(gpx);
    gpx->SetAttribute("xmlns:xsi", kXsiNamespace);
    gpx->SetAttribute("xmlns:xsd", kXsdNamespace);
    gpx->SetAttribute("version", "1.1");
    gpx->SetAttribute("creator", "Quorrel v1.0");
    gpx->SetAttribute("xmlns", kGpxNamespace);
    gpx->LinkEndChild(new TiXmlElement("metadata"));
    auto* trk = new TiXmlElement("trk");
    gpx->LinkEndChild(trk);
    trk->LinkEndChild(new TiXmlElement("name"));
    trk->LinkEndChild(new TiXmlElement("cmt"));
    auto* seg = new TiXmlElement("trkseg");
    trk->LinkEndChild(seg);
    for (const TrackPoint& p : points) {
        auto* pt = new TiXmlElement("trkpt");
        seg->LinkEndChild(pt);
        pt->SetAttribute("lat", CFormat("%f", p.lat));
        pt->SetAttribute("lon", CFormat("%f", p.lng));
        auto* time = new TiXmlElement("time");
        pt->LinkEndChild(time);
        time->LinkEndChild(new TiXmlText(GpxTime(p.time)));
    }
}

std::string GpxText(const std::vector<TrackPoint>& points) { return XmlText(points, BuildGpx); }

ExportResult ExportGpx(const ExportRequest& request, TrackDatabase& db) {
    return ExportXml(request, db, BuildGpx);
}

}  // namespace dorvath
