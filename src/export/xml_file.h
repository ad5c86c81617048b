#pragma once
// The printed form shared by the GPX and KML files: TinyXML's standard layout (four-blank
// indent, text-only elements on one line, "<name />" for empty ones) with CR LF line ends
// on every platform, and the bytes written whole or not at all.
#include <filesystem>
#include <string>
#include <vector>

#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

class TiXmlDocument;

namespace dorvath {

inline constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr const char* kXsdNamespace = "http://www.w3.org/2001/XMLSchema";
inline constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";
inline constexpr const char* kKmlNamespace = "http://www.opengis.net/kml/2.2";

// A document holding only the declaration version="1.0" encoding="UTF-8".
void AddXmlDeclaration(TiXmlDocument& doc);

std::string PrintXml(const TiXmlDocument& doc);

ExportResult SaveXml(const TiXmlDocument& doc, const std::filesystem::path& path);

// What the GPX and KML exports share: the run's points read, a document built from them
// and saved.
using XmlBuilder = void (*)(const std::vector<TrackPoint>& points, TiXmlDocument& doc);
std::string XmlText(const std::vector<TrackPoint>& points, XmlBuilder build);
ExportResult ExportXml(const ExportRequest& request, TrackDatabase& db, XmlBuilder build);

}  // namespace dorvath
