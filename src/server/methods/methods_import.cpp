// SetImporSaldoCons: a consumer credit/debit file becomes pending orders with
// their family breakdown; every line that cannot, a warning line.

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/clock.h"
#include "server/methods/idempotency.h"
#include "server/methods/import_reader.h"
#include "server/methods/methods_internal.h"
#include "server/storage/digest.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/schema.h"
#include "server/storage/stored_values.h"
#include "server/storage/text_fold.h"

namespace confcred::server::methods {

namespace {

// Rows per INSERT: large statements are what makes a 100,000-line file fast on
// both backends, and these stay far below their limits on bound values.
constexpr std::size_t kOrdersPerInsert = 400;
constexpr std::size_t kFamiliesPerInsert = 1000;
constexpr std::size_t kQuoteLimit = 40;

std::string quote(std::string_view text) {
    std::size_t cut = 0, chars = 0;
    while (cut < text.size() && chars < kQuoteLimit) {
        ++cut;
        while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            ++cut;
        ++chars;
    }
    return "\"" + std::string(text.substr(0, cut)) + (cut < text.size() ? "...\"" : "\"");
}

// An order of the file that passed every check, with its stored values.
struct Accepted {
    const ImportOrder* order;
    std::string branch;
    std::string number;
    std::string when;
    std::string folded;
    std::int64_t total = 0;
    std::vector<std::int64_t> cents;  // per family of the order, signed
};

class Importer {
  public:
    // `creator` and `now` mark the orders the run creates (who and when).
    Importer(storage::Session& s, const ImportReadResult& read, std::string_view creator,
             std::string_view now)
        : s_(s),
          read_(read),
          creator_(creator),
          now_(now),
          warnings_(read.warnings, read.omittedWarnings) {}

    // The warnings in line order, at most kImportWarningsShown; `omitted` the others.
    std::vector<ImportWarning> run(std::int64_t& created, std::int64_t& omitted) {
        s_.query("SELECT CDFAMILISALD FROM FAMILIASALDO", {},
                 [&](const storage::Row& r) { families_.emplace(r.text(0)); });
        accepted_.reserve(read_.orders.size());
        for (const ImportOrder& order : read_.orders)
            check(order);
        if (!accepted_.empty()) {
            number();
            insertOrders();
            insertFamilies();
        }
        created = std::count(inserted_.begin(), inserted_.end(), true);
        return warnings_.take(omitted);
    }

  private:
    void warn(const ImportOrder& order, const std::string& reason) {
        warnings_.add(
            order.lineNumber,
            warnings_.keeps(order.lineNumber)
                ? limitWarning("Linha " + std::to_string(order.lineNumber) + ": " + reason)
                : std::string());
    }

    // The branch of a known client ("" when it has none), nullopt when unknown.
    const std::optional<std::string>& client(const std::string& code) {
        auto found = clients_.find(code);
        if (found != clients_.end())
            return found->second;
        std::optional<std::string> branch;
        s_.query(
            "SELECT (SELECT MIN(F.CDFILIAL) FROM CLIENFILIAL F WHERE F.CDCLIENTE = L.CDCLIENTE)"
            " FROM CLIENTE L WHERE L.CDCLIENTE = ?",
            {std::string_view(code)},
            [&](const storage::Row& r) { branch = std::string(r.text(0)); });
        return clients_.emplace(code, std::move(branch)).first->second;
    }

    bool consumer(const std::string& clientCode, const std::string& code) {
        const std::string key = clientCode + '\n' + code;
        if (auto found = consumers_.find(key); found != consumers_.end())
            return found->second;
        bool known = false;
        s_.query("SELECT 1 FROM CONSUMIDOR WHERE CDCLIENTE = ? AND CDCONSUMIDOR = ?",
                 {std::string_view(clientCode), std::string_view(code)},
                 [&](const storage::Row&) { known = true; });
        consumers_.emplace(key, known);
        return known;
    }

    void check(const ImportOrder& order) {
        const auto& branch = client(order.client);
        if (!branch) {
            warn(order, "cliente " + quote(order.client) + " não cadastrado.");
            return;
        }
        if (!consumer(order.client, order.consumer)) {
            warn(order, "consumidor " + quote(order.consumer) + " não cadastrado para o cliente " +
                            quote(order.client) + ".");
            return;
        }
        Accepted a{&order,
                   *branch,
                   {},
                   storage::storedDateTime(order.when),
                   storage::foldForSearch(order.description),
                   0,
                   {}};
        const std::int64_t sign = order.kind == ImportKind::Debit ? -1 : 1;
        for (const auto& f : order.families) {
            if (!families_.count(f.family)) {
                warn(order, "família " + quote(f.family) + " não cadastrada.");
                return;
            }
            const auto cents = storage::toCents(f.value);
            if (!cents || *cents <= 0) {
                warn(order, "valor da família " + quote(f.family) + " inválido.");
                return;
            }
            a.cents.push_back(sign * *cents);
            a.total += sign * *cents;
        }
        accepted_.push_back(std::move(a));
    }

    // Order numbers come from one counter row: taking a block of them locks
    // only that row, so concurrent imports get different numbers.
    void number() {
        std::int64_t last = 0;
        s_.query(
            "UPDATE CONTADOR SET VRCONTADOR = VRCONTADOR + ? WHERE NMCONTADOR = 'PEDCREDCONS'"
            " RETURNING VRCONTADOR",
            {static_cast<std::int64_t>(accepted_.size())},
            [&](const storage::Row& r) { last = r.integer(0); });
        firstId_ = last - static_cast<std::int64_t>(accepted_.size()) + 1;
        for (std::size_t i = 0; i < accepted_.size(); ++i) {
            const std::string digits = std::to_string(firstId_ + static_cast<std::int64_t>(i));
            accepted_[i].number =
                std::string(20 - std::min<std::size_t>(20, digits.size()), '0') + digits;
        }
    }

    // A bank slip imported before (also by an import running at the same
    // time) makes the insert skip the row; that order becomes a warning.
    void insertOrders() {
        inserted_.assign(accepted_.size(), false);
        std::vector<storage::SqlValue> params;
        for (std::size_t start = 0; start < accepted_.size(); start += kOrdersPerInsert) {
            const std::size_t end = std::min(accepted_.size(), start + kOrdersPerInsert);
            std::string sql =
                "INSERT INTO PEDCREDCONS (IDPEDCREDCONS, NRPEDCRECONS, CDFILIAL, CDCLIENTE,"
                " CDCONSUMIDOR, NRBOLETO, VRPEDCRECONS_CENT, DTPEDCRECONS, DSSITCREBANC,"
                " DSSITCREBANC_BUSCA, NMOPERCRIACAO, DTCRIACAO, NRBOLETO_CANON) VALUES ";
            const std::string row = std::string("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ") +
                                    storage::kCanonicalSlipSql + ")";
            params.clear();
            for (std::size_t i = start; i < end; ++i) {
                const Accepted& a = accepted_[i];
                sql += i == start ? row : ", " + row;
                params.insert(params.end(),
                              {firstId_ + static_cast<std::int64_t>(i), std::string_view(a.number),
                               std::string_view(a.branch), std::string_view(a.order->client),
                               std::string_view(a.order->consumer),
                               std::string_view(a.order->boleto), a.total, std::string_view(a.when),
                               std::string_view(a.order->description), std::string_view(a.folded),
                               creator_, now_, std::string_view(a.order->boleto)});
            }
            sql += " ON CONFLICT (CDCLIENTE, NRBOLETO_CANON) DO NOTHING RETURNING IDPEDCREDCONS";
            s_.query(sql, params, [&](const storage::Row& r) {
                inserted_[static_cast<std::size_t>(r.integer(0) - firstId_)] = true;
            });
        }
        for (std::size_t i = 0; i < accepted_.size(); ++i)
            if (!inserted_[i])
                warn(*accepted_[i].order, "boleto " + quote(accepted_[i].order->boleto) +
                                              " já importado para o cliente " +
                                              quote(accepted_[i].order->client) + ".");
    }

    void insertFamilies() {
        std::vector<storage::SqlValue> params;
        std::size_t rows = 0;
        std::string sql;
        const auto flush = [&] {
            if (rows == 0)
                return;
            s_.execute(sql, params);
            rows = 0;
        };
        for (std::size_t i = 0; i < accepted_.size(); ++i) {
            if (!inserted_[i])
                continue;
            const Accepted& a = accepted_[i];
            for (std::size_t f = 0; f < a.cents.size(); ++f) {
                if (rows == 0) {
                    sql =
                        "INSERT INTO PEDCREDFAMI (IDPEDCREDCONS, CDFAMILISALD, VRPEDCREFAMI_CENT)"
                        " VALUES (?, ?, ?)";
                    params.clear();
                } else {
                    sql += ", (?, ?, ?)";
                }
                params.insert(params.end(),
                              {firstId_ + static_cast<std::int64_t>(i),
                               std::string_view(a.order->families[f].family), a.cents[f]});
                if (++rows == kFamiliesPerInsert)
                    flush();
            }
        }
        flush();
    }

    storage::Session& s_;
    const ImportReadResult& read_;
    std::string_view creator_, now_;
    ImportWarnings warnings_;
    std::unordered_set<std::string> families_;
    std::unordered_map<std::string, std::optional<std::string>> clients_;
    std::unordered_map<std::string, bool> consumers_;
    std::vector<Accepted> accepted_;
    std::vector<bool> inserted_;
    std::int64_t firstId_ = 0;
};

static_assert(dataset::records::has(dataset::records::kImport, "ARQUIVO") &&
              dataset::records::has(dataset::records::kImportResult, "DSLINHA"));

std::string importFile(storage::Database& db, const Args& args, const CallContext& context) {
    args.expectCount(1);
    const auto& packet = args.packet(0);
    const int field = packet.fieldIndex("ARQUIVO");
    if (field < 0 || !packet.column(static_cast<std::size_t>(field)).isText())
        throw ArgumentError("O pacote de SetImporSaldoCons deve ter o campo de texto ARQUIVO.");
    if (packet.rowCount() != 1)
        throw ArgumentError(
            "O pacote de SetImporSaldoCons deve ter exatamente uma linha com o "
            "texto do arquivo; recebeu " +
            std::to_string(packet.rowCount()) + ".");
    const std::string_view text = packet.column(static_cast<std::size_t>(field)).textAt(0);
    const ImportReadResult read = readImportFile(text);
    const std::string creator = limitOperator(context.operatorName);
    const std::string fileDigest = storage::sha256Hex(text);

    return writeCall(db, args.method(), context, [&](storage::Session& s) {
        const std::string now = storage::storedDateTime(platform::now());
        std::int64_t created = 0, omitted = 0;
        const std::vector<ImportWarning> warnings =
            Importer(s, read, creator, now).run(created, omitted);
        storage::ledger::appendAudit(s, {now, creator, "IMPORTACAO", fileDigest, created});
        context.createdOrders = created;

        dataset::DataPacket answer(dataset::records::fieldDefs(dataset::records::kImportResult));
        auto& lines = answer.column(static_cast<std::size_t>(answer.fieldIndex("DSLINHA")));
        lines.reserve(warnings.size() + 1);
        for (const auto& w : warnings)
            lines.appendText(w.text);
        if (omitted > 0)
            lines.appendText(omittedWarningsLine(omitted));
        return dataset::encodePacket(answer);
    });
}

}  // namespace

void addImportMethod(MethodTable& table, storage::Database& db) {
    table.add("SetImporSaldoCons", [&db](const Args& args, const CallContext& context) {
        return importFile(db, args, context);
    });
}

}  // namespace confcred::server::methods
