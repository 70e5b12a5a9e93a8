#include "server/methods/declared_queries.h"

#include <simdjson.h>

#include <map>
#include <optional>

#include "dataset/data_packet.h"
#include "dataset/packet_codec.h"
#include "server/methods/input_text.h"
#include "server/methods/rpc.h"
#include "server/storage/database.h"

namespace confcred::server::methods {

namespace {

using dataset::FieldType;

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The statement with `?` for each :NAME outside quotes, and the names in
// the order they stand.
struct Bound {
    std::string sql;
    std::vector<std::string> names;
};

Bound bindable(const std::string& sql) {
    Bound out;
    char quote = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            out.sql += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ':' && i + 1 < sql.size() && isNameChar(sql[i + 1]) &&
                   (i == 0 || sql[i - 1] != ':')) {
            std::size_t j = i + 1;
            while (j < sql.size() && isNameChar(sql[j]))
                ++j;
            out.names.push_back(sql.substr(i + 1, j - i - 1));
            out.sql += '?';
            i = j - 1;
            continue;
        }
        out.sql += c;
    }
    return out;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

const std::vector<DeclaredQuery>& declaredQueries() {
    static const std::vector<DeclaredQuery> queries = {
        // The filter's client look-up: the clients the branch serves.
        {"cdsPesqCliente",
         "SELECT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.NMRAZSOCCLIE\n"
         "  FROM CLIENTE CL, CLIENFILIAL CF\n"
         " WHERE CL.CDCLIENTE = CF.CDCLIENTE\n"
         "   AND CF.CDFILIAL  = :P_CDFILIAL\n"
         "ORDER BY CL.CDCLIENTE",
         {{"CDCLIENTE", FieldType::String, 21},
          {"NRINSJURCLIE", FieldType::String, 18},
          {"NMRAZSOCCLIE", FieldType::String, 50}}},
    };
    return queries;
}

std::string normalizedSql(std::string_view sql) {
    std::string out;
    bool blank = false;
    for (const char c : sql) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

std::string runDeclaredQuery(storage::Database& db, std::string_view body) {
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    std::string_view text;
    simdjson::dom::object params;
    if (parser.parse(body.data(), body.size()).get(doc) != simdjson::SUCCESS ||
        doc["sql"].get(text) != simdjson::SUCCESS)
        throw ArgumentError(
            "Consulta inválida: o corpo deve ser {\"sql\": \"...\", \"params\": {...}}.");
    const bool hasParams = doc["params"].get(params) == simdjson::SUCCESS;
    const std::string wanted = normalizedSql(text);
    const DeclaredQuery* query = nullptr;
    for (const DeclaredQuery& declared : declaredQueries())
        if (normalizedSql(declared.sql) == wanted)
            query = &declared;
    if (query == nullptr)
        throw MethodError(
            "Consulta não permitida pelo servidor de aplicação: " + clipForMessage(wanted) +
                ". Só as consultas declaradas pelo sistema são atendidas.",
            403);

    // The values, by parameter name without regard to case, as the host's
    // query component matches them.
    std::map<std::string, std::optional<std::string>> values;
    if (hasParams) {
        for (const auto [key, value] : params) {
            std::optional<std::string> v;
            std::string_view s;
            if (value.get(s) == simdjson::SUCCESS)
                v = std::string(s);
            else if (value.is_int64())
                v = std::to_string(value.get_int64().value());
            else if (value.is_double())
                v = std::to_string(value.get_double().value());
            else if (!value.is_null())
                throw ArgumentError("Consulta " + query->name + ": o parâmetro " +
                                    clipForMessage(std::string(key)) +
                                    " deve ser texto, número ou null.");
            values[upper(std::string(key))] = std::move(v);
        }
    }
    const Bound bound = bindable(query->sql);
    std::vector<storage::SqlValue> args;
    for (const std::string& name : bound.names) {
        const auto found = values.find(upper(name));
        if (found == values.end())
            throw ArgumentError("Consulta " + query->name + ": falta o parâmetro " + name + ".");
        args.push_back(found->second ? storage::SqlValue(std::string_view(*found->second))
                                     : storage::SqlValue());
    }

    dataset::DataPacket packet(query->columns);
    db.read([&](storage::Session& s) {
        s.query(bound.sql, args, [&](const storage::Row& row) {
            for (std::size_t c = 0; c < query->columns.size(); ++c) {
                const int column = static_cast<int>(c);
                dataset::Column& out = packet.column(c);
                if (row.isNull(column)) {
                    out.appendNull();
                    continue;
                }
                switch (query->columns[c].type) {
                    case FieldType::Integer:
                        out.appendInteger(row.integer(column));
                        break;
                    case FieldType::Double:
                        out.appendDouble(row.real(column));
                        break;
                    case FieldType::DateTime:
                        throw MethodError("Consulta " + query->name +
                                              ": coluna de data não suportada nas consultas "
                                              "declaradas.",
                                          500);
                    default:
                        out.appendText(std::string(row.text(column)));
                        break;
                }
            }
        });
    });
    std::string json;
    dataset::encodePacketTo(packet, json);
    return json;
}

}  // namespace confcred::server::methods
