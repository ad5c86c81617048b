#include "export/kml_export.h"

#include <tinyxml.h>

#include "data/c_format.h"
#include "export/xml_file.h"

namespace dorvath {
namespace {

TiXmlElement* AddTextElement(TiXmlElement* parent, const char* name, const std::string& text) {
    auto* e = new TiXmlElement(name);
    parent->LinkEndChild(e);
    e->LinkEndChild(new TiXmlText(text));
    return e;
}

}  // namespace

std::string KmlCoordinates(const std::vector<TrackPoint>& points) {
    std::string text;
    text.reserve(points.size() * 22);
    for (const TrackPoint& p : points) text += CFormat("%.6f,%.6f ", p.lng, p.lat);
    return text;
}

void BuildKml(const std::vector<TrackPoint>& points, TiXmlDocument& doc) {
    AddXmlDeclaration(doc);
    auto* kml = new TiXmlElement("kml");
    doc.LinkEndChild(kml);
    kml->SetAttribute("xmlns", kKmlNamespace);
    auto* document = new TiXmlElement("Document");
    kml->LinkEndChild(document);

    auto* style = new TiXmlElement("Style");
    document->LinkEndChild(style);
    style->SetAttribute("id", "retrace_style");
    style->SetAttribute("xmlns", "");
    auto* line = new TiXmlElement("LineStyle");
    style->LinkEndChild(line);
    AddTextElement(line, "color", "7fff0000");
    AddTextElement(line, "width", "4");

    auto* placemark = new TiXmlElement("Placemark");
    document->LinkEndChild(placemark);
    AddTextElement(placemark, "name", "track");
    AddTextElement(placemark, "styleUrl", "retrace_style");
    auto* lineString = new TiXmlElement("LineString");
    placemark->LinkEndChild(lineString);
    AddTextElement(lineString, "tessellate", "1");
    // Always one text node, even an empty one, so that a run without points still gives
    // a coordinates element with its own end tag.
    AddTextElement(lineString, "coordinates", KmlCoordinates(points));
}

std::string KmlText(const std::vector<TrackPoint>& points) { return XmlText(points, BuildKml); }

ExportResult ExportKml(const ExportRequest& request, TrackDatabase& db) {
    return ExportXml(request, db, BuildKml);
}

}  // namespace dorvath
