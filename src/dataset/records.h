#pragma once
// The records the screens and the application server exchange, each written
// here once: field names, types and widths, in packet order. The server builds
// its answers from them and fills them by name; the package declares its
// record sets from them and adds only how a field looks (label, width on
// screen, visibility). A new field is one line here, plus the column the
// server's statement selects for it.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "dataset/field_def.h"

namespace confcred::dataset::records {

struct RecordField {
    std::string_view name;
    FieldType type;
    int size;  // width in characters for the two string types; 0 otherwise
};

using Record = std::span<const RecordField>;

// An order of the confirmation list (getPEDCREDCONS). IDCHECK is the screen's
// tick, always "N" from the server.
inline constexpr RecordField kOrder[] = {
    {"IDCHECK", FieldType::FixedString, 1},   {"IDPEDCREEXTR", FieldType::String, 1},
    {"IDPEDCRECONT", FieldType::String, 1},   {"NRBOLETO", FieldType::String, 20},
    {"NRPEDCRECONS", FieldType::String, 20},  {"CDCLIENTE", FieldType::String, 21},
    {"CDCONSUMIDOR", FieldType::String, 21},  {"VRPEDCRECONS", FieldType::Double, 0},
    {"DTPEDCRECONS", FieldType::DateTime, 0}, {"DSSITCREBANC", FieldType::String, 50},
    {"NMCONSUMIDOR", FieldType::String, 50},  {"NMRESPCONS", FieldType::String, 50},
    {"NMRAZSOCCLIE", FieldType::String, 50},
};

// A family line of an order (getPEDICREDFAMI), tied to it by NRPEDCRECONS.
inline constexpr RecordField kFamily[] = {
    {"CDFAMILISALD", FieldType::String, 3},
    {"NMFAMILISALD", FieldType::String, 30},
    {"VRPEDCREFAMI", FieldType::Double, 0},
    {"NRPEDCRECONS", FieldType::String, 20},
};

// A consumer offered by the filter's picker (getConsumidor). CHAVE is the
// client code and the consumer code, each padded to 21 characters.
inline constexpr RecordField kConsumer[] = {
    {"IDMARCADO", FieldType::String, 1},     {"CDCONSUMIDOR", FieldType::String, 21},
    {"NMCONSUMIDOR", FieldType::String, 50}, {"NMRESPCONS", FieldType::String, 50},
    {"CDCLIENTE", FieldType::String, 21},    {"CHAVE", FieldType::String, 42},
};

// The import file sent to SetImporSaldoCons: one row, the whole text in
// ARQUIVO (the width is what the server is told, not a limit on the file).
inline constexpr RecordField kImport[] = {
    {"ARQUIVO", FieldType::String, 5000},
};

// SetImporSaldoCons's answer: one warning line per row.
inline constexpr RecordField kImportResult[] = {
    {"DSLINHA", FieldType::String, 250},
};

// getRetornoBancario's answer: one row per detail record of a bank return
// file, in file order, with the order it settles when one has its slip
// (NRPEDCRECONS empty and the order's fields null otherwise). IDRESULTADO is
// one letter, DSRESULTADO says it in words (docs/bank-return.md). After them,
// what the bank reported: the occurrence in its table's words, its tariff
// (null when the layout or the bank gives none), interest and discount; and
// on the last row only, DSAVISO, what the reader has to say of the file as a
// whole ("3 linhas com brancos finais ajustados"), null when nothing.
inline constexpr RecordField kBankReturnResult[] = {
    {"NRBOLETO", FieldType::String, 20},     {"NRPEDCRECONS", FieldType::String, 20},
    {"CDCLIENTE", FieldType::String, 21},    {"CDCONSUMIDOR", FieldType::String, 21},
    {"VRPEDCRECONS", FieldType::Double, 0},  {"VRPAGO", FieldType::Double, 0},
    {"DTCREDITO", FieldType::DateTime, 0},   {"CDOCORRENCIA", FieldType::String, 2},
    {"IDRESULTADO", FieldType::String, 1},   {"DSRESULTADO", FieldType::String, 100},
    {"DSOCORRENCIA", FieldType::String, 90}, {"VRTARIFA", FieldType::Double, 0},
    {"VRJUROS", FieldType::Double, 0},       {"VRDESCONTO", FieldType::Double, 0},
    {"DSAVISO", FieldType::String, 100},
};

// getConciliacaoExtrato: one row per statement entry, in file order.
inline constexpr RecordField kStatementResult[] = {
    {"DTLANCAMENTO", FieldType::DateTime, 0}, {"VRLANCAMENTO", FieldType::Double, 0},
    {"IDLANCAMENTO", FieldType::String, 60},  {"DSLANCAMENTO", FieldType::String, 100},
    {"NMPAGADOR", FieldType::String, 60},     {"NRDOCPAGADOR", FieldType::String, 14},
    {"TXID", FieldType::String, 35},          {"IDRESULTADO", FieldType::String, 1},
    {"NRPEDCRECONS", FieldType::String, 20},  {"CDCLIENTE", FieldType::String, 21},
    {"CDCONSUMIDOR", FieldType::String, 21},  {"VRPEDCRECONS", FieldType::Double, 0},
    {"NRCANDIDATOS", FieldType::Integer, 0},  {"DSRESULTADO", FieldType::String, 120},
};

// getHistoricoPedido: one row per event of an order, in time order.
inline constexpr RecordField kOrderHistory[] = {
    {"DTEVENTO", FieldType::DateTime, 0},   {"DSEVENTO", FieldType::String, 200},
    {"NMOPERADOR", FieldType::String, 100}, {"DSENDERECO", FieldType::String, 60},
    {"NRPOSICAO", FieldType::Integer, 0},   {"IDVERIFICADO", FieldType::String, 1},
};

// getFechamento: the figures of a period, one row per group. IDAGRUPAMENTO
// "O" per operator and operation, "C" per client and operation, "D" per day
// and operator (credits effected), "H" the ledger's head when the figures
// were read (DSHASHCADEIA, NRPOSICAO, IDVERIFICADO).
inline constexpr RecordField kClosing[] = {
    {"IDAGRUPAMENTO", FieldType::String, 1}, {"DTDIA", FieldType::DateTime, 0},
    {"NMOPERADOR", FieldType::String, 100},  {"CDCLIENTE", FieldType::String, 21},
    {"NMRAZSOCCLIE", FieldType::String, 50}, {"IDOPERACAO", FieldType::String, 20},
    {"QTPEDIDOS", FieldType::Integer, 0},    {"VRTOTAL", FieldType::Double, 0},
    {"DSHASHCADEIA", FieldType::String, 64}, {"NRPOSICAO", FieldType::Integer, 0},
    {"IDVERIFICADO", FieldType::String, 1},
};

// A record less one of its fields, which must be there.
template <std::size_t N>
constexpr std::array<RecordField, N - 1> without(const RecordField (&record)[N],
                                                 std::string_view name) {
    std::array<RecordField, N - 1> out{};
    std::size_t at = 0;
    for (const RecordField& f : record) {
        if (f.name == name)
            continue;
        if (at == N - 1)
            throw "the record has no field of that name";  // stops the compilation
        out[at++] = f;
    }
    return out;
}

// The orders ticked for setEfetivaSaldo, setCancelaCredito and setSituacao:
// the order record less NRBOLETO. The server reads NRPEDCRECONS, CDCLIENTE,
// CDCONSUMIDOR and, to undo a credit, DTPEDCRECONS.
inline constexpr auto kSelected = without(kOrder, "NRBOLETO");

// The answer of the three credit methods: a packet of no fields.
inline constexpr Record kNoFields{};

// Whether the record has a field of that name, spelled as here.
constexpr bool has(Record record, std::string_view name) {
    for (const RecordField& f : record)
        if (f.name == name)
            return true;
    return false;
}

// The width of a field the record has (as spelled here); in a constant
// expression, a name the record lacks stops the compilation.
constexpr int sizeOf(Record record, std::string_view name) {
    for (const RecordField& f : record)
        if (f.name == name)
            return f.size;
    throw "the record has no field of that name";
}

// The record as the fields of a data packet or record set.
std::vector<FieldDef> fieldDefs(Record record);

}  // namespace confcred::dataset::records
