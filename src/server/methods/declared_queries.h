// POST /query: the host's own queries (the SQL query component on its shared
// connection, host/client/sql_query.h) run by the server instead of on a
// database connection of the desk's, so a desk holds no database
// credentials. Only the statements declared here run: each is named, read
// only, its parameters bound, its result columns typed. The host sends the
// statement's text and its parameters; the text must be one of these, blanks
// aside. The answer is a data packet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/field_def.h"

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::methods {

struct DeclaredQuery {
    std::string name;  // as the screens name their query (cdsPesqCliente)
    std::string sql;   // with :P_NAME parameters
    std::vector<dataset::FieldDef> columns;
};

// The allow-list.
const std::vector<DeclaredQuery>& declaredQueries();

// The text with every run of blanks (spaces, tabs, line breaks) as one space
// and none at either end: how the texts are compared.
std::string normalizedSql(std::string_view sql);

// Runs the statement of the request body {"sql": TEXT, "params": {NAME:
// VALUE, ...}} (values text, number or null) and returns the JSON of its data
// packet. Throws MethodError: 400 for a body that is not such an object or a
// parameter without a value, 403 for a text that is not declared.
std::string runDeclaredQuery(storage::Database& db, std::string_view body);

}  // namespace confcred::server::methods
