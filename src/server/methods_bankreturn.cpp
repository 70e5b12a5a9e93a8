// getRetornoBancario: a bank's collection return file read, and each of its
// detail records matched against the orders by slip. A query: it changes
// nothing; the screen ticks what matched and the operator effects the credit.

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bankreturn/return_file.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/regional.h"
#include "server/methods_internal.h"
#include "server/stored_values.h"

namespace confcred::server::methods {

namespace {

namespace records = dataset::records;
using bankreturn::ReturnRecord;

// An order that may be the one a record settles.
struct SlipOrder {
    std::string number, client, consumer;
    std::int64_t cents = 0;
    char situation = 'N';
    int next = -1;  // the next order with the same slip digits
};

// What a record matches by: the digits of its nosso número, and of the nosso
// número followed by the check digit the layout carries beside it (empty when
// there is none, or when it is a letter).
struct SlipKeys {
    std::string plain, withDigit;
};

SlipKeys keysOf(const ReturnRecord& r) {
    SlipKeys keys{bankreturn::slipDigits(r.nossoNumero), {}};
    const bool digits = !r.nossoNumeroDigit.empty() &&
                        std::all_of(r.nossoNumeroDigit.begin(), r.nossoNumeroDigit.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        keys.withDigit = bankreturn::slipDigits(r.nossoNumero + r.nossoNumeroDigit);
    if (keys.withDigit == keys.plain)
        keys.withDigit.clear();
    return keys;
}

// The orders found, each slip's chained from its first; the keys are the
// wanted set's own strings.
struct OrdersBySlip {
    std::vector<SlipOrder> orders;
    std::unordered_map<std::string_view, int> first;
};

// The orders whose slip digits are among `wanted`. A slip's leading zeros do
// not count, so no index on NRBOLETO finds them: one pass over the orders'
// slips keeps those wanted, which costs less than listing the same orders
// (bench figure bankreturn.match_vs_list). A plain scan of the table: going
// through the slip index would look every order up a second time; an order
// without a slip has no digits and is passed over.
OrdersBySlip ordersBySlip(Session& s, const std::unordered_set<std::string>& wanted) {
    OrdersBySlip found;
    found.first.reserve(wanted.size());
    std::string digits;
    s.query(
        "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR"
        " FROM PEDCREDCONS",
        {}, [&](const Row& r) {
            bankreturn::slipDigits(r.text(0), digits);
            const auto key = digits.empty() ? wanted.end() : wanted.find(digits);
            if (key == wanted.end())
                return;
            const std::string_view situation = r.text(5);
            const auto [chain, added] =
                found.first.try_emplace(*key, static_cast<int>(found.orders.size()));
            found.orders.push_back(
                {std::string(r.text(1)), std::string(r.text(2)), std::string(r.text(3)),
                 r.integer(4), situation.empty() ? 'N' : situation[0],
                 added ? -1 : std::exchange(chain->second, static_cast<int>(found.orders.size()))});
        });
    return found;
}

// The order a record settles when several share its slip (the slip is unique
// per client only): a pending one with the amount paid, another pending one,
// an effected one, a cancelled one; then the slip as written before the one
// with its check digit, then the lowest order number.
const SlipOrder* chooseOrder(const OrdersBySlip& orders, const SlipKeys& keys, std::int64_t paid) {
    const SlipOrder* best = nullptr;
    std::tuple<int, int, std::string_view> bestRank;
    const auto consider = [&](const std::string& key, int source) {
        if (key.empty())
            return;
        const auto found = orders.first.find(key);
        if (found == orders.first.end())
            return;
        for (int at = found->second; at >= 0;
             at = orders.orders[static_cast<std::size_t>(at)].next) {
            const SlipOrder& o = orders.orders[static_cast<std::size_t>(at)];
            const int state = o.situation == 'N'   ? (o.cents == paid ? 0 : 1)
                              : o.situation == 'S' ? 2
                                                   : 3;
            const std::tuple<int, int, std::string_view> rank{state, source, o.number};
            if (!best || rank < bestRank) {
                best = &o;
                bestRank = rank;
            }
        }
    };
    consider(keys.plain, 0);
    consider(keys.withDigit, 1);
    return best;
}

// The result's text: one of the fixed ones, or one written for the record.
struct Outcome {
    char letter;
    std::string_view fixed;
    std::string written;
    std::string_view text() const { return written.empty() ? fixed : written; }
};

std::string money(std::int64_t cents) {
    return platform::formatMoney(cents);
}

// The result of one record, in the order the letters are checked: not a
// settlement, settled earlier in the file, no order, then the order's
// situation and amount.
Outcome classify(const ReturnRecord& r, const SlipOrder* order, const int* earlierLine) {
    if (!r.settlement)
        return {'O', {}, "Ocorrência " + r.occurrence + " não é uma liquidação; nada a marcar."};
    if (earlierLine)
        return {'D',
                {},
                "Boleto já liquidado na linha " + std::to_string(*earlierLine) +
                    " deste arquivo; não marcado outra vez."};
    if (!order)
        return {'X', "Nenhum pedido tem este boleto.", {}};
    if (order->situation == 'S')
        return {'E', "O pedido já está efetivado.", {}};
    if (order->situation == 'C')
        return {'C', "O pedido está cancelado.", {}};
    if (order->cents == r.paidCents)
        return {'M', "Pedido pendente com o valor pago.", {}};
    return {'V',
            {},
            "Valor pago " + money(r.paidCents) + " difere do valor do pedido " +
                money(order->cents) + "; confira antes de efetivar."};
}

static_assert(records::has(records::kImport, "ARQUIVO"));

std::string_view fileText(const Args& args) {
    args.expectCount(1);
    const auto& packet = args.packet(0);
    const int field = packet.fieldIndex("ARQUIVO");
    if (field < 0 || !packet.column(static_cast<std::size_t>(field)).isText())
        throw ArgumentError("O pacote de getRetornoBancario deve ter o campo de texto ARQUIVO.");
    if (packet.rowCount() != 1)
        throw ArgumentError(
            "O pacote de getRetornoBancario deve ter exatamente uma linha com o texto do "
            "arquivo de retorno; recebeu " +
            std::to_string(packet.rowCount()) + ".");
    return packet.column(static_cast<std::size_t>(field)).textAt(0);
}

std::string bankReturn(Database& db, const Args& args) {
    bankreturn::ReturnFile file;
    try {
        file = bankreturn::readReturnFile(fileText(args));
    } catch (const bankreturn::ReturnFileError& e) {
        throw MethodError(std::string("Arquivo de retorno recusado; nada foi lido. ") + e.what());
    }

    std::vector<SlipKeys> keys;
    keys.reserve(file.records.size());
    std::unordered_set<std::string> wanted;
    wanted.reserve(2 * file.records.size());
    for (const ReturnRecord& r : file.records) {
        keys.push_back(keysOf(r));
        for (const std::string* k : {&keys.back().plain, &keys.back().withDigit})
            if (!k->empty())
                wanted.insert(*k);
    }
    const OrdersBySlip orders = wanted.empty()
                                    ? OrdersBySlip{}
                                    : db.read([&](Session& s) { return ordersBySlip(s, wanted); });

    dataset::DataPacket answer(records::fieldDefs(records::kBankReturnResult));
    const auto column = [&](std::string_view name) -> dataset::Column& {
        return answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
    };
    dataset::Column &slip = column("NRBOLETO"), &number = column("NRPEDCRECONS"),
                    &client = column("CDCLIENTE"), &consumer = column("CDCONSUMIDOR"),
                    &value = column("VRPEDCRECONS"), &paid = column("VRPAGO"),
                    &credit = column("DTCREDITO"), &occurrence = column("CDOCORRENCIA"),
                    &letter = column("IDRESULTADO"), &text = column("DSRESULTADO");
    // The first settlement of each order (or, without an order, of each slip)
    // in the file, by its line.
    std::unordered_map<const SlipOrder*, int> settledOrders;
    std::unordered_map<std::string_view, int> settledSlips;
    settledOrders.reserve(file.records.size());
    for (std::size_t i = 0; i < file.records.size(); ++i) {
        const ReturnRecord& r = file.records[i];
        const SlipOrder* order = chooseOrder(orders, keys[i], r.paidCents);
        const int* earlier = nullptr;
        if (r.settlement) {
            const auto firstAt = [&](auto& settled, const auto& key) {
                const auto [at, first] = settled.emplace(key, r.line);
                return first ? nullptr : &at->second;
            };
            earlier = order ? firstAt(settledOrders, order)
                            : firstAt(settledSlips, std::string_view(keys[i].plain));
        }
        const Outcome outcome = classify(r, order, earlier);

        slip.appendText(r.nossoNumero);
        number.appendText(order ? std::string_view(order->number) : std::string_view());
        if (order) {
            client.appendText(order->client);
            consumer.appendText(order->consumer);
            value.appendDouble(fromCents(order->cents));
        } else {
            client.appendNull();
            consumer.appendNull();
            value.appendNull();
        }
        paid.appendDouble(fromCents(r.paidCents));
        if (r.creditDate)
            credit.appendDateTime(*r.creditDate);
        else
            credit.appendNull();
        occurrence.appendText(r.occurrence);
        letter.appendText(std::string_view(&outcome.letter, 1));
        text.appendText(outcome.text());
    }
    return dataset::encodePacket(answer);
}

}  // namespace

void addBankReturnMethod(MethodTable& table, Database& db) {
    table.add("getRetornoBancario",
              [&db](const Args& args, const CallContext&) { return bankReturn(db, args); });
}

}  // namespace confcred::server::methods
