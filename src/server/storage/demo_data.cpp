#include "server/storage/demo_data.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
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

}  // namespace confcred::server::storage
