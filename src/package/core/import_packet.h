// The two record sets of the import: the packet sent (`cdsArquivo`, the
// file's whole text in `ARQUIVO`) and the warning lines received
// (`cdsResultado`, `DSLINHA`).
#pragma once

#include <string>
#include <string_view>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::package::credit_import {

void declareArquivoFields(dataset::RecordSet& cdsArquivo);
void declareResultadoFields(dataset::RecordSet& cdsResultado);

// The import file's text as the server reads it: every line, the last one
// included, ended by CR LF, converted from Windows-1252 to UTF-8. Throws
// platform::IoError when the file cannot be read.
std::string loadImportText(std::string_view path);

// Makes `cdsArquivo` hold exactly one row with `text` in ARQUIVO, dropping
// whatever an earlier run left there. The text goes whole: ARQUIVO's declared
// width is what the server is told, not a limit on the file.
void fillArquivo(dataset::RecordSet& cdsArquivo, std::string text);

}  // namespace confcred::package::credit_import
