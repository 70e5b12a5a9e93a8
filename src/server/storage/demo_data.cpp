#include "server/storage/demo_data.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/schema.h"
#include "server/storage/stored_values.h"
#include "server/storage/text_fold.h"

namespace confcred::server::storage {

namespace {

// Own generator, so the same seed gives the same data everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[next() % N];
    }

  private:
    std::uint64_t state_;
};

struct DemoClient {
    const char* code;
    const char* registration;  // first 12 (CNPJ) or 9 (CPF) digits
    const char* name;
    const char* branches;  // codes of the branches, one character each
};

constexpr std::array<DemoClient, 6> kClients = {{
    {"CLI001", "112223330001", "Colégio Santa Mônica Ltda", "1"},
    {"CLI002", "457891230001", "Escola Viva Educação Infantil S.A.", "1"},
    {"CLI003", "603214870001", "Restaurante Sabor da Serra Ltda", "12"},
    {"CLI004", "781456920001", "Instituto Educacional São Lucas", "2"},
    {"CLI005", "123456789", "Maria Aparecida Gonçalves", "2"},
    {"CLI006", "335577990001", "Cantina Bom Apetite Eireli", "1"},
}};

constexpr std::array<std::pair<const char*, const char*>, 4> kFamilies = {{
    {"ALI", "Alimentação"},
    {"BEB", "Bebidas"},
    {"LAN", "Lanches"},
    {"PAP", "Papelaria"},
}};

constexpr std::array<const char*, 24> kFirstNames = {
    "Ana",     "Bruno",   "Camila", "Diego", "Eduarda",  "Felipe", "Gabriela", "Heitor",
    "Isabela", "João",    "Júlia",  "Lucas", "Mariana",  "Mateus", "Nicole",   "Otávio",
    "Pedro",   "Rafaela", "Samuel", "Tainá", "Vinícius", "Yasmin", "Lívia",    "Caio"};
constexpr std::array<const char*, 20> kSurnames = {
    "Silva",     "Santos",  "Oliveira", "Souza",      "Rodrigues", "Ferreira", "Alves",
    "Pereira",   "Lima",    "Gomes",    "Ribeiro",    "Carvalho",  "Araújo",   "Rocha",
    "Conceição", "Barbosa", "Cardoso",  "Nascimento", "Magalhães", "Brandão"};
constexpr std::array<const char*, 12> kParentNames = {"Adriana", "Marcelo",  "Patrícia", "Roberto",
                                                      "Cláudia", "Fernando", "Luciana",  "Sérgio",
                                                      "Simone",  "André",    "Renata",   "Márcio"};
constexpr std::array<const char*, 8> kDescriptions = {
    "Crédito mensal",    "Recarga cantina", "Crédito avulso",  "Mensalidade alimentação",
    "Recarga papelaria", "Ajuste de saldo", "Crédito semanal", "Bônus de fidelidade"};
constexpr std::array<const char*, 3> kDebitDescriptions = {"Estorno de lanche", "Débito avulso",
                                                           "Ajuste de saldo (débito)"};

constexpr int kConsumersPerClient = 7;

std::string digitsWithCheck(std::string digits, const std::vector<int>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * weights[weights.size() - digits.size() + i];
    const int rest = sum % 11;
    digits += static_cast<char>('0' + (rest < 2 ? 0 : 11 - rest));
    return digits;
}

void seedBase(Session& s) {
    for (const auto& f : kFamilies)
        s.execute("INSERT INTO FAMILIASALDO (CDFAMILISALD, NMFAMILISALD) VALUES (?, ?)",
                  {std::string_view(f.first), std::string_view(f.second)});
    Random random(20261207);
    int consumerNumber = 0;
    for (const auto& c : kClients) {
        const std::string registration = withCheckDigits(c.registration);
        s.execute(
            "INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, NMRAZSOCCLIE) VALUES (?, ?, ?)",
            {std::string_view(c.code), std::string_view(registration), std::string_view(c.name)});
        for (const char* b = c.branches; *b; ++b)
            s.execute("INSERT INTO CLIENFILIAL (CDFILIAL, CDCLIENTE) VALUES (?, ?)",
                      {std::string_view(b, 1), std::string_view(c.code)});
        for (int i = 0; i < kConsumersPerClient; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "CONS%04d", ++consumerNumber);
            const std::string surname = random.pick(kSurnames);
            std::string middle = random.pick(kSurnames);
            while (middle == surname)
                middle = random.pick(kSurnames);
            const std::string name =
                std::string(random.pick(kFirstNames)) + " " + middle + " " + surname;
            const std::string parent = std::string(random.pick(kParentNames)) + " " + surname;
            // The parent's CPF, from the consumer's number (not from the
            // random sequence, which the names above keep as they were).
            char cpfBase[16];
            std::snprintf(cpfBase, sizeof cpfBase, "3%08d", consumerNumber * 7919 % 100'000'000);
            const std::string cpf = withCheckDigits(cpfBase);
            s.execute(
                "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NMRESPCONS,"
                " NRDOCRESPCONS) VALUES (?, ?, ?, ?, ?)",
                {std::string_view(c.code), std::string_view(code), std::string_view(name),
                 std::string_view(parent), std::string_view(cpf)});
        }
    }
}

bool hasClients(Session& s) {
    bool any = false;
    s.query("SELECT 1 FROM CLIENTE LIMIT 1", {}, [&](const Row&) { any = true; });
    return any;
}

struct OrderPlan {
    int count;
    int daysBack;  // dates from today - daysBack to today + daysAhead
    int daysAhead;
    int todayPending;  // the first orders: today and pending
};

// Inserts the orders with multi-row statements, then the balances and the
// ledger of those that are effected, and the ledger of the cancelled ones.
void insertOrders(Session& s, const OrderPlan& plan, Random& random) {
    struct Consumer {
        std::string client, consumer, branch;
    };
    std::vector<Consumer> consumers;
    s.query(
        "SELECT C.CDCLIENTE, C.CDCONSUMIDOR, (SELECT COALESCE(MIN(F.CDFILIAL), '') FROM "
        "CLIENFILIAL F"
        " WHERE F.CDCLIENTE = C.CDCLIENTE) FROM CONSUMIDOR C ORDER BY C.CDCLIENTE, C.CDCONSUMIDOR",
        {}, [&](const Row& r) {
            consumers.push_back(
                {std::string(r.text(0)), std::string(r.text(1)), std::string(r.text(2))});
        });
    std::vector<std::string> families;
    s.query("SELECT CDFAMILISALD FROM FAMILIASALDO ORDER BY CDFAMILISALD", {},
            [&](const Row& r) { families.emplace_back(r.text(0)); });
    if (consumers.empty() || families.empty() || plan.count <= 0)
        return;

    std::int64_t last = 0;
    s.query(
        "UPDATE CONTADOR SET VRCONTADOR = VRCONTADOR + ? WHERE NMCONTADOR = 'PEDCREDCONS'"
        " RETURNING VRCONTADOR",
        {std::int64_t{plan.count}}, [&](const Row& r) { last = r.integer(0); });
    const std::int64_t first = last - plan.count + 1;
    const platform::DateTime today = platform::now().datePart();

    constexpr std::size_t kBatch = 400;
    struct Order {
        std::string number, boleto, when, description, folded;
        const Consumer* who;
        char situation, accounted;
        std::int64_t total = 0;
        std::vector<std::pair<std::string, std::int64_t>> families;
    };
    std::vector<Order> batch;
    std::vector<SqlValue> params;
    const auto flush = [&](std::int64_t batchFirst) {
        if (batch.empty())
            return;
        std::string sql =
            "INSERT INTO PEDCREDCONS (IDPEDCREDCONS, NRPEDCRECONS, CDFILIAL, CDCLIENTE,"
            " CDCONSUMIDOR, NRBOLETO, IDPEDCREEXTR, IDPEDCRECONT, VRPEDCRECONS_CENT, DTPEDCRECONS,"
            " DSSITCREBANC, DSSITCREBANC_BUSCA, NRBOLETO_CANON) VALUES ";
        params.clear();
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const Order& o = batch[i];
            sql += i ? ", " : "";
            sql += std::string("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ") + kCanonicalSlipSql + ")";
            params.insert(params.end(),
                          {batchFirst + static_cast<std::int64_t>(i), std::string_view(o.number),
                           std::string_view(o.who->branch), std::string_view(o.who->client),
                           std::string_view(o.who->consumer), std::string_view(o.boleto),
                           std::string_view(&o.situation, 1), std::string_view(&o.accounted, 1),
                           o.total, std::string_view(o.when), std::string_view(o.description),
                           std::string_view(o.folded), std::string_view(o.boleto)});
        }
        s.execute(sql, params);
        sql = "INSERT INTO PEDCREDFAMI (IDPEDCREDCONS, CDFAMILISALD, VRPEDCREFAMI_CENT) VALUES ";
        params.clear();
        for (std::size_t i = 0; i < batch.size(); ++i)
            for (const auto& [family, cents] : batch[i].families) {
                sql += params.empty() ? "(?, ?, ?)" : ", (?, ?, ?)";
                params.insert(params.end(), {batchFirst + static_cast<std::int64_t>(i),
                                             std::string_view(family), cents});
            }
        s.execute(sql, params);
        batch.clear();
    };

    std::int64_t batchFirst = first;
    for (int i = 0; i < plan.count; ++i) {
        Order o;
        const std::int64_t id = first + i;
        const std::string digits = std::to_string(id);
        o.number = std::string(20 - digits.size(), '0') + digits;
        o.boleto =
            "2026" + std::string(12 - std::min<std::size_t>(12, digits.size()), '0') + digits;
        o.who = &consumers[random.next() % consumers.size()];
        const bool isToday = i < plan.todayPending;
        const std::int64_t day = isToday ? 0 : random.between(-plan.daysBack, plan.daysAhead);
        const std::int64_t ms = random.between(7 * 3600, 19 * 3600) * 1000;
        o.when = storedDateTime(today.addDays(day).addMs(ms));
        const std::int64_t roll = random.between(0, 99);
        o.situation = isToday ? 'N' : roll < 55 ? 'N' : roll < 85 ? 'S' : 'C';
        o.accounted = o.situation == 'S' && random.between(0, 1) ? 'S' : 'N';
        const bool debit = random.between(0, 9) == 0;
        o.description = debit ? random.pick(kDebitDescriptions) : random.pick(kDescriptions);
        o.folded = foldForSearch(o.description);
        const std::size_t familyCount =
            static_cast<std::size_t>(random.between(1, std::min<std::int64_t>(3, families.size())));
        const std::size_t start = random.next() % families.size();
        for (std::size_t f = 0; f < familyCount; ++f) {
            const std::int64_t cents = random.between(5, 300) * 100 + random.between(0, 1) * 50;
            o.families.emplace_back(families[(start + f) % families.size()],
                                    debit ? -cents : cents);
            o.total += debit ? -cents : cents;
        }
        // Family rows in code order, as the lists show them.
        std::sort(o.families.begin(), o.families.end());
        batch.push_back(std::move(o));
        if (batch.size() == kBatch) {
            flush(batchFirst);
            batchFirst = first + i + 1;
        }
    }
    flush(batchFirst);

    // The ledger of the effected and cancelled orders, appended to its chain.
    std::vector<ledger::LedgerEntry> entries;
    const auto entry = [](const Row& r, const char* operation) {
        ledger::LedgerEntry e;
        e.when = std::string(r.text(0));
        e.operatorName = "demonstração";
        e.orderId = r.integer(1);
        e.orderNumber = std::string(r.text(2));
        e.operation = operation;
        e.client = std::string(r.text(3));
        e.consumer = std::string(r.text(4));
        if (!r.isNull(5))
            e.family = std::string(r.text(5));
        e.cents = r.integer(6);
        return e;
    };
    s.query(
        "SELECT P.DTPEDCRECONS, P.IDPEDCREDCONS, P.NRPEDCRECONS, P.CDCLIENTE, P.CDCONSUMIDOR,"
        " F.CDFAMILISALD, F.VRPEDCREFAMI_CENT"
        " FROM PEDCREDCONS P JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"
        " WHERE P.IDPEDCREDCONS >= ? AND P.IDPEDCREEXTR = 'S'"
        " ORDER BY P.IDPEDCREDCONS, F.CDFAMILISALD",
        {first}, [&](const Row& r) { entries.push_back(entry(r, "EFETIVA")); });
    s.query(
        "SELECT P.DTPEDCRECONS, P.IDPEDCREDCONS, P.NRPEDCRECONS, P.CDCLIENTE, P.CDCONSUMIDOR,"
        " NULL, 0 FROM PEDCREDCONS P"
        " WHERE P.IDPEDCREDCONS >= ? AND P.IDPEDCREEXTR = 'C' ORDER BY P.IDPEDCREDCONS",
        {first}, [&](const Row& r) { entries.push_back(entry(r, "CANCELA")); });
    ledger::appendLedger(s, entries);
    s.execute(
        "INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT)"
        " SELECT P.CDCLIENTE, P.CDCONSUMIDOR, F.CDFAMILISALD, SUM(F.VRPEDCREFAMI_CENT)"
        " FROM PEDCREDCONS P JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"
        " WHERE P.IDPEDCREDCONS >= ? AND P.IDPEDCREEXTR = 'S'"
        " GROUP BY P.CDCLIENTE, P.CDCONSUMIDOR, F.CDFAMILISALD"
        " ORDER BY P.CDCLIENTE, P.CDCONSUMIDOR, F.CDFAMILISALD"
        " ON CONFLICT (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)"
        " DO UPDATE SET VRSALDO_CENT = SALDOCONS.VRSALDO_CENT + excluded.VRSALDO_CENT",
        {first});
}

// The orders of whole days, written straight from memory: orders and families
// in statements of a few hundred rows, the ledger through its chain, the
// balances once per transaction.
class HistoryWriter {
  public:
    HistoryWriter(Session& s, unsigned seed) : s_(s), seed_(seed) {
        s_.query(
            "SELECT C.CDCLIENTE, C.CDCONSUMIDOR, (SELECT COALESCE(MIN(F.CDFILIAL), '') FROM"
            " CLIENFILIAL F WHERE F.CDCLIENTE = C.CDCLIENTE) FROM CONSUMIDOR C"
            " ORDER BY C.CDCLIENTE, C.CDCONSUMIDOR",
            {}, [&](const Row& r) {
                consumers_.push_back(
                    {std::string(r.text(0)), std::string(r.text(1)), std::string(r.text(2))});
            });
        s_.query("SELECT CDFAMILISALD FROM FAMILIASALDO ORDER BY CDFAMILISALD", {},
                 [&](const Row& r) { families_.emplace_back(r.text(0)); });
        for (const char* d : kDescriptions)
            folded_.emplace_back(d, foldForSearch(d));
        for (const char* d : kDebitDescriptions)
            debitFolded_.emplace_back(d, foldForSearch(d));
    }

    // Writes day `day` (0: today, -1: yesterday, ...) with `count` orders.
    void day(std::int64_t day, int count, const platform::DateTime& today) {
        if (consumers_.empty() || families_.empty() || count <= 0)
            return;
        const platform::DateTime date = today.addDays(day);
        const std::int64_t dayNumber =
            (date.msSinceEpoch() - platform::DateTime::fromParts(2000, 1, 1).msSinceEpoch()) /
            platform::DateTime::kMsPerDay;
        Random random(seed_ * 0x100000001B3ull + static_cast<std::uint64_t>(dayNumber + 1000000));
        std::int64_t last = 0;
        s_.query(
            "UPDATE CONTADOR SET VRCONTADOR = VRCONTADOR + ? WHERE NMCONTADOR = 'PEDCREDCONS'"
            " RETURNING VRCONTADOR",
            {std::int64_t{count}}, [&](const Row& r) { last = r.integer(0); });
        const std::int64_t first = last - count + 1;
        // Times of the day in order, so the ledger's dates grow with its keys.
        std::vector<std::int64_t> times(static_cast<std::size_t>(count));
        for (auto& t : times)
            t = random.between(7 * 3600, 19 * 3600) * 1000 + random.between(0, 999);
        std::sort(times.begin(), times.end());
        for (int i = 0; i < count; ++i) {
            Order o;
            o.id = first + i;
            o.when = storedDateTime(date.addMs(times[static_cast<std::size_t>(i)]));
            o.who = &consumers_[random.next() % consumers_.size()];
            const std::int64_t roll = random.between(0, 99);
            if (day == 0)
                o.situation = roll < 80 ? 'N' : roll < 95 ? 'S' : 'C';
            else
                o.situation = roll < 15 ? 'N' : roll < 88 ? 'S' : 'C';
            o.undone = o.situation == 'N' && random.between(0, 9) == 0;
            o.accounted = o.situation == 'S' && day < -2 && random.between(0, 2) > 0 ? 'S' : 'N';
            const bool debit = random.between(0, 19) == 0;
            o.description = debit ? &debitFolded_[random.next() % debitFolded_.size()]
                                  : &folded_[random.next() % folded_.size()];
            const std::size_t familyCount = static_cast<std::size_t>(
                random.between(1, std::min<std::int64_t>(3, families_.size())));
            const std::size_t start = random.next() % families_.size();
            for (std::size_t f = 0; f < familyCount; ++f) {
                const std::int64_t cents = random.between(5, 300) * 100 + random.between(0, 1) * 50;
                o.families.emplace_back(&families_[(start + f) % families_.size()],
                                        debit ? -cents : cents);
                o.total += debit ? -cents : cents;
            }
            std::sort(o.families.begin(), o.families.end(),
                      [](const auto& a, const auto& b) { return *a.first < *b.first; });
            batch_.push_back(std::move(o));
            if (batch_.size() == kRows)
                flush();
        }
        flush();
        ledger::appendLedger(s_, ledger_);
        ledger_.clear();
        orders_ += count;
    }

    // The balances the transaction's orders moved.
    void finish() {
        for (const auto& [key, cents] : balances_)
            s_.execute(
                "INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT)"
                " VALUES (?, ?, ?, ?) ON CONFLICT (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)"
                " DO UPDATE SET VRSALDO_CENT = SALDOCONS.VRSALDO_CENT + excluded.VRSALDO_CENT",
                {std::string_view(std::get<0>(key)), std::string_view(std::get<1>(key)),
                 std::string_view(std::get<2>(key)), cents});
        balances_.clear();
    }

    std::int64_t orders() const { return orders_; }

  private:
    static constexpr std::size_t kRows = 400;
    struct Consumer {
        std::string client, consumer, branch;
    };
    struct Order {
        std::int64_t id = 0;
        std::string when;
        const Consumer* who = nullptr;
        char situation = 'N', accounted = 'N';
        bool undone = false;
        const std::pair<std::string, std::string>* description = nullptr;
        std::int64_t total = 0;
        std::vector<std::pair<const std::string*, std::int64_t>> families;
    };

    void flush() {
        if (batch_.empty())
            return;
        std::string sql =
            "INSERT INTO PEDCREDCONS (IDPEDCREDCONS, NRPEDCRECONS, CDFILIAL, CDCLIENTE,"
            " CDCONSUMIDOR, NRBOLETO, IDPEDCREEXTR, IDPEDCRECONT, VRPEDCRECONS_CENT, DTPEDCRECONS,"
            " DSSITCREBANC, DSSITCREBANC_BUSCA, NRBOLETO_CANON) VALUES ";
        texts_.clear();
        texts_.reserve(batch_.size() * 2);
        params_.clear();
        for (std::size_t i = 0; i < batch_.size(); ++i) {
            const Order& o = batch_[i];
            sql += i ? ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                     : "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
            const std::string digits = std::to_string(o.id);
            texts_.push_back(std::string(20 - digits.size(), '0') + digits);
            // The slip: "9" and the order's key, already canonical.
            texts_.push_back("9" + std::string(12 - std::min<std::size_t>(12, digits.size()), '0') +
                             digits);
            const std::string& number = texts_[texts_.size() - 2];
            const std::string& slip = texts_.back();
            params_.insert(params_.end(),
                           {o.id, std::string_view(number), std::string_view(o.who->branch),
                            std::string_view(o.who->client), std::string_view(o.who->consumer),
                            std::string_view(slip), std::string_view(&o.situation, 1),
                            std::string_view(&o.accounted, 1), o.total, std::string_view(o.when),
                            std::string_view(o.description->first),
                            std::string_view(o.description->second), std::string_view(slip)});
        }
        s_.execute(sql, params_);
        sql = "INSERT INTO PEDCREDFAMI (IDPEDCREDCONS, CDFAMILISALD, VRPEDCREFAMI_CENT) VALUES ";
        params_.clear();
        for (const Order& o : batch_)
            for (const auto& [family, cents] : o.families) {
                sql += params_.empty() ? "(?, ?, ?)" : ", (?, ?, ?)";
                params_.insert(params_.end(), {o.id, std::string_view(*family), cents});
            }
        s_.execute(sql, params_);
        for (std::size_t i = 0; i < batch_.size(); ++i)
            addLedger(batch_[i], texts_[2 * i]);
        batch_.clear();
    }

    void addLedger(const Order& o, const std::string& number) {
        const auto entry = [&](const char* operation, const std::string* family,
                               std::int64_t cents) {
            ledger::LedgerEntry e;
            e.when = o.when;
            e.operatorName = "demonstração";
            e.orderId = o.id;
            e.orderNumber = number;
            e.operation = operation;
            e.client = o.who->client;
            e.consumer = o.who->consumer;
            if (family)
                e.family = *family;
            e.cents = cents;
            ledger_.push_back(std::move(e));
        };
        if (o.situation == 'S' || o.undone) {
            for (const auto& [family, cents] : o.families) {
                entry("EFETIVA", family, cents);
                if (o.situation == 'S')
                    balances_[{o.who->client, o.who->consumer, *family}] += cents;
            }
            if (o.undone)
                for (const auto& [family, cents] : o.families)
                    entry("DESFAZ_EFETIVA", family, -cents);
        } else if (o.situation == 'C') {
            entry("CANCELA", nullptr, 0);
        }
    }

    Session& s_;
    unsigned seed_;
    std::vector<Consumer> consumers_;
    std::vector<std::string> families_;
    std::vector<std::pair<std::string, std::string>> folded_, debitFolded_;
    std::vector<Order> batch_;
    std::vector<std::string> texts_;
    std::vector<SqlValue> params_;
    std::vector<ledger::LedgerEntry> ledger_;
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> balances_;
    std::int64_t orders_ = 0;
};

}  // namespace

std::string withCheckDigits(const std::string& base) {
    if (base.size() == 9) {
        const std::vector<int> weights = {11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
        return digitsWithCheck(digitsWithCheck(base, weights), weights);
    }
    const std::vector<int> weights = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    return digitsWithCheck(digitsWithCheck(base, weights), weights);
}

void seedDemoData(Session& s) {
    if (hasClients(s))
        return;
    seedBase(s);
    Random random(7122026);
    insertOrders(s, {300, 20, 2, 12}, random);
}

void seedDemoData(Database& db) {
    db.write([](Session& s) {
        lockForSetup(s);
        seedDemoData(s);
    });
}

void seedOrders(Database& db, int n, unsigned seed) {
    db.write([&](Session& s) {
        // Servers started together with --seed-orders on a new database: the
        // first adds the clients, the others wait for it and find them.
        lockForSetup(s);
        if (!hasClients(s))
            seedBase(s);
        Random random(seed);
        insertOrders(s, {n, 30, 0, 0}, random);
        s.executeScript("ANALYZE");
    });
}

namespace {

// The indexes of the order and ledger tables that no constraint needs, as
// the database states them: a history written into empty tables goes faster
// with them built once at the end.
std::vector<std::string> looseIndexes(Session& s) {
    std::vector<std::string> ddl;
    if (s.backend() == Backend::Sqlite)
        s.query(
            "SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL AND tbl_name"
            " IN ('PEDCREDCONS', 'PEDCREDFAMI', 'LANCSALDO') ORDER BY name",
            {}, [&](const Row& r) { ddl.emplace_back(r.text(0)); });
    else
        s.query(
            "SELECT indexdef FROM pg_indexes i WHERE i.schemaname = current_schema() AND"
            " i.tablename IN ('pedcredcons', 'pedcredfami', 'lancsaldo') AND NOT EXISTS"
            " (SELECT 1 FROM pg_constraint c WHERE c.conname = i.indexname)"
            " ORDER BY i.indexname",
            {}, [&](const Row& r) { ddl.emplace_back(r.text(0)); });
    return ddl;
}

// "CREATE [UNIQUE] INDEX name ON ...": the name.
std::string indexName(const std::string& ddl) {
    const std::size_t at = ddl.find("INDEX ") + 6;
    return ddl.substr(at, ddl.find(' ', at) - at);
}

}  // namespace

void seedHistory(Database& db, const HistoryPlan& plan,
                 const std::function<void(int, std::int64_t)>& progress) {
    if (plan.days <= 0 || plan.ordersPerDay <= 0)
        return;
    const std::vector<std::string> deferred = db.write([](Session& s) {
        lockForSetup(s);
        if (!hasClients(s))
            seedBase(s);
        bool empty = true;
        s.query("SELECT 1 FROM PEDCREDCONS LIMIT 1", {}, [&](const Row&) { empty = false; });
        std::vector<std::string> ddl;
        if (!empty)
            return ddl;
        ddl = looseIndexes(s);
        for (const std::string& index : ddl)
            s.executeScript("DROP INDEX " + indexName(index));
        return ddl;
    });
    const auto rebuild = [&] {
        db.write([&](Session& s) {
            for (const std::string& index : deferred)
                s.executeScript(index);
        });
    };
    const platform::DateTime today = plan.lastDay.value_or(platform::now()).datePart();
    // About 50,000 orders a transaction: large enough for the statements to
    // dominate, small enough that a failure loses little and progress shows.
    const int daysPerWrite = std::max(1, 50'000 / plan.ordersPerDay);
    std::int64_t written = 0;
    try {
        for (int done = 0; done < plan.days;) {
            const int upTo = std::min(plan.days, done + daysPerWrite);
            written += db.write([&](Session& s) {
                HistoryWriter writer(s, plan.seed);
                for (int d = done; d < upTo; ++d)
                    writer.day(d - (plan.days - 1), plan.ordersPerDay, today);
                writer.finish();
                return writer.orders();
            });
            done = upTo;
            if (progress)
                progress(done, written);
        }
    } catch (...) {
        rebuild();  // the days written keep their indexes
        throw;
    }
    rebuild();
    db.write([](Session& s) { s.executeScript("ANALYZE"); });
}

}  // namespace confcred::server::storage
