// getConciliacaoExtrato: a bank statement read (OFX, CNAB 240 statement or
// the PIX API's JSON, recognised from the content) and each credit matched
// against the orders: by the order it names (its number or slip in the txid,
// the document or the memo), or else by amount, date and payer. A query: it
// changes nothing; the screen ticks what matched and the operator effects the
// credit as usual. Letters:
//   M  names one pending order with the same amount
//   V  names an order pending with another amount
//   P  probable: exactly one candidate (a pending order with the same amount,
//      dated on or before the credit and at most N days older) whose
//      responsible person, consumer or client is the payer
//   A  ambiguous: candidates the payer does not single out (never chosen)
//   E, C  names an effected or a cancelled order
//   D  the same entry earlier in the file, or an order already matched by one
//   X  no candidate
//   O  not a credit (debits, returns, fees)

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bankreturn/return_file.h"
#include "bankreturn/statement.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/regional.h"
#include "server/methods/methods_internal.h"
#include "server/storage/stored_values.h"
#include "server/storage/text_fold.h"

namespace confcred::server::methods {

namespace {

namespace records = dataset::records;
using bankreturn::StatementEntry;

constexpr int kDefaultWindowDays = 10;
constexpr int kMaxWindowDays = 366;
// Past this many candidates the payer is not looked for: the entry is
// ambiguous, and the operator decides.
constexpr std::size_t kMaxCandidates = 500;

// An order number or slip as a number: its digits, leading zeros off, in
// two halves of at most 19 digits, so that keys hash without a string.
// Zero: no digit but zeros, or more digits than a key holds.
struct NumberKey {
    std::uint64_t high = 0, low = 0;
    bool empty() const { return high == 0 && low == 0; }
    bool operator==(const NumberKey&) const = default;
};

struct NumberKeyHash {
    std::size_t operator()(const NumberKey& k) const {
        return std::hash<std::uint64_t>()(k.low ^ (k.high * 0x9E3779B97F4A7C15ULL));
    }
};

constexpr std::size_t kHalfDigits = 19;

// The key of the digits of `text` (other characters passed over).
NumberKey keyOfDigits(std::string_view text) {
    char digits[2 * kHalfDigits];
    std::size_t count = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || (count == 0 && c == '0'))
            continue;
        if (count == sizeof digits)
            return {};
        digits[count++] = c;
    }
    NumberKey key;
    const std::size_t split = count > kHalfDigits ? count - kHalfDigits : 0;
    for (std::size_t i = 0; i < split; ++i)
        key.high = key.high * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    for (std::size_t i = split; i < count; ++i)
        key.low = key.low * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    return key;
}

// Order numbers and slips named in an entry: runs of digits. A txid is the
// charge's own identifier, so shorter runs count there than in free text,
// where dates, agencies and amounts also have digits.
void namedKeys(std::string_view text, std::size_t minDigits, std::vector<NumberKey>& out) {
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && (text[start] < '0' || text[start] > '9'))
            ++start;
        std::size_t end = start;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        std::size_t first = start;
        while (first < end && text[first] == '0')
            ++first;
        if (end - first >= minDigits) {
            const NumberKey key = keyOfDigits(text.substr(first, end - first));
            if (!key.empty())
                out.push_back(key);
        }
        start = end;
    }
}

std::vector<NumberKey> keysOf(const StatementEntry& e) {
    std::vector<NumberKey> keys;
    namedKeys(e.txid, 3, keys);
    namedKeys(e.id, 5, keys);
    namedKeys(e.description, 5, keys);
    return keys;
}

// Folded words of a name, without the particles that say nothing of a person.
std::vector<std::string> nameWords(std::string_view name) {
    static const std::unordered_set<std::string> kParticles = {"de", "da", "do", "das", "dos", "e"};
    std::vector<std::string> words;
    std::string word;
    const std::string folded = storage::foldForSearch(name);
    for (std::size_t i = 0; i <= folded.size(); ++i) {
        const char c = i < folded.size() ? folded[i] : ' ';
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            static_cast<unsigned char>(c) >= 0x80) {
            word += c;
        } else if (!word.empty()) {
            if (!kParticles.count(word))
                words.push_back(word);
            word.clear();
        }
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

// Every word of the person's name is among the payer's: "SILVA JOSE DA" is
// José da Silva; "JOSE" alone is not José da Silva.
bool namesPerson(const std::vector<std::string>& payer, const std::vector<std::string>& person) {
    return person.size() >= 2 &&
           std::includes(payer.begin(), payer.end(), person.begin(), person.end());
}

// Whom an order's payment may come from: its consumer, the consumer's
// responsible person and the client. Kept once per consumer.
struct Person {
    std::string responsibleDocument, clientDocument;                 // digits
    std::vector<std::string> responsible, consumerName, clientName;  // name words
};

struct Order {
    // Number, client and consumer, one after the other in Orders::text.
    std::size_t text = 0;
    std::uint32_t numberLength = 0, clientLength = 0, consumerLength = 0;
    std::int64_t day = 0;  // the order's date, in days since 1970-01-01
    char situation = 'N';
    std::int64_t cents = 0;
    const Person* person = nullptr;
    int claimedLine = 0;  // the line of the entry that matched it (M or P), 0: none
};

struct Orders {
    std::vector<Order> all;
    std::string text;

    std::string_view number(const Order& o) const { return {text.data() + o.text, o.numberLength}; }
    std::string_view client(const Order& o) const {
        return {text.data() + o.text + o.numberLength, o.clientLength};
    }
    std::string_view consumer(const Order& o) const {
        return {text.data() + o.text + o.numberLength + o.clientLength, o.consumerLength};
    }
    std::unordered_map<std::string, Person> persons;                       // by client and consumer
    std::unordered_map<NumberKey, std::vector<int>, NumberKeyHash> byKey;  // number or slip
    // Pending orders by amount, each list by date.
    std::unordered_map<std::int64_t, std::vector<int>> pendingByAmount;
};

// Days since 1970-01-01 of the date a stored date-time starts with
// ("2026-12-08 ..."); -1 when it does not.
std::int64_t dayOf(std::string_view text) {
    const auto part = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            if (k >= text.size() || text[k] < '0' || text[k] > '9')
                return -1;
            v = v * 10 + (text[k] - '0');
        }
        return v;
    };
    const auto when = platform::DateTime::tryFromParts(part(0, 4), part(5, 2), part(8, 2));
    return when ? when->msSinceEpoch() / platform::DateTime::kMsPerDay : -1;
}

std::int64_t dayOf(platform::DateTime when) {
    return when.datePart().msSinceEpoch() / platform::DateTime::kMsPerDay;
}

std::string digitsOnly(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9')
            d += c;
    return d;
}

// One pass over the orders, keeping those an entry names and the pending
// ones whose amount and date some credit could have paid.
Orders loadOrders(storage::Session& s, const std::unordered_set<NumberKey, NumberKeyHash>& named,
                  const std::unordered_set<std::int64_t>& amounts, std::int64_t firstDay,
                  std::int64_t lastDay) {
    Orders orders;
    std::string personKey;
    s.query(
        "SELECT NRPEDCRECONS, NRBOLETO, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT,"
        " IDPEDCREEXTR, DTPEDCRECONS FROM PEDCREDCONS",
        {}, [&](const storage::Row& r) {
            const NumberKey numberKey = keyOfDigits(r.text(0)), slipKey = keyOfDigits(r.text(1));
            const bool byNumber = !numberKey.empty() && named.count(numberKey);
            const bool bySlip = !slipKey.empty() && named.count(slipKey);
            const std::string_view situation = r.text(5);
            const std::int64_t cents = r.integer(4);
            bool candidate = situation == "N" && amounts.count(cents);
            if (!byNumber && !bySlip && !candidate)
                return;
            const std::int64_t day = dayOf(r.text(6));
            candidate = candidate && day >= firstDay && day <= lastDay;
            if (!byNumber && !bySlip && !candidate)
                return;
            const int at = static_cast<int>(orders.all.size());
            Order& o = orders.all.emplace_back();
            const std::string_view number = r.text(0), client = r.text(2), consumer = r.text(3);
            o.text = orders.text.size();
            o.numberLength = static_cast<std::uint32_t>(number.size());
            o.clientLength = static_cast<std::uint32_t>(client.size());
            o.consumerLength = static_cast<std::uint32_t>(consumer.size());
            orders.text.append(number).append(client).append(consumer);
            o.day = day;
            o.situation = situation.empty() ? 'N' : situation[0];
            o.cents = cents;
            personKey.assign(client).append(1, '\x1f').append(consumer);
            o.person = &orders.persons[personKey];
            if (byNumber)
                orders.byKey[numberKey].push_back(at);
            if (bySlip && slipKey != numberKey)
                orders.byKey[slipKey].push_back(at);
            if (candidate)
                orders.pendingByAmount[cents].push_back(at);
        });
    // The persons of the orders kept, one query for all: the consumers with
    // their clients (far fewer rows than orders).
    if (!orders.persons.empty())
        s.query(
            "SELECT C.CDCLIENTE, C.CDCONSUMIDOR, C.NMCONSUMIDOR, C.NMRESPCONS, C.NRDOCRESPCONS,"
            " L.NMRAZSOCCLIE, L.NRINSJURCLIE"
            " FROM CONSUMIDOR C JOIN CLIENTE L ON L.CDCLIENTE = C.CDCLIENTE",
            {}, [&](const storage::Row& r) {
                personKey.assign(r.text(0)).append(1, '\x1f').append(r.text(1));
                const auto found = orders.persons.find(personKey);
                if (found == orders.persons.end())
                    return;
                Person& p = found->second;
                p.consumerName = nameWords(r.text(2));
                p.responsible = nameWords(r.text(3));
                p.responsibleDocument = digitsOnly(r.text(4));
                p.clientName = nameWords(r.text(5));
                p.clientDocument = digitsOnly(r.text(6));
            });
    for (auto& [cents, list] : orders.pendingByAmount)
        std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
            return orders.all[static_cast<std::size_t>(a)].day <
                   orders.all[static_cast<std::size_t>(b)].day;
        });
    return orders;
}

// The payer is the order's responsible person, consumer or client: by
// document where both sides have one, else by name.
bool paidBy(const Person& p, const std::string& payerDocument,
            const std::vector<std::string>& payerWords) {
    if (!payerDocument.empty()) {
        if (payerDocument == p.responsibleDocument || payerDocument == p.clientDocument)
            return true;
        if (!p.responsibleDocument.empty())
            return false;  // another person's document
    }
    return namesPerson(payerWords, p.responsible) || namesPerson(payerWords, p.consumerName) ||
           namesPerson(payerWords, p.clientName);
}

// The result's text: one of the fixed ones, or one written for the entry.
struct Outcome {
    char letter = 'X';
    const Order* order = nullptr;
    std::int64_t candidates = 0;
    std::string_view fixed;
    std::string written{};
    std::string_view text() const { return written.empty() ? fixed : written; }
};

std::string money(std::int64_t cents) {
    return platform::formatMoney(cents);
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class Matcher {
  public:
    Matcher(Orders& orders, int windowDays)
        : orders_(orders),
          windowDays_(windowDays),
          noCandidate_("Nenhum pedido pendente com este valor nos " + std::to_string(windowDays) +
                       " dias até o crédito.") {}

    Outcome match(const StatementEntry& e, const std::vector<NumberKey>& keys) {
        if (e.amountCents <= 0)
            return {'O', nullptr, 0, "Não é um crédito; nada a conciliar."};
        if (const int earlier = repeatedAt(e))
            return {'D',
                    nullptr,
                    0,
                    {},
                    "Lançamento repetido da linha " + std::to_string(earlier) +
                        " deste arquivo; não conciliado outra vez."};
        if (auto named = namedOrder(e, keys))
            return *named;
        return byPayer(e);
    }

  private:
    // The line of the same entry earlier in the file (SameEntry); 0: none.
    int repeatedAt(const StatementEntry& e) {
        const auto [it, inserted] = seen_.emplace(&e, e.line);
        return inserted ? 0 : it->second;
    }

    std::optional<Outcome> namedOrder(const StatementEntry& e, const std::vector<NumberKey>& keys) {
        Order* best = nullptr;
        for (const NumberKey& key : keys) {
            const auto it = orders_.byKey.find(key);
            if (it == orders_.byKey.end())
                continue;
            for (int at : it->second) {
                Order& o = orders_.all[static_cast<std::size_t>(at)];
                if (!best || rank(o, e) < rank(*best, e))
                    best = &o;
            }
        }
        if (!best)
            return std::nullopt;
        Order& o = *best;
        if (o.situation == 'S')
            return Outcome{'E', &o, 0, "O pedido citado no lançamento já está efetivado."};
        if (o.situation == 'C')
            return Outcome{'C', &o, 0, "O pedido citado no lançamento está cancelado."};
        if (o.cents != e.amountCents)
            return Outcome{'V',
                           &o,
                           0,
                           {},
                           "Valor do lançamento " + money(e.amountCents) +
                               " difere do valor do pedido citado " + money(o.cents) +
                               "; confira antes de efetivar."};
        if (o.claimedLine != 0)
            return Outcome{'D',
                           &o,
                           0,
                           {},
                           "O pedido citado já foi conciliado pelo lançamento da linha " +
                               std::to_string(o.claimedLine) + "; não conciliado outra vez."};
        o.claimedLine = e.line;
        return Outcome{'M', &o, 0, "Pedido pendente citado no lançamento, com o mesmo valor."};
    }

    // Among the orders an entry names: pending with its amount, pending, then
    // effected, then cancelled; then the lowest number.
    std::pair<int, std::string_view> rank(const Order& o, const StatementEntry& e) const {
        const int state = o.situation == 'N'   ? (o.cents == e.amountCents ? 0 : 1)
                          : o.situation == 'S' ? 2
                                               : 3;
        return {state, orders_.number(o)};
    }

    Outcome byPayer(const StatementEntry& e) {
        const auto it = orders_.pendingByAmount.find(e.amountCents);
        candidates_.clear();
        if (it != orders_.pendingByAmount.end()) {
            const std::int64_t last = dayOf(e.date), first = last - windowDays_;
            const auto from = std::lower_bound(
                it->second.begin(), it->second.end(), first, [&](int at, std::int64_t day) {
                    return orders_.all[static_cast<std::size_t>(at)].day < day;
                });
            for (auto at = from; at != it->second.end(); ++at) {
                Order& o = orders_.all[static_cast<std::size_t>(*at)];
                if (o.day > last)
                    break;
                if (o.claimedLine == 0)
                    candidates_.push_back(&o);
            }
        }
        std::vector<Order*>& candidates = candidates_;
        if (candidates.empty())
            return {'X',
                    nullptr,
                    0,
                    {},
                    "Nenhum pedido pendente com este valor nos " + std::to_string(windowDays_) +
                        " dias até o crédito."};
        const std::size_t count = candidates.size();
        const std::string payerText = e.payerName.empty() ? e.description : e.payerName;
        if (e.payerDocument.empty() && payerText.empty())
            return {'A',
                    nullptr,
                    static_cast<std::int64_t>(count),
                    {},
                    plural(count, "pedido pendente", "pedidos pendentes") +
                        " com este valor; o lançamento não nomeia o pagador. Não marcado."};
        if (count > kMaxCandidates)
            return {'A',
                    nullptr,
                    static_cast<std::int64_t>(count),
                    {},
                    std::to_string(count) +
                        " pedidos pendentes com este valor; confira pelo pagador. Não marcado."};
        auto words = payerWords_.find(payerText);
        if (words == payerWords_.end())
            words = payerWords_.emplace(payerText, nameWords(payerText)).first;
        const std::vector<std::string>& payerWords = words->second;
        Order* paid = nullptr;
        std::size_t matches = 0;
        for (Order* o : candidates) {
            if (paidBy(*o->person, e.payerDocument, payerWords)) {
                paid = o;
                ++matches;
            }
        }
        if (matches == 1) {
            paid->claimedLine = e.line;
            return {'P', paid, static_cast<std::int64_t>(count),
                    "Provável: o único pedido pendente com este valor cujo responsável, "
                    "consumidor ou cliente é o pagador."};
        }
        return {'A',
                nullptr,
                static_cast<std::int64_t>(count),
                {},
                plural(count, "pedido pendente", "pedidos pendentes") + " com este valor; " +
                    (matches == 0 ? std::string("nenhum é do pagador")
                                  : std::to_string(matches) + " são do pagador") +
                    ". Não marcado."};
    }

    // The same entry: the same identifier, date and amount; an identifier
    // that says nothing ("", "0") also needs the same texts.
    static bool saysNothing(const std::string& id) {
        return id.find_first_not_of("0 ") == std::string::npos;
    }
    struct SameEntry {
        bool operator()(const StatementEntry* a, const StatementEntry* b) const {
            if (a->id != b->id || a->date != b->date || a->amountCents != b->amountCents)
                return false;
            return !saysNothing(a->id) ||
                   (a->description == b->description && a->payerName == b->payerName &&
                    a->payerDocument == b->payerDocument);
        }
    };
    struct EntryHash {
        std::size_t operator()(const StatementEntry* e) const {
            return std::hash<std::string>()(e->id) ^
                   (std::hash<std::int64_t>()(e->date.msSinceEpoch()) * 31) ^
                   (std::hash<std::int64_t>()(e->amountCents) * 131);
        }
    };

    Orders& orders_;
    int windowDays_;
    std::string noCandidate_;
    std::unordered_map<const StatementEntry*, int, EntryHash, SameEntry> seen_;
    std::vector<Order*> candidates_;
    // The payer's name words, by the text they were read from.
    std::unordered_map<std::string, std::vector<std::string>> payerWords_;
};

std::string_view fileText(const Args& args) {
    if (args.size() < 1 || args.size() > 2)
        args.expectCount(1);
    return fileArgument(args, "extrato");
}

int windowDays(const Args& args) {
    if (args.size() < 2)
        return kDefaultWindowDays;
    const std::int64_t days = args.integer(1);
    if (days < 0 || days > kMaxWindowDays)
        throw ArgumentError("O prazo de getConciliacaoExtrato deve ter de 0 a " +
                            std::to_string(kMaxWindowDays) + " dias; recebeu " +
                            std::to_string(days) + ".");
    return static_cast<int>(days);
}

// At most `width` characters of the text (UTF-8).
std::string_view cut(std::string_view text, std::size_t width) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == width)
            return text.substr(0, i);
    }
    return text;
}

std::string statementReconciliation(storage::Database& db, const Args& args) {
    const int window = windowDays(args);
    bankreturn::Statement statement;
    try {
        statement = bankreturn::readStatement(fileText(args));
    } catch (const bankreturn::ReturnFileError& e) {
        throw MethodError(std::string("Extrato recusado; nada foi lido. ") + e.what());
    }

    std::unordered_set<NumberKey, NumberKeyHash> named;
    std::unordered_set<std::int64_t> amounts;
    std::vector<std::vector<NumberKey>> keys(statement.entries.size());
    std::int64_t firstDay = std::numeric_limits<std::int64_t>::max();
    std::int64_t lastDay = std::numeric_limits<std::int64_t>::min();
    for (std::size_t i = 0; i < statement.entries.size(); ++i) {
        const StatementEntry& e = statement.entries[i];
        if (e.amountCents <= 0)
            continue;
        keys[i] = keysOf(e);
        named.insert(keys[i].begin(), keys[i].end());
        amounts.insert(e.amountCents);
        firstDay = std::min(firstDay, dayOf(e.date) - window);
        lastDay = std::max(lastDay, dayOf(e.date));
    }
    Orders orders = amounts.empty() ? Orders{} : db.read([&](storage::Session& s) {
        return loadOrders(s, named, amounts, firstDay, lastDay);
    });

    dataset::DataPacket answer(records::fieldDefs(records::kStatementResult));
    const auto column = [&](std::string_view name) -> dataset::Column& {
        return answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
    };
    dataset::Column &date = column("DTLANCAMENTO"), &amount = column("VRLANCAMENTO"),
                    &id = column("IDLANCAMENTO"), &description = column("DSLANCAMENTO"),
                    &payer = column("NMPAGADOR"), &document = column("NRDOCPAGADOR"),
                    &txid = column("TXID"), &letter = column("IDRESULTADO"),
                    &number = column("NRPEDCRECONS"), &client = column("CDCLIENTE"),
                    &consumer = column("CDCONSUMIDOR"), &value = column("VRPEDCRECONS"),
                    &candidates = column("NRCANDIDATOS"), &text = column("DSRESULTADO");
    Matcher matcher(orders, window);
    for (std::size_t i = 0; i < statement.entries.size(); ++i) {
        const StatementEntry& e = statement.entries[i];
        const Outcome outcome = matcher.match(e, keys[i]);
        date.appendDateTime(e.date);
        amount.appendDouble(storage::fromCents(e.amountCents));
        id.appendText(cut(e.id, 60));
        description.appendText(cut(e.description, 100));
        payer.appendText(cut(e.payerName, 60));
        document.appendText(cut(e.payerDocument, 14));
        txid.appendText(cut(e.txid, 35));
        letter.appendText(std::string_view(&outcome.letter, 1));
        if (outcome.order) {
            number.appendText(orders.number(*outcome.order));
            client.appendText(orders.client(*outcome.order));
            consumer.appendText(orders.consumer(*outcome.order));
            value.appendDouble(storage::fromCents(outcome.order->cents));
        } else {
            number.appendText({});
            client.appendNull();
            consumer.appendNull();
            value.appendNull();
        }
        candidates.appendInteger(outcome.candidates);
        text.appendText(cut(outcome.text(), 120));
    }
    return dataset::encodePacket(answer);
}

}  // namespace

void addStatementMethod(MethodTable& table, storage::Database& db) {
    table.add("getConciliacaoExtrato", [&db](const Args& args, const CallContext&) {
        return statementReconciliation(db, args);
    });
}

}  // namespace confcred::server::methods
