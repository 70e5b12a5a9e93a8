#include "package/core/import_packet.h"

#include <utility>

#include "dataset/data_packet.h"
#include "dataset/record_set.h"
#include "dataset/records.h"
#include "platform/cp1252.h"
#include "platform/files.h"

namespace confcred::package::credit_import {

void declareArquivoFields(dataset::RecordSet& cdsArquivo) {
    for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kImport))
        cdsArquivo.addField(std::move(def));
}

void declareResultadoFields(dataset::RecordSet& cdsResultado) {
    for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kImportResult))
        cdsResultado.addField(std::move(def));
}

std::string loadImportText(std::string_view path) {
    return platform::cp1252ToUtf8(platform::loadTextLines(path));
}

void fillArquivo(dataset::RecordSet& cdsArquivo, std::string text) {
    // Loaded as a packet rather than typed into the field: the field's editor
    // refuses a text wider than its declared width, and the file must go whole.
    dataset::DataPacket packet(cdsArquivo.fieldDefs());
    const int field = packet.fieldIndex("ARQUIVO");
    for (size_t i = 0; i < packet.fieldCount(); ++i) {
        if (static_cast<int>(i) == field)
            packet.column(i).appendText(text);
        else
            packet.column(i).appendNull();
    }
    cdsArquivo.loadPacket(std::move(packet));
}

}  // namespace confcred::package::credit_import
