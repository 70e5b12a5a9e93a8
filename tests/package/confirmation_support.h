#pragma once
// Driving the confirmation screen in tests: opening it with the filter
// dialog closed unconfirmed (so the default parameters, every situation of
// today's orders, are loaded), real clicks and keys on its grids, and reading
// its lists.

#include <QDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <functional>

#include "dataset/record_set.h"
#include "host/automation/synthetic_input.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"
#include "support/base_components.h"

namespace confcred::testing {

using namespace base;

// Opens the screen; its first activation shows the filter dialog, which the
// scripted service closes unconfirmed, and then loads the lists.
inline package::TfrmConfCredBco& openLoadedScreen(host::automation::ScriptedUiService& ui) {
    ui.queueModal([](QDialog&) {});
    package::CriaConfCredBanc();
    return *package::frmConfCredBco;
}

inline void clickCell(host::widgets::TDBGrid& grid, int row, const QString& field) {
    const QModelIndex index = grid.model()->index(row, grid.columnOfField(field));
    grid.scrollTo(index);
    host::automation::sendClick(grid.viewport(), grid.visualRect(index).center());
}

inline void clickTitle(host::widgets::TDBGrid& grid, const QString& field) {
    const int column = grid.columnOfField(field);
    QHeaderView* header = grid.horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    host::automation::sendClick(header->viewport(), QPoint(x, header->height() / 2));
}

inline void pressSpace(host::widgets::TDBGrid& grid) {
    host::automation::sendKey(&grid, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
}

// The stored text of one text field of every record, in the list's current
// order, without moving the cursor.
inline QStringList column(dataset::RecordSet& set, const char* field) {
    QStringList values;
    if (!set.active())
        return values;
    const dataset::Column& data = set.column(set.fieldByName(field).index());
    for (size_t row = 0; row < set.recordCount(); ++row) {
        const std::string_view text = data.textAt(set.storageRowAt(row));
        values << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    return values;
}

// Loads a list again with `change` made to a copy of its rows: the screen's
// lists take no value but the tick marks, as their rows come from the server.
inline void reloadChanged(dataset::RecordSet& list,
                          const std::function<void(dataset::RecordSet& copy)>& change) {
    dataset::RecordSet copy;
    copy.loadPacket(list.toPacket());
    change(copy);
    list.loadPacket(copy.toPacket());
}

inline QString current(dataset::RecordSet& set, const char* field) {
    return QString::fromStdString(set.fieldByName(field).asString());
}

// The mark-all switch, found out as the operator finds it: clicks the check
// column's title and tells whether that cleared every tick (the switch was
// on) rather than ticking every order (off). The list must hold orders.
inline bool markAllIsOn(package::TfrmConfCredBco& screen) {
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    dataset::RecordSet& orders =
        *host::widgets::findDataSet(&screen, QStringLiteral("cdsGetPediCreCons"));
    const QStringList marks = column(orders, "IDCHECK");
    EXPECT_FALSE(marks.isEmpty()) << "no order to tell the switch by";
    EXPECT_TRUE(marks.count(marks.value(0)) == marks.size()) << "the title click marked some";
    return !marks.isEmpty() && marks[0] == QStringLiteral("N");
}

// The numbers of the orders ticked "S", sorted.
inline QStringList tickedNumbers(dataset::RecordSet& orders) {
    const QStringList numbers = column(orders, "NRPEDCRECONS");
    const QStringList marks = column(orders, "IDCHECK");
    QStringList ticked;
    for (qsizetype i = 0; i < numbers.size(); ++i)
        if (marks[i] == QStringLiteral("S"))
            ticked << numbers[i];
    ticked.sort();
    return ticked;
}

// Another operator moves one listed order to `situation` on the server
// (setSituacao), behind the screen's back.
inline void setSituationOnServer(const ServerProcess& server, dataset::RecordSet& orders,
                                 const QString& number, const char* situation) {
    const int row = static_cast<int>(column(orders, "NRPEDCRECONS").indexOf(number));
    ASSERT_GE(row, 0) << number.toStdString();
    const QJsonObject packet{
        {"fields",
         QJsonArray{QJsonObject{{"name", "NRPEDCRECONS"}, {"type", "string"}, {"size", 20}},
                    QJsonObject{{"name", "CDCLIENTE"}, {"type", "string"}, {"size", 21}},
                    QJsonObject{{"name", "CDCONSUMIDOR"}, {"type", "string"}, {"size", 21}}}},
        {"rows", QJsonArray{QJsonArray{number, column(orders, "CDCLIENTE")[row],
                                       column(orders, "CDCONSUMIDOR")[row]}}}};
    const QByteArray args = QJsonDocument(QJsonArray{packet, QString::fromLatin1(situation)})
                                .toJson(QJsonDocument::Compact);
    const HttpReply reply = server.post("setSituacao", args.toStdString());
    ASSERT_EQ(reply.status, 200) << reply.body;
}

}  // namespace confcred::testing
