// getRetornoBancario: a bank's collection return file read, and each of its
// detail records matched against the orders by slip. A query: it changes
// nothing; the screen ticks what matched and the operator effects the credit.

#include <algorithm>
#include <compare>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "bankreturn/return_file.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/regional.h"
#include "platform/text.h"
#include "server/methods/methods_internal.h"
#include "server/storage/daily_queries.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

namespace records = dataset::records;
using bankreturn::ReturnRecord;

// What a record matches an order by: the digits of the slip with its leading
// zeros removed (bankreturn::slipDigits), as a number in two halves of at most
// 19 digits, so that keys compare and sort without a string. {0, 0}: no digit
// but zeros. A record's slip has at most 21 digits (20 columns and a check
// digit); an order's slip with more than 38 matches none.
struct SlipKey {
    std::uint64_t high = 0, low = 0;
    bool empty() const { return high == 0 && low == 0; }
    auto operator<=>(const SlipKey&) const = default;
};

constexpr std::size_t kHalfDigits = 19;

// The key of the digits of `slip` followed by those of `digit`; nullopt when
// there are more than a key holds.
std::optional<SlipKey> keyOf(std::string_view slip, std::string_view digit = {}) {
    char digits[2 * kHalfDigits];
    std::size_t count = 0;
    for (const std::string_view part : {slip, digit}) {
        for (const char c : part) {
            if (c < '0' || c > '9' || (count == 0 && c == '0'))
                continue;
            if (count == sizeof digits)
                return std::nullopt;
            digits[count++] = c;
        }
    }
    SlipKey key;
    const std::size_t split = count > kHalfDigits ? count - kHalfDigits : 0;
    for (std::size_t i = 0; i < split; ++i)
        key.high = key.high * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    for (std::size_t i = split; i < count; ++i)
        key.low = key.low * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    return key;
}

// The keys of the file's records, sorted, each once; a record refers to its
// keys by their place here (-1: none).
class WantedSlips {
  public:
    explicit WantedSlips(std::vector<SlipKey> keys) : keys_(std::move(keys)) {
        std::sort(keys_.begin(), keys_.end());
        keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    }
    int find(const SlipKey& key) const {
        const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
        return at == keys_.end() || *at != key ? -1 : static_cast<int>(at - keys_.begin());
    }
    std::size_t size() const { return keys_.size(); }
    bool empty() const { return keys_.empty(); }
    const std::vector<SlipKey>& keys() const { return keys_; }

  private:
    std::vector<SlipKey> keys_;
};

// What a record matches by: its slip, and its slip followed by the check
// digit the layout carries beside it (none when there is no digit, when it is
// a letter, or when it makes no other key).
struct RecordKeys {
    SlipKey plain, withDigit;
    int plainAt = -1, withDigitAt = -1;
};

RecordKeys keysOf(const ReturnRecord& r) {
    // Never longer than a key holds (see SlipKey).
    RecordKeys keys{keyOf(r.nossoNumero).value_or(SlipKey{}), {}};
    const bool digits = !r.nossoNumeroDigit.empty() &&
                        std::all_of(r.nossoNumeroDigit.begin(), r.nossoNumeroDigit.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        keys.withDigit = keyOf(r.nossoNumero, r.nossoNumeroDigit).value_or(SlipKey{});
    if (keys.withDigit == keys.plain)
        keys.withDigit = {};
    return keys;
}

// The digits of a key, as an order's canonical slip holds them when it has
// nothing but digits.
std::string digitsOf(const SlipKey& key) {
    if (key.high == 0)
        return std::to_string(key.low);
    std::string low = std::to_string(key.low);
    return std::to_string(key.high) + std::string(kHalfDigits - low.size(), '0') + low;
}

// An order that may be the one a record settles; its texts are in the
// OrdersBySlip's one string, from `text` on: number, client, consumer.
struct SlipOrder {
    std::size_t text = 0;
    std::uint32_t numberLength = 0, clientLength = 0, consumerLength = 0;
    char situation = 'N';
    std::int64_t cents = 0;
    int next = -1;  // the next order with the same slip key
};

// The orders found, chained from the first of each wanted key.
struct OrdersBySlip {
    std::vector<SlipOrder> orders;
    std::vector<int> first;  // by the key's place in WantedSlips; -1: none
    std::string text;

    std::string_view number(const SlipOrder& o) const {
        return {text.data() + o.text, o.numberLength};
    }
    std::string_view client(const SlipOrder& o) const {
        return {text.data() + o.text + o.numberLength, o.clientLength};
    }
    std::string_view consumer(const SlipOrder& o) const {
        return {text.data() + o.text + o.numberLength + o.clientLength, o.consumerLength};
    }
};

// One order in this many settled by the file: from there on the orders are
// read in one pass instead of looked up by slip.
constexpr std::int64_t kScanShare = 8;
// Slips at most this far apart, this many in a row, are read as one range.
constexpr std::uint64_t kRunGap = 4;
constexpr std::size_t kRunLength = 32;

// The orders whose slip key is wanted. A slip's leading zeros do not count:
// the canonical slip (NRBOLETO_CANON) has them dropped, so an order whose
// canonical slip is all digits is found through its index by the key's
// digits, a few hundred keys a statement, whatever the years of orders
// around them; the few whose slip holds more than digits (matched by their
// digits only) come from a small index of their own and are sorted out
// here; a file settling a good share of all orders reads them in one pass
// instead. Nothing is allocated for an order but its place in the vectors.
OrdersBySlip ordersBySlip(storage::Session& s, const WantedSlips& wanted) {
    OrdersBySlip found;
    found.first.assign(wanted.size(), -1);
    const auto take = [&](const storage::Row& r) {
        const std::optional<SlipKey> key = keyOf(r.text(0));
        const int at = !key || key->empty() ? -1 : wanted.find(*key);
        if (at < 0)
            return;
        const std::string_view number = r.text(1), client = r.text(2), consumer = r.text(3),
                               situation = r.text(5);
        SlipOrder o;
        o.text = found.text.size();
        o.numberLength = static_cast<std::uint32_t>(number.size());
        o.clientLength = static_cast<std::uint32_t>(client.size());
        o.consumerLength = static_cast<std::uint32_t>(consumer.size());
        found.text.append(number).append(client).append(consumer);
        o.situation = situation.empty() ? 'N' : situation[0];
        o.cents = r.integer(4);
        int& chain = found.first[static_cast<std::size_t>(at)];
        o.next = std::exchange(chain, static_cast<int>(found.orders.size()));
        found.orders.push_back(o);
    };
    std::vector<std::string> digits;
    std::vector<SlipKey> keys;
    for (const SlipKey& key : wanted.keys())
        if (!key.empty()) {
            digits.push_back(digitsOf(key));
            keys.push_back(key);
        }
    // A file that settles a good share of all the orders: one pass over
    // them costs less than as many index look-ups.
    std::int64_t orders = 0;
    s.query(storage::queries::kOrderCountEstimate, {},
            [&](const storage::Row& r) { orders = r.integer(0); });
    if (static_cast<std::int64_t>(digits.size()) * kScanShare >= orders) {
        s.query(storage::queries::kAllOrdersBySlip, {}, take);
        return found;
    }
    // Runs of near-consecutive slips of one length (keys are sorted) are
    // read as ranges; the rest are looked up one by one. A range brings the
    // gaps' orders too, which `take` passes over, and may bring slips that
    // hold more than digits, which are the last statement's.
    std::vector<std::string> single;
    const auto takeDigits = [&](const storage::Row& r) {
        const std::string_view slip = platform::trimBlanks(r.text(0));
        if (std::all_of(slip.begin(), slip.end(), [](char c) { return c >= '0' && c <= '9'; }))
            take(r);
    };
    for (std::size_t start = 0; start < keys.size();) {
        std::size_t end = start + 1;
        while (end < keys.size() && digits[end].size() == digits[start].size() &&
               keys[end].high == keys[end - 1].high && keys[end].low - keys[end - 1].low <= kRunGap)
            ++end;
        if (end - start >= kRunLength) {
            s.query(storage::queries::kOrdersBySlipRange,
                    {std::string_view(digits[start]), std::string_view(digits[end - 1]),
                     static_cast<std::int64_t>(digits[start].size())},
                    takeDigits);
        } else {
            for (std::size_t i = start; i < end; ++i)
                single.push_back(digits[i]);
        }
        start = end;
    }
    const bool pg = s.backend() == storage::Backend::Postgres;
    const std::size_t perStatement =
        pg ? storage::queries::kSlipsPerArray : storage::queries::kSlipsPerStatement;
    std::vector<storage::SqlValue> params;
    std::string array;
    for (std::size_t start = 0; start < single.size(); start += perStatement) {
        const std::size_t end = std::min(single.size(), start + perStatement);
        if (pg) {
            array = storage::queries::slipArrayLiteral(single, start, end);
            params.assign(1, std::string_view(array));
        } else {
            params.assign(single.begin() + static_cast<std::ptrdiff_t>(start),
                          single.begin() + static_cast<std::ptrdiff_t>(end));
        }
        s.query(storage::queries::ordersBySlipSql(s.backend(), end - start), params, take);
    }
    if (!digits.empty())
        s.query(storage::queries::ordersWithOtherSlipsSql(s.backend()), {}, take);
    return found;
}

// The order a record settles when several share its slip (the slip is unique
// per client only): a pending one with the amount paid, another pending one,
// an effected one, a cancelled one; then the slip as written before the one
// with its check digit, then the lowest order number.
const SlipOrder* chooseOrder(const OrdersBySlip& orders, const RecordKeys& keys,
                             std::int64_t paid) {
    const SlipOrder* best = nullptr;
    std::tuple<int, int, std::string_view> bestRank;
    const auto consider = [&](int key, int source) {
        if (key < 0)
            return;
        for (int at = orders.first[static_cast<std::size_t>(key)]; at >= 0;
             at = orders.orders[static_cast<std::size_t>(at)].next) {
            const SlipOrder& o = orders.orders[static_cast<std::size_t>(at)];
            const int state = o.situation == 'N'   ? (o.cents == paid ? 0 : 1)
                              : o.situation == 'S' ? 2
                                                   : 3;
            const std::tuple<int, int, std::string_view> rank{state, source, orders.number(o)};
            if (!best || rank < bestRank) {
                best = &o;
                bestRank = rank;
            }
        }
    };
    consider(keys.plainAt, 0);
    consider(keys.withDigitAt, 1);
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
    return fileArgument(args, "arquivo de retorno");
}

std::string bankReturn(storage::Database& db, const Args& args) {
    bankreturn::ReturnFile file;
    try {
        file = bankreturn::readReturnFile(fileText(args));
    } catch (const bankreturn::ReturnFileError& e) {
        throw MethodError(std::string("Arquivo de retorno recusado; nada foi lido. ") + e.what());
    }

    std::vector<RecordKeys> keys;
    keys.reserve(file.records.size());
    std::vector<SlipKey> all;
    all.reserve(2 * file.records.size());
    for (const ReturnRecord& r : file.records) {
        keys.push_back(keysOf(r));
        for (const SlipKey* k : {&keys.back().plain, &keys.back().withDigit})
            if (!k->empty())
                all.push_back(*k);
    }
    const WantedSlips wanted(std::move(all));
    for (RecordKeys& k : keys) {
        k.plainAt = k.plain.empty() ? -1 : wanted.find(k.plain);
        k.withDigitAt = k.withDigit.empty() ? -1 : wanted.find(k.withDigit);
    }
    const OrdersBySlip orders =
        wanted.empty() ? OrdersBySlip{}
                       : db.read([&](storage::Session& s) { return ordersBySlip(s, wanted); });

    dataset::DataPacket answer(records::fieldDefs(records::kBankReturnResult));
    // Room for every row at the fields' widths, so that no column regrows.
    const std::size_t rows = file.records.size();
    // DSAVISO holds a text on the last row at most.
    for (std::size_t f = 0; f < answer.fieldCount(); ++f)
        answer.column(f).reserve(rows, (answer.fields()[f].name == "DSAVISO" ? 1 : rows) *
                                           static_cast<std::size_t>(answer.fields()[f].size));
    const auto column = [&](std::string_view name) -> dataset::Column& {
        return answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
    };
    dataset::Column &slip = column("NRBOLETO"), &number = column("NRPEDCRECONS"),
                    &client = column("CDCLIENTE"), &consumer = column("CDCONSUMIDOR"),
                    &value = column("VRPEDCRECONS"), &paid = column("VRPAGO"),
                    &credit = column("DTCREDITO"), &occurrence = column("CDOCORRENCIA"),
                    &letter = column("IDRESULTADO"), &text = column("DSRESULTADO"),
                    &occurrenceText = column("DSOCORRENCIA"), &tariff = column("VRTARIFA"),
                    &interest = column("VRJUROS"), &discount = column("VRDESCONTO"),
                    &notice = column("DSAVISO");
    const std::string fileNote = bankreturn::adjustedLinesNote(file);
    std::string described;
    // The line of the first settlement of each order (or, without an order,
    // of each slip) in the file; 0 while there is none.
    std::vector<int> settledOrders(orders.orders.size(), 0);
    std::vector<int> settledSlips(wanted.size(), 0);
    int settledWithoutSlip = 0;
    for (std::size_t i = 0; i < file.records.size(); ++i) {
        const ReturnRecord& r = file.records[i];
        const SlipOrder* order = chooseOrder(orders, keys[i], r.paidCents);
        const int* earlier = nullptr;
        if (r.settlement) {
            int& first =
                order ? settledOrders[static_cast<std::size_t>(order - orders.orders.data())]
                : keys[i].plainAt >= 0 ? settledSlips[static_cast<std::size_t>(keys[i].plainAt)]
                                       : settledWithoutSlip;
            if (first == 0)
                first = r.line;
            else
                earlier = &first;
        }
        const Outcome outcome = classify(r, order, earlier);

        slip.appendText(r.nossoNumero);
        number.appendText(order ? orders.number(*order) : std::string_view());
        if (order) {
            client.appendText(orders.client(*order));
            consumer.appendText(orders.consumer(*order));
            value.appendDouble(storage::fromCents(order->cents));
        } else {
            client.appendNull();
            consumer.appendNull();
            value.appendNull();
        }
        paid.appendDouble(storage::fromCents(r.paidCents));
        if (r.creditDate)
            credit.appendDateTime(*r.creditDate);
        else
            credit.appendNull();
        occurrence.appendText(r.occurrence);
        letter.appendText(std::string_view(&outcome.letter, 1));
        text.appendText(outcome.text());
        const std::string_view meaning = bankreturn::occurrenceDescription(file, r.occurrence);
        described.assign(r.occurrence)
            .append(" ")
            .append(meaning.empty() ? "Ocorrência sem descrição na tabela do banco" : meaning);
        occurrenceText.appendText(described);
        if (r.tariffCents)
            tariff.appendDouble(storage::fromCents(*r.tariffCents));
        else
            tariff.appendNull();
        interest.appendDouble(storage::fromCents(r.feesCents));
        discount.appendDouble(storage::fromCents(r.discountCents));
        if (i + 1 == file.records.size() && !fileNote.empty())
            notice.appendText(fileNote);
        else
            notice.appendNull();
    }
    return dataset::encodePacket(answer);
}

}  // namespace

void addBankReturnMethod(MethodTable& table, storage::Database& db) {
    table.add("getRetornoBancario",
              [&db](const Args& args, const CallContext&) { return bankReturn(db, args); });
}

}  // namespace confcred::server::methods
