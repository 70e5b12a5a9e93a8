// The contract between the HTTP endpoint and the server object's methods:
// decoded call arguments, the errors a method may raise, and the method table.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dataset/data_packet.h"
#include "platform/datetime.h"

namespace confcred::server::methods {

// A failure the operator can act on. The message is Brazilian Portuguese and
// travels to the client as {"error": {"message": ...}}.
class MethodError : public std::runtime_error {
  public:
    explicit MethodError(const std::string& message, int httpStatus = 422)
        : std::runtime_error(message), status_(httpStatus) {}
    int httpStatus() const { return status_; }

  private:
    int status_;
};

// The call itself is wrong (argument count or type): HTTP 400.
class ArgumentError : public MethodError {
  public:
    explicit ArgumentError(const std::string& message) : MethodError(message, 400) {}
};

// One decoded JSON argument. Date-times travel as ISO 8601 strings and are
// read as dates by the method that expects one (Args::dateTime).
using Arg = std::variant<std::monostate, bool, double, std::string, dataset::DataPacket>;

// The arguments of one call, with typed access that raises ArgumentError
// naming the method and the 1-based position.
class Args {
  public:
    Args(std::string method, std::vector<Arg> values)
        : method_(std::move(method)), values_(std::move(values)) {}

    const std::string& method() const { return method_; }
    std::size_t size() const { return values_.size(); }
    void expectCount(std::size_t n) const;

    const std::string& string(std::size_t i) const;
    platform::DateTime dateTime(std::size_t i) const;  // ISO 8601 text
    std::int64_t integer(std::size_t i) const;         // a whole number, or its text
    const dataset::DataPacket& packet(std::size_t i) const;
    // Branch codes and the like: a string as is, a whole number as its digits.
    std::string text(std::size_t i) const;

    const Arg& raw(std::size_t i) const { return values_.at(i); }

  private:
    std::string method_;
    std::vector<Arg> values_;
};

struct IdempotentRequest;  // server/methods/idempotency.h

// Who is calling: for the balance ledger. Empty when the client did not say.
struct CallContext {
    std::string operatorName;  // header X-Confcred-Operator
    // The Idempotency-Key header when the request has one, and the request's
    // body (valid during the call) for the digest stored with the key.
    std::optional<std::string> idempotencyKey{};
    std::string_view body{};
    // Set for a write method by its wrapper: the key to store in the write's
    // transaction (server/methods/idempotency.h).
    const IdempotentRequest* idempotent = nullptr;
    // Set when the result is the stored answer of an earlier call with the
    // same key; the endpoint then adds Idempotent-Replayed: true.
    mutable bool replayed = false;
    // Set by SetImporSaldoCons: the orders the import created, which the
    // endpoint tells in the header Confcred-Pedidos-Criados (the answer's
    // packet holds the warnings only).
    mutable std::optional<std::int64_t> createdOrders{};
};

// A method returns the JSON text of its result value (a packet object, a
// string literal, ...); the endpoint wraps it as {"result": <text>}.
using Method = std::function<std::string(const Args&, const CallContext&)>;

// Methods by name; names compare without regard to case, as late-bound calls do.
class MethodTable {
  public:
    void add(std::string name, Method method);
    const Method* find(std::string_view name) const;
    // POST /query (server/methods/declared_queries.h): the request body in,
    // the JSON of the result out; unset until the methods are registered.
    using QueryRunner = std::function<std::string(std::string_view body)>;
    void setQueryRunner(QueryRunner runner) { query_ = std::move(runner); }
    const QueryRunner* queryRunner() const { return query_ ? &query_ : nullptr; }
    std::vector<std::string> names() const;

  private:
    std::vector<std::pair<std::string, Method>> methods_;
    QueryRunner query_;
};

}  // namespace confcred::server::methods
