#include "export/xml_file.h"

#include <tinyxml.h>

#include "export/atomic_file.h"

namespace dorvath {

void AddXmlDeclaration(TiXmlDocument& doc) {
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
}

std::string PrintXml(const TiXmlDocument& doc) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\r\n");
    doc.Accept(&printer);
    return printer.Str();
}

ExportResult SaveXml(const TiXmlDocument& doc, const std::filesystem::path& path) {
    std::string error = WriteFileAtomically(path, PrintXml(doc));
    return error.empty() ? ExportResult::success() : ExportResult::failure(error);
}

}  // namespace dorvath
