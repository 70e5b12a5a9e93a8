// setEfetivaSaldo, setCancelaCredito and setSituacao: moving selected orders
// between the credit situations, with their balances and the ledger.
//
// Every transition is a conditional UPDATE (the order must still be in the
// situation the operator saw), so two operators sending the same order at
// once move it, and credit it, exactly once. One call is one transaction: the
// first order that cannot move undoes the whole call.

#include <algorithm>
#include <map>
#include <tuple>

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/assert.h"
#include "platform/clock.h"
#include "platform/regional.h"
#include "platform/text.h"
#include "server/methods/filter_args.h"
#include "server/methods/idempotency.h"
#include "server/methods/input_text.h"
#include "server/methods/methods_internal.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

struct Transition {
    char from;
    char to;
    const char* operation;  // IDOPERACAO in the ledger
    int sign;               // +1 credits the family values, -1 takes them back, 0 no balance
    bool checksDate;
    // An accounted order (IDPEDCRECONT "S") keeps its credit: taking the
    // credit back or cancelling it would leave the accounts contradicting
    // the balances.
    bool refusesAccounted;
    const char* verb;  // for messages: "efetivar o crédito do pedido", ...
};

constexpr Transition kEffect{'N', 'S', "EFETIVA", +1, false, false, "efetivar o crédito do pedido"};
constexpr Transition kUndoEffect{
    'S', 'N', "DESFAZ_EFETIVA", -1, true, true, "desfazer o crédito do pedido"};
constexpr Transition kCancel{'N', 'C', "CANCELA", 0, false, true, "cancelar o pedido"};
constexpr Transition kUndoCancel{
    'C', 'N', "DESFAZ_CANCELA", 0, false, false, "desfazer o cancelamento do pedido"};

constexpr const char* kNothingChanged = " Nenhum pedido foi alterado.";

struct Selected {
    std::string number;  // 20 digits when well formed, as sent otherwise
    std::string client;
    std::string consumer;
    std::optional<platform::DateTime> when;
    bool wellFormed = true;
};

const char* situationName(std::string_view code) {
    if (code == "S")
        return "efetivado";
    if (code == "N")
        return "pendente";
    if (code == "C")
        return "cancelado";
    return "desconhecida";
}

// A number that is not one is quoted in the message, but not at any length.
std::string shortened(const std::string& text) {
    constexpr std::size_t kQuoted = 40;
    if (text.size() <= kQuoted)
        return text;
    std::size_t cut = kQuoted;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

int requiredField(const dataset::DataPacket& packet, const Args& args, const char* name) {
    const int at = packet.fieldIndex(name);
    if (at < 0)
        throw ArgumentError("O pacote de pedidos de " + args.method() + " não tem o campo " + name +
                            ".");
    return at;
}

std::string cellText(const dataset::DataPacket& packet, int field, std::size_t row,
                     const Args& args) {
    const auto& column = packet.column(static_cast<std::size_t>(field));
    if (column.isNull(row))
        return {};
    if (column.isText())
        return std::string(platform::trimBlanks(column.textAt(row)));
    if (column.type() == dataset::FieldType::Integer)
        return std::to_string(column.integerAt(row));
    throw ArgumentError("O campo " + packet.fields()[static_cast<std::size_t>(field)].name +
                        " do pacote de " + args.method() + " deve ser texto.");
}

// The screens send the whole selected-order record; these are its fields read here.
static_assert(dataset::records::has(dataset::records::kSelected, "NRPEDCRECONS") &&
              dataset::records::has(dataset::records::kSelected, "CDCLIENTE") &&
              dataset::records::has(dataset::records::kSelected, "CDCONSUMIDOR") &&
              dataset::records::has(dataset::records::kSelected, "DTPEDCRECONS"));

std::vector<Selected> readSelection(const Args& args, std::size_t index, bool needsDate) {
    const auto& packet = args.packet(index);
    const int number = requiredField(packet, args, "NRPEDCRECONS");
    const int client = requiredField(packet, args, "CDCLIENTE");
    const int consumer = requiredField(packet, args, "CDCONSUMIDOR");
    const int date = needsDate ? requiredField(packet, args, "DTPEDCRECONS") : -1;
    if (packet.rowCount() == 0)
        throw MethodError(
            "Nenhum pedido foi enviado para a operação. Marque ao menos um pedido "
            "e tente novamente.");
    std::vector<Selected> out;
    out.reserve(packet.rowCount());
    for (std::size_t r = 0; r < packet.rowCount(); ++r) {
        Selected s;
        const std::string typed = cellText(packet, number, r, args);
        if (auto normal = normaliseOrderNumber(typed)) {
            s.number = *normal;
        } else {
            s.number = shortened(typed);
            s.wellFormed = false;
        }
        s.client = cellText(packet, client, r, args);
        s.consumer = cellText(packet, consumer, r, args);
        if (needsDate) {
            const auto& column = packet.column(static_cast<std::size_t>(date));
            if (column.isNull(r))
                s.when = std::nullopt;
            else if (column.type() == dataset::FieldType::DateTime)
                s.when = column.dateTimeAt(r);
            else if (column.isText())
                s.when = platform::DateTime::parseIso(column.textAt(r));
            if (!s.when)
                throw MethodError("O pedido " + s.number +
                                  " foi enviado sem a data/hora do pedido (DTPEDCRECONS), "
                                  "necessária para desfazer o crédito. Atualize a lista e tente "
                                  "novamente." +
                                  kNothingChanged);
        }
        out.push_back(std::move(s));
    }
    // Applying in order-number order keeps two concurrent calls from locking
    // the same orders in opposite orders.
    std::sort(out.begin(), out.end(),
              [](const Selected& a, const Selected& b) { return a.number < b.number; });
    for (std::size_t i = 1; i < out.size(); ++i)
        if (out[i].number == out[i - 1].number)
            throw MethodError("O pedido " + out[i].number +
                              " aparece mais de uma vez na seleção. Atualize a lista e marque "
                              "os pedidos novamente." +
                              kNothingChanged);
    return out;
}

// Why `order` did not move: it is unknown, of another client or consumer, in
// another situation, accounted, or (undo) of another date.
[[noreturn]] void explainRefusal(storage::Session& s, const Selected& order, const Transition& t) {
    std::string message;
    bool found = false;
    if (order.wellFormed) {
        s.query(
            "SELECT CDCLIENTE, CDCONSUMIDOR, IDPEDCREEXTR, DTPEDCRECONS, IDPEDCRECONT"
            " FROM PEDCREDCONS"
            " WHERE NRPEDCRECONS = ?",
            {std::string_view(order.number)}, [&](const storage::Row& r) {
                found = true;
                const std::string stored(r.text(3));
                if (r.text(0) != order.client || r.text(1) != order.consumer) {
                    // What the client sent is quoted shortened: a megabyte of
                    // CDCLIENTE must not come back whole.
                    message = "O pedido " + order.number + " não pertence ao cliente " +
                              clipForMessage(order.client) + " e consumidor " +
                              clipForMessage(order.consumer) +
                              " informados. Atualize a lista e tente novamente.";
                } else if (r.text(2) != std::string_view(&t.from, 1)) {
                    message = "Não foi possível " + std::string(t.verb) + " " + order.number +
                              ": ele não está mais " + situationName(std::string_view(&t.from, 1)) +
                              " (situação atual: " + situationName(r.text(2)) +
                              "); outro operador pode tê-lo alterado. Atualize a lista e tente "
                              "novamente.";
                } else if (t.refusesAccounted && r.text(4) == "S") {
                    message = "Não foi possível " + std::string(t.verb) + " " + order.number +
                              ": ele já foi contabilizado. Um pedido contabilizado não pode ter "
                              "o crédito desfeito nem ser cancelado.";
                } else {
                    const auto when = storage::parseStoredDateTime(stored);
                    message = "A data/hora enviada para o pedido " + order.number + " (" +
                              platform::formatDateTime(order.when.value_or(platform::DateTime())) +
                              ") não confere com a do pedido (" +
                              (when ? platform::formatDateTime(*when) : stored) +
                              "). Atualize a lista e tente novamente.";
                }
            });
    }
    if (!found)
        message = "O pedido " + order.number +
                  " não existe. Atualize a lista e selecione os pedidos novamente.";
    throw MethodError(message + kNothingChanged);
}

// The screens drop the value; an empty packet says "done".
std::string done() {
    return dataset::encodePacket(
        dataset::DataPacket(dataset::records::fieldDefs(dataset::records::kNoFields)));
}

std::string apply(storage::Database& db, const Args& args, const CallContext& context,
                  const Transition& t) {
    const std::vector<Selected> orders = readSelection(args, 0, t.checksDate);
    CONFCRED_ASSERT(!orders.empty());  // readSelection refuses an empty packet
    const std::string operatorName = limitOperator(context.operatorName);
    return writeCall(db, args.method(), context, [&](storage::Session& s) {
        const std::string now = storage::storedDateTime(platform::now());
        const std::string from(1, t.from), to(1, t.to);
        const std::string update =
            std::string(
                "UPDATE PEDCREDCONS SET IDPEDCREEXTR = ? WHERE NRPEDCRECONS = ?"
                " AND CDCLIENTE = ? AND CDCONSUMIDOR = ? AND IDPEDCREEXTR = ?") +
            (t.checksDate ? " AND DTPEDCRECONS = ?" : "") +
            (t.refusesAccounted ? " AND (IDPEDCRECONT IS NULL OR IDPEDCRECONT <> 'S')" : "") +
            " RETURNING IDPEDCREDCONS";
        // (client, consumer, family) -> change of balance, applied in key order.
        std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> balances;
        // The ledger rows go to the chain together at the end, so its head is
        // locked only from there to the commit.
        std::vector<storage::ledger::LedgerEntry> entries;
        entries.reserve(orders.size() * 2);
        for (const Selected& order : orders) {
            if (!order.wellFormed)
                explainRefusal(s, order, t);
            const std::string when =
                order.when ? storage::storedDateTime(*order.when) : std::string();
            std::vector<storage::SqlValue> params = {
                std::string_view(to), std::string_view(order.number),
                std::string_view(order.client), std::string_view(order.consumer),
                std::string_view(from)};
            if (t.checksDate)
                params.push_back(std::string_view(when));
            std::optional<std::int64_t> id;
            s.query(update, params, [&](const storage::Row& r) { id = r.integer(0); });
            if (!id)
                explainRefusal(s, order, t);
            storage::ledger::LedgerEntry entry{now,
                                               operatorName,
                                               *id,
                                               order.number,
                                               t.operation,
                                               order.client,
                                               order.consumer,
                                               std::nullopt,
                                               0};
            if (t.sign == 0) {
                entries.push_back(std::move(entry));
                continue;
            }
            s.query(
                "SELECT CDFAMILISALD, VRPEDCREFAMI_CENT FROM PEDCREDFAMI WHERE IDPEDCREDCONS = ?"
                " ORDER BY CDFAMILISALD",
                {*id}, [&](const storage::Row& r) {
                    const std::int64_t change = t.sign * r.integer(1);
                    balances[{order.client, order.consumer, std::string(r.text(0))}] += change;
                    entry.family = std::string(r.text(0));
                    entry.cents = change;
                    entries.push_back(entry);
                });
        }
        for (const auto& [key, change] : balances) {
            const auto& [client, consumer, family] = key;
            s.execute(
                "INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT)"
                " VALUES (?, ?, ?, ?) ON CONFLICT (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)"
                " DO UPDATE SET VRSALDO_CENT = SALDOCONS.VRSALDO_CENT + excluded.VRSALDO_CENT",
                {std::string_view(client), std::string_view(consumer), std::string_view(family),
                 change});
        }
        // Each order moved once; an order with balances gives one ledger row
        // per family, one without gives none.
        CONFCRED_ASSERT(t.sign != 0 ? entries.size() >= balances.size()
                                    : entries.size() == orders.size());
        storage::ledger::appendLedger(s, entries);
        return done();
    });
}

}  // namespace

void addCreditMethods(MethodTable& table, storage::Database& db) {
    table.add("setEfetivaSaldo", [&db](const Args& args, const CallContext& context) {
        args.expectCount(1);
        return apply(db, args, context, kEffect);
    });
    table.add("setCancelaCredito", [&db](const Args& args, const CallContext& context) {
        args.expectCount(1);
        return apply(db, args, context, kUndoEffect);
    });
    table.add("setSituacao", [&db](const Args& args, const CallContext& context) {
        args.expectCount(2);
        const std::string& situation = args.string(1);
        if (situation == "C")
            return apply(db, args, context, kCancel);
        if (situation == "N")
            return apply(db, args, context, kUndoCancel);
        throw ArgumentError(
            "Argumento 2 de setSituacao: a situação deve ser C (cancelar) ou "
            "N (desfazer o cancelamento).");
    });
}

}  // namespace confcred::server::methods
