// PostgreSQL sessions through libpq: one connection each, statements
// prepared once per connection with their `?` turned into $1, $2, ..., values
// sent as text parameters, results read as text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "server/storage/database.h"

namespace confcred::server::storage {

// Connects with a postgresql:// URI. Throws DatabaseError with the first line
// of libpq's message.
std::unique_ptr<Session> openPostgresSession(const std::string& url);

// "a = ? AND b = '?'" -> "a = $1 AND b = '?'": placeholders outside quotes.
std::string numberPlaceholders(std::string_view sql);

}  // namespace confcred::server::storage
