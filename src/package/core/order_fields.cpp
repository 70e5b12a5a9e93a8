#include "package/core/order_fields.h"

#include <QCoreApplication>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/record_set.h"
#include "dataset/records.h"
#include "host/core/messages.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {

namespace records = dataset::records;

// How a field of a record looks on the screen; the field itself (name, type,
// width, order) is the record's. A field without a look shows under its own
// name.
struct Look {
    std::string_view name;
    const char* label;  // empty: the field's name; else translated where used
    bool visible;
};

constexpr Look kOrderLooks[] = {
    {"IDCHECK", "", false},
    {"IDPEDCREEXTR", QT_TRANSLATE_NOOP("Cli_Lun90000", "Situação Créd."), true},
    {"IDPEDCRECONT", QT_TRANSLATE_NOOP("Cli_Lun90000", "Contabilizado"), true},
    {"NRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Nr. Pedido"), true},
    {"CDCLIENTE", "", false},
    {"CDCONSUMIDOR", "", false},
    {"VRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor"), true},
    {"DTPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Data / Hora"), true},
    {"DSSITCREBANC", QT_TRANSLATE_NOOP("Cli_Lun90000", "Descrição Crédito"), true},
    {"NMCONSUMIDOR", QT_TRANSLATE_NOOP("Cli_Lun90000", "Consumidor"), true},
    {"NMRESPCONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Responsável"), true},
    {"NMRAZSOCCLIE", QT_TRANSLATE_NOOP("Cli_Lun90000", "Cliente"), true},
};

constexpr Look kFamilyLooks[] = {
    {"CDFAMILISALD", QT_TRANSLATE_NOOP("Cli_Lun90000", "Código Família"), true},
    {"NMFAMILISALD", QT_TRANSLATE_NOOP("Cli_Lun90000", "Nome Família"), true},
    {"VRPEDCREFAMI", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor"), true},
    {"NRPEDCRECONS", "", false},
};

// A look for a field the record lacks would silently be dropped.
template <std::size_t N>
constexpr bool looksNameFields(const Look (&looks)[N], records::Record record) {
    for (const Look& look : looks)
        if (!records::has(record, look.name))
            return false;
    return true;
}
static_assert(looksNameFields(kOrderLooks, records::kOrder));
static_assert(looksNameFields(kFamilyLooks, records::kFamily));

// Which fields the screen may write: the packet of selected orders is built
// field by field, the order list takes only the tick marks, the family list
// nothing. Values from the server are never changed on the screen.
enum class Writes { All, TickOnly, None };

template <std::size_t N>
void declare(dataset::RecordSet& set, records::Record record, const Look (&looks)[N],
             Writes writes) {
    for (const records::RecordField& spec : record) {
        dataset::Field& field = set.addField({std::string(spec.name), spec.type, spec.size});
        for (const Look& look : looks) {
            if (look.name != spec.name)
                continue;
            if (*look.label != '\0')
                field.setDisplayLabel(
                    QCoreApplication::translate("Cli_Lun90000", look.label).toStdString());
            field.setVisible(look.visible);
        }
        if (field.name() == "IDCHECK")
            field.setDefaultExpression("'N'");
        field.setReadOnly(writes == Writes::None ||
                          (writes == Writes::TickOnly && field.name() != "IDCHECK"));
    }
}

}  // namespace

void declareOrderFields(dataset::RecordSet& orders) {
    declare(orders, records::kOrder, kOrderLooks, Writes::TickOnly);
}

void declareFamilyFields(dataset::RecordSet& families) {
    declare(families, records::kFamily, kFamilyLooks, Writes::None);
}

void declareSelectedFields(dataset::RecordSet& selected) {
    declare(selected, records::kSelected, kOrderLooks, Writes::All);
}

QString situacaoText(const std::string& value, const host::core::TMessages& messages) {
    if (value == "S")
        return messages.Msg(QStringLiteral("Efetivado"));
    if (value == "N")
        return messages.Msg(QStringLiteral("Pendente"));
    if (value == "C")
        return messages.Msg(QStringLiteral("Cancelado"));
    return {};
}

QString contabilText(const std::string& value, const host::core::TMessages& messages) {
    return messages.Msg(value == "S" ? QStringLiteral("Sim") : QStringLiteral("Nao"));
}

std::string valorText(const dataset::Field& field) {
    return platform::formatFloat00(field.isNull() ? std::nullopt : std::optional(field.asDouble()));
}

}  // namespace confcred::package
