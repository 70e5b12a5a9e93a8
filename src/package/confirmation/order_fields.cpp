#include "package/confirmation/order_fields.h"

#include <optional>

#include "dataset/record_set.h"
#include "host/messages.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {

using dataset::FieldType;

struct FieldSpec {
    const char* name;
    FieldType type;
    int size;
    const char* label;  // empty: the field's name
    bool visible;
};

// The order record, in declared order; the packet of selected orders has the
// same fields less NRBOLETO.
constexpr FieldSpec kOrderFields[] = {
    {"IDCHECK", FieldType::FixedString, 1, "", false},
    {"IDPEDCREEXTR", FieldType::String, 1, "Situação Créd.", true},
    {"IDPEDCRECONT", FieldType::String, 1, "Contabilizado", true},
    {"NRBOLETO", FieldType::String, 20, "", true},
    {"NRPEDCRECONS", FieldType::String, 20, "Nr. Pedido", true},
    {"CDCLIENTE", FieldType::String, 21, "", false},
    {"CDCONSUMIDOR", FieldType::String, 21, "", false},
    {"VRPEDCRECONS", FieldType::Double, 0, "Valor", true},
    {"DTPEDCRECONS", FieldType::DateTime, 0, "Data / Hora", true},
    {"DSSITCREBANC", FieldType::String, 50, "Descrição Crédito", true},
    {"NMCONSUMIDOR", FieldType::String, 50, "Consumidor", true},
    {"NMRESPCONS", FieldType::String, 50, "Responsável", true},
    {"NMRAZSOCCLIE", FieldType::String, 50, "Cliente", true},
};

constexpr FieldSpec kFamilyFields[] = {
    {"CDFAMILISALD", FieldType::String, 3, "Código Família", true},
    {"NMFAMILISALD", FieldType::String, 30, "Nome Família", true},
    {"VRPEDCREFAMI", FieldType::Double, 0, "Valor", true},
    {"NRPEDCRECONS", FieldType::String, 20, "", false},
};

void declare(dataset::RecordSet& set, const FieldSpec& spec) {
    dataset::Field& field = set.addField({spec.name, spec.type, spec.size});
    if (*spec.label != '\0')
        field.setDisplayLabel(spec.label);
    field.setVisible(spec.visible);
    if (field.name() == "IDCHECK")
        field.setDefaultExpression("'N'");
}

}  // namespace

void declareOrderFields(dataset::RecordSet& orders) {
    for (const FieldSpec& spec : kOrderFields)
        declare(orders, spec);
}

void declareFamilyFields(dataset::RecordSet& families) {
    for (const FieldSpec& spec : kFamilyFields)
        declare(families, spec);
}

void declareSelectedFields(dataset::RecordSet& selected) {
    for (const FieldSpec& spec : kOrderFields)
        if (std::string_view(spec.name) != "NRBOLETO")
            declare(selected, spec);
}

QString situacaoText(const std::string& value, const host::TMessages& messages) {
    if (value == "S")
        return messages.Msg(QStringLiteral("Efetivado"));
    if (value == "N")
        return messages.Msg(QStringLiteral("Pendente"));
    if (value == "C")
        return messages.Msg(QStringLiteral("Cancelado"));
    return {};
}

QString contabilText(const std::string& value, const host::TMessages& messages) {
    return messages.Msg(value == "S" ? QStringLiteral("Sim") : QStringLiteral("Nao"));
}

std::string valorText(const dataset::Field& field) {
    return platform::formatFloat00(field.isNull() ? std::nullopt : std::optional(field.asDouble()));
}

}  // namespace confcred::package
