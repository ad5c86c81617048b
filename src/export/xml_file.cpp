#include "export/xml_file.h"

#include <tinyxml.h>

#include <memory>

#include "data/atomic_file.h"
#include "export/point_source.h"

namespace dorvath {
namespace {

// On the heap: GCC 12 misreads the inlined short-string copies of a printer on the stack
// as reads of uninitialised bytes.
std::unique_ptr<TiXmlPrinter> Printed(const TiXmlDocument& doc) {
    auto printer = std::make_unique<TiXmlPrinter>();
    printer->SetIndent("    ");
    printer->SetLineBreak("\r\n");
    doc.Accept(printer.get());
    return printer;
}

}  // namespace

void AddXmlDeclaration(TiXmlDocument& doc) {
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
}

std::string PrintXml(const TiXmlDocument& doc) { return Printed(doc)->Str(); }

ExportResult SaveXml(const TiXmlDocument& doc, const std::filesystem::path& path) {
    std::unique_ptr<TiXmlPrinter> printer = Printed(doc);
    return ExportResult::fromReason(WriteFileAtomically(path, printer->Str()));
}

std::string XmlText(const std::vector<TrackPoint>& points, XmlBuilder build) {
    TiXmlDocument doc;
    build(points, doc);
    return PrintXml(doc);
}

ExportResult ExportXml(const ExportRequest& request, TrackDatabase& db, XmlBuilder build) {
    std::vector<TrackPoint> points;
    if (ExportResult r = ReadRunPoints(request.track, db, points); !r) return r;
    TiXmlDocument doc;
    build(points, doc);
    return SaveXml(doc, request.path);
}

}  // namespace dorvath
