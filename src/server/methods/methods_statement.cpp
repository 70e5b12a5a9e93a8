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

// Order numbers and slips named in an entry: runs of digits, leading zeros
// off. A txid is the charge's own identifier, so shorter runs count there
// than in free text, where dates, agencies and amounts also have digits.
void namedKeys(std::string_view text, std::size_t minDigits, std::vector<std::string>& out) {
    std::string run;
    const auto flush = [&] {
        const std::size_t first = run.find_first_not_of('0');
        if (first != std::string::npos && run.size() - first >= minDigits)
            out.push_back(run.substr(first));
        run.clear();
    };
    for (char c : text) {
        if (c >= '0' && c <= '9')
            run += c;
        else
            flush();
    }
    flush();
}

std::vector<std::string> keysOf(const StatementEntry& e) {
    std::vector<std::string> keys;
    namedKeys(e.txid, 3, keys);
    namedKeys(e.id, 5, keys);
    namedKeys(e.description, 5, keys);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
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

struct Order {
    std::string number, client, consumer;
    std::string date;  // YYYY-MM-DD
    char situation = 'N';
    std::int64_t cents = 0;
    std::string responsibleDocument, clientDocument;                 // digits
    std::vector<std::string> responsible, consumerName, clientName;  // name words
    int claimedLine = 0;  // the line of the entry that matched it (M or P), 0: none
};

struct Orders {
    std::vector<Order> all;
    std::unordered_map<std::string, std::vector<int>> byKey;  // number or slip digits
    // Pending orders by amount, each list by date.
    std::unordered_map<std::int64_t, std::vector<int>> pendingByAmount;
};

std::string digitsOnly(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9')
            d += c;
    return d;
}

// One pass over the orders, keeping those an entry names and the pending
// ones whose amount and date some credit could have paid.
Orders loadOrders(storage::Session& s, const std::unordered_set<std::string>& named,
                  const std::unordered_set<std::int64_t>& amounts, const std::string& firstDate,
                  const std::string& lastDate) {
    Orders orders;
    std::string numberKey, slipKey;
    s.query(
        "SELECT P.NRPEDCRECONS, P.NRBOLETO, P.CDCLIENTE, P.CDCONSUMIDOR, P.VRPEDCRECONS_CENT,"
        " P.IDPEDCREEXTR, P.DTPEDCRECONS, C.NMCONSUMIDOR, C.NMRESPCONS, C.NRDOCRESPCONS,"
        " L.NMRAZSOCCLIE, L.NRINSJURCLIE"
        " FROM PEDCREDCONS P"
        " JOIN CONSUMIDOR C ON C.CDCLIENTE = P.CDCLIENTE AND C.CDCONSUMIDOR = P.CDCONSUMIDOR"
        " JOIN CLIENTE L ON L.CDCLIENTE = P.CDCLIENTE",
        {}, [&](const storage::Row& r) {
            bankreturn::slipDigits(r.text(0), numberKey);
            bankreturn::slipDigits(r.text(1), slipKey);
            const bool byNumber = !numberKey.empty() && named.count(numberKey);
            const bool bySlip = !slipKey.empty() && named.count(slipKey);
            const std::string_view situation = r.text(5);
            const std::string_view date = r.text(6).substr(0, 10);
            const std::int64_t cents = r.integer(4);
            const bool pending = situation == "N";
            const bool candidate =
                pending && amounts.count(cents) && date >= firstDate && date <= lastDate;
            if (!byNumber && !bySlip && !candidate)
                return;
            const int at = static_cast<int>(orders.all.size());
            Order& o = orders.all.emplace_back();
            o.number = std::string(r.text(0));
            o.client = std::string(r.text(2));
            o.consumer = std::string(r.text(3));
            o.date = std::string(date);
            o.situation = situation.empty() ? 'N' : situation[0];
            o.cents = cents;
            o.consumerName = nameWords(r.text(7));
            o.responsible = nameWords(r.text(8));
            o.responsibleDocument = digitsOnly(r.text(9));
            o.clientName = nameWords(r.text(10));
            o.clientDocument = digitsOnly(r.text(11));
            if (byNumber)
                orders.byKey[numberKey].push_back(at);
            if (bySlip && slipKey != numberKey)
                orders.byKey[slipKey].push_back(at);
            if (candidate)
                orders.pendingByAmount[cents].push_back(at);
        });
    for (auto& [cents, list] : orders.pendingByAmount)
        std::sort(list.begin(), list.end(), [&](int a, int b) {
            return orders.all[static_cast<std::size_t>(a)].date <
                   orders.all[static_cast<std::size_t>(b)].date;
        });
    return orders;
}

// The payer is the order's responsible person, consumer or client: by
// document where both sides have one, else by name.
bool paidBy(const Order& o, const std::string& payerDocument,
            const std::vector<std::string>& payerWords) {
    if (!payerDocument.empty()) {
        if (payerDocument == o.responsibleDocument || payerDocument == o.clientDocument)
            return true;
        if (!o.responsibleDocument.empty())
            return false;  // another person's document
    }
    return namesPerson(payerWords, o.responsible) || namesPerson(payerWords, o.consumerName) ||
           namesPerson(payerWords, o.clientName);
}

struct Outcome {
    char letter = 'X';
    const Order* order = nullptr;
    std::int64_t candidates = 0;
    std::string text;
};

std::string money(std::int64_t cents) {
    return platform::formatMoney(cents);
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class Matcher {
  public:
    Matcher(Orders& orders, int windowDays) : orders_(orders), windowDays_(windowDays) {}

    Outcome match(const StatementEntry& e) {
        if (e.amountCents <= 0)
            return {'O', nullptr, 0, "Não é um crédito; nada a conciliar."};
        if (const int earlier = repeatedAt(e))
            return {'D', nullptr, 0,
                    "Lançamento repetido da linha " + std::to_string(earlier) +
                        " deste arquivo; não conciliado outra vez."};
        if (auto named = namedOrder(e))
            return *named;
        return byPayer(e);
    }

  private:
    // The same entry earlier in the file: the same identifier, date and
    // amount; an identifier that says nothing ("", "0") also needs the same
    // texts.
    int repeatedAt(const StatementEntry& e) {
        const bool meaningful = e.id.find_first_not_of("0 ") != std::string::npos;
        std::string key = e.id + '\x1f' + e.date.toIso() + '\x1f' + std::to_string(e.amountCents);
        if (!meaningful)
            key += '\x1f' + e.description + '\x1f' + e.payerName + '\x1f' + e.payerDocument;
        const auto [it, inserted] = seen_.emplace(std::move(key), e.line);
        return inserted ? 0 : it->second;
    }

    std::optional<Outcome> namedOrder(const StatementEntry& e) {
        Order* best = nullptr;
        for (const std::string& key : keysOf(e)) {
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
            return Outcome{'V', &o, 0,
                           "Valor do lançamento " + money(e.amountCents) +
                               " difere do valor do pedido citado " + money(o.cents) +
                               "; confira antes de efetivar."};
        if (o.claimedLine != 0)
            return Outcome{'D', &o, 0,
                           "O pedido citado já foi conciliado pelo lançamento da linha " +
                               std::to_string(o.claimedLine) + "; não conciliado outra vez."};
        o.claimedLine = e.line;
        return Outcome{'M', &o, 0, "Pedido pendente citado no lançamento, com o mesmo valor."};
    }

    // Among the orders an entry names: pending with its amount, pending, then
    // effected, then cancelled; then the lowest number.
    static std::pair<int, std::string_view> rank(const Order& o, const StatementEntry& e) {
        const int state = o.situation == 'N'   ? (o.cents == e.amountCents ? 0 : 1)
                          : o.situation == 'S' ? 2
                                               : 3;
        return {state, o.number};
    }

    Outcome byPayer(const StatementEntry& e) {
        const auto it = orders_.pendingByAmount.find(e.amountCents);
        std::vector<Order*> candidates;
        if (it != orders_.pendingByAmount.end()) {
            const std::string last = e.date.datePart().toIso().substr(0, 10);
            const std::string first = e.date.addDays(-windowDays_).toIso().substr(0, 10);
            for (int at : it->second) {
                Order& o = orders_.all[static_cast<std::size_t>(at)];
                if (o.date > last)
                    break;
                if (o.date >= first && o.claimedLine == 0)
                    candidates.push_back(&o);
            }
        }
        if (candidates.empty())
            return {'X', nullptr, 0,
                    "Nenhum pedido pendente com este valor nos " + std::to_string(windowDays_) +
                        " dias até o crédito."};
        const std::size_t count = candidates.size();
        const std::string payerText = e.payerName.empty() ? e.description : e.payerName;
        if (e.payerDocument.empty() && payerText.empty())
            return {'A', nullptr, static_cast<std::int64_t>(count),
                    plural(count, "pedido pendente", "pedidos pendentes") +
                        " com este valor; o lançamento não nomeia o pagador. Não marcado."};
        if (count > kMaxCandidates)
            return {'A', nullptr, static_cast<std::int64_t>(count),
                    std::to_string(count) +
                        " pedidos pendentes com este valor; confira pelo pagador. Não marcado."};
        const std::vector<std::string> payerWords = nameWords(payerText);
        Order* paid = nullptr;
        std::size_t matches = 0;
        for (Order* o : candidates) {
            if (paidBy(*o, e.payerDocument, payerWords)) {
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
        return {'A', nullptr, static_cast<std::int64_t>(count),
                plural(count, "pedido pendente", "pedidos pendentes") + " com este valor; " +
                    (matches == 0 ? std::string("nenhum é do pagador")
                                  : std::to_string(matches) + " são do pagador") +
                    ". Não marcado."};
    }

    Orders& orders_;
    int windowDays_;
    std::unordered_map<std::string, int> seen_;
};

std::string_view fileText(const Args& args) {
    if (args.size() < 1 || args.size() > 2)
        args.expectCount(1);
    const auto& packet = args.packet(0);
    const int field = packet.fieldIndex("ARQUIVO");
    if (field < 0 || !packet.column(static_cast<std::size_t>(field)).isText())
        throw ArgumentError("O pacote de getConciliacaoExtrato deve ter o campo de texto ARQUIVO.");
    if (packet.rowCount() != 1)
        throw ArgumentError(
            "O pacote de getConciliacaoExtrato deve ter exatamente uma linha com o texto do "
            "extrato; recebeu " +
            std::to_string(packet.rowCount()) + ".");
    return packet.column(static_cast<std::size_t>(field)).textAt(0);
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

    std::unordered_set<std::string> named;
    std::unordered_set<std::int64_t> amounts;
    std::string firstDate, lastDate;
    for (const StatementEntry& e : statement.entries) {
        if (e.amountCents <= 0)
            continue;
        for (std::string& key : keysOf(e))
            named.insert(std::move(key));
        amounts.insert(e.amountCents);
        const std::string from = e.date.addDays(-window).toIso().substr(0, 10);
        const std::string to = e.date.toIso().substr(0, 10);
        if (firstDate.empty() || from < firstDate)
            firstDate = from;
        if (lastDate.empty() || to > lastDate)
            lastDate = to;
    }
    Orders orders = amounts.empty() ? Orders{} : db.read([&](storage::Session& s) {
        return loadOrders(s, named, amounts, firstDate, lastDate);
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
    for (const StatementEntry& e : statement.entries) {
        const Outcome outcome = matcher.match(e);
        date.appendDateTime(e.date);
        amount.appendDouble(storage::fromCents(e.amountCents));
        id.appendText(cut(e.id, 60));
        description.appendText(cut(e.description, 100));
        payer.appendText(cut(e.payerName, 60));
        document.appendText(cut(e.payerDocument, 14));
        txid.appendText(cut(e.txid, 35));
        letter.appendText(std::string_view(&outcome.letter, 1));
        if (outcome.order) {
            number.appendText(outcome.order->number);
            client.appendText(outcome.order->client);
            consumer.appendText(outcome.order->consumer);
            value.appendDouble(storage::fromCents(outcome.order->cents));
        } else {
            number.appendText({});
            client.appendNull();
            consumer.appendNull();
            value.appendNull();
        }
        candidates.appendInteger(outcome.candidates);
        text.appendText(cut(outcome.text, 120));
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
