// The JSON of the PIX API as a bank's portal or an API client saves it: the
// list of received PIX ({"pix": [...]}, or the bare array), or one charge
// (a "cob" answer, whose "pix" holds the PIX that paid it and "devedor" the
// debtor). Each received PIX is a credit; each of its returns ("devolucoes")
// a debit after it. Amounts are decimal strings ("110.00"); "horario" carries
// its zone.

#include <simdjson.h>

#include "bankreturn/statement.h"
#include "bankreturn/statement_text.h"

namespace confcred::bankreturn {
namespace {

namespace od = simdjson::ondemand;

struct Payer {
    std::string name;
    std::string document;
};

class PixReader {
  public:
    explicit PixReader(std::string text) : text_(std::move(text)), json_(text_), lines_(text_) {}

    Statement read() {
        Statement statement;
        statement.format = StatementFormat::Pix;
        try {
            od::document doc = parser_.iterate(json_);
            if (doc.type() == od::json_type::array) {
                readList(doc.get_array(), {}, {}, statement);
            } else {
                readTop(doc.get_object(), statement);
            }
        } catch (const simdjson::simdjson_error& e) {
            failAt(lastLocation_, std::string("JSON inválido (") + jsonError(e.error()) + ")");
        }
        return statement;
    }

  private:
    static const char* jsonError(simdjson::error_code code) {
        switch (code) {
            case simdjson::INCORRECT_TYPE:
                return "tipo de valor inesperado";
            case simdjson::NO_SUCH_FIELD:
                return "campo ausente";
            case simdjson::UTF8_ERROR:
                return "texto com caracteres inválidos";
            case simdjson::TAPE_ERROR:
            case simdjson::TRAILING_CONTENT:
                return "estrutura malformada";
            case simdjson::STRING_ERROR:
            case simdjson::UNESCAPED_CHARS:
            case simdjson::UNCLOSED_STRING:
                return "texto malformado";
            case simdjson::NUMBER_ERROR:
                return "número malformado";
            case simdjson::DEPTH_ERROR:
                return "aninhamento profundo demais";
            default:
                return "estrutura malformada";
        }
    }

    void mark(od::value& v) {
        const auto at = v.current_location();
        if (!at.error())
            lastLocation_ = at.value_unsafe();
    }

    // A received list, or a charge with the PIX that paid it.
    void readTop(od::object top, Statement& statement) {
        Payer debtor;
        std::string txid;
        bool sawPix = false;
        for (auto field : top) {
            const std::string_view key = field.unescaped_key();
            od::value v = field.value();
            mark(v);
            if (key == "pix") {
                // A charge gives "devedor" and "txid" before "pix"; a list has neither.
                readList(v.get_array(), debtor, txid, statement);
                sawPix = true;
            } else if (key == "devedor" || key == "pagador") {
                debtor = readPayer(v.get_object());
            } else if (key == "txid" && v.type() == od::json_type::string) {
                txid = std::string(v.get_string().value());
            }
        }
        if (!sawPix)
            failAt(json_.data(),
                   "não é uma lista de PIX recebidos nem uma cobrança paga: falta "
                   "o campo \"pix\"");
    }

    static Payer readPayer(od::object o) {
        Payer p;
        for (auto field : o) {
            const std::string_view key = field.unescaped_key();
            od::value v = field.value();
            if (v.type() != od::json_type::string)
                continue;
            if (key == "nome")
                p.name = detail::foldBlanks(v.get_string().value());
            else if (key == "cpf" || key == "cnpj")
                p.document = detail::digitsOf(v.get_string().value());
        }
        return p;
    }

    void readList(od::array list, const Payer& debtor, const std::string& txid,
                  Statement& statement) {
        for (od::value item : list) {
            mark(item);
            const char* at = lastLocation_;
            readPix(item.get_object(), at, debtor, txid, statement);
        }
    }

    int64_t amount(od::value v, const char* at, const char* field) {
        std::string_view written;
        std::string number;
        if (v.type() == od::json_type::string) {
            written = v.get_string().value();
        } else if (v.type() == od::json_type::number) {
            number = std::string(detail::foldBlanks(v.raw_json_token()));
            written = number;
        } else {
            failAt(at, std::string("valor de ") + field + " não é um número");
        }
        // The API writes a dot and two decimals; anything read two ways is refused.
        const auto cents = statementAmountCents(written);
        if (!cents || written.find(',') != std::string_view::npos)
            failAt(at, std::string("valor inválido em ") + field + ": " + detail::quoted(written));
        return *cents;
    }

    // RFC 3339: 2026-12-02T10:15:30.123Z or -03:00.
    platform::DateTime time(std::string_view v, const char* at) {
        const auto num = [&](size_t pos, size_t n) -> int {
            if (pos + n > v.size())
                return -1;
            int value = 0;
            for (size_t k = pos; k < pos + n; ++k) {
                if (v[k] < '0' || v[k] > '9')
                    return -1;
                value = value * 10 + (v[k] - '0');
            }
            return value;
        };
        std::optional<platform::DateTime> when;
        std::optional<int> offset;
        size_t pos = 19;
        int ms = 0;
        if (v.size() >= 19 && v[4] == '-' && v[7] == '-' && (v[10] == 'T' || v[10] == 't') &&
            v[13] == ':' && v[16] == ':') {
            if (pos < v.size() && v[pos] == '.') {
                size_t end = pos + 1;
                while (end < v.size() && v[end] >= '0' && v[end] <= '9')
                    ++end;
                ms = end - pos >= 4   ? num(pos + 1, 3)
                     : end - pos == 3 ? num(pos + 1, 2) * 10
                     : end - pos == 2 ? num(pos + 1, 1) * 100
                                      : -1;
                pos = end;
            }
            if (pos < v.size() && (v[pos] == 'Z' || v[pos] == 'z')) {
                offset = 0;
                ++pos;
            } else if (pos + 6 == v.size() && (v[pos] == '+' || v[pos] == '-') &&
                       v[pos + 3] == ':' && num(pos + 1, 2) >= 0 && num(pos + 4, 2) >= 0) {
                offset = (v[pos] == '-' ? -1 : 1) * (num(pos + 1, 2) * 60 + num(pos + 4, 2));
                pos += 6;
            }
            if (pos == v.size() && ms >= 0)
                when = platform::DateTime::tryFromParts(num(0, 4), num(5, 2), num(8, 2), num(11, 2),
                                                        num(14, 2), num(17, 2), ms);
        }
        if (!when)
            failAt(at, "horário inválido: " + detail::quoted(v));
        return detail::brasiliaTime(*when, offset);
    }

    void readPix(od::object pix, const char* at, const Payer& debtor, const std::string& txid,
                 Statement& statement) {
        StatementEntry e;
        e.line = lines_.lineOf(static_cast<size_t>(at - json_.data()));
        e.txid = txid;
        e.payerName = debtor.name;
        e.payerDocument = debtor.document;
        bool sawAmount = false, sawTime = false;
        std::vector<StatementEntry> returns;
        for (auto field : pix) {
            const std::string_view key = field.unescaped_key();
            od::value v = field.value();
            mark(v);
            const char* here = lastLocation_;
            if (key == "valor") {
                e.amountCents = amount(v, here, "valor");
                sawAmount = true;
            } else if (key == "horario") {
                e.date = time(v.get_string().value(), here);
                sawTime = true;
            } else if (key == "endToEndId" && v.type() == od::json_type::string) {
                e.id = std::string(v.get_string().value());
            } else if (key == "txid" && v.type() == od::json_type::string) {
                e.txid = std::string(v.get_string().value());
            } else if (key == "infoPagador" && v.type() == od::json_type::string) {
                e.description = detail::foldBlanks(v.get_string().value());
            } else if ((key == "pagador" || key == "devedor") &&
                       v.type() == od::json_type::object) {
                Payer p = readPayer(v.get_object());
                if (!p.name.empty())
                    e.payerName = std::move(p.name);
                if (!p.document.empty())
                    e.payerDocument = std::move(p.document);
            } else if ((key == "nomePagador") && v.type() == od::json_type::string) {
                e.payerName = detail::foldBlanks(v.get_string().value());
            } else if (key == "devolucoes" && v.type() == od::json_type::array) {
                for (od::value r : v.get_array()) {
                    mark(r);
                    returns.push_back(readReturn(r.get_object(), lastLocation_));
                }
            }
        }
        if (!sawAmount)
            failAt(at, "PIX sem \"valor\"");
        if (!sawTime)
            failAt(at, "PIX sem \"horario\"");
        if (e.amountCents < 0)
            failAt(at, "PIX recebido com valor negativo");
        for (StatementEntry& r : returns) {
            r.txid = e.txid;
            if (r.id.empty())
                r.id = e.id;
            r.description = "Devolução de PIX" + (e.id.empty() ? "" : " " + e.id);
        }
        statement.entries.push_back(std::move(e));
        for (StatementEntry& r : returns)
            statement.entries.push_back(std::move(r));
    }

    // A return of the PIX: a debit, dated when it was settled (or asked).
    StatementEntry readReturn(od::object r, const char* at) {
        StatementEntry e;
        e.line = lines_.lineOf(static_cast<size_t>(at - json_.data()));
        bool sawAmount = false;
        std::optional<platform::DateTime> asked, settled;
        for (auto field : r) {
            const std::string_view key = field.unescaped_key();
            od::value v = field.value();
            mark(v);
            const char* here = lastLocation_;
            if (key == "valor") {
                e.amountCents = -amount(v, here, "valor da devolução");
                sawAmount = true;
            } else if (key == "rtrId" && v.type() == od::json_type::string) {
                e.id = std::string(v.get_string().value());
            } else if (key == "horario" && v.type() == od::json_type::object) {
                for (auto h : v.get_object()) {
                    const std::string_view hk = h.unescaped_key();
                    od::value hv = h.value();
                    mark(hv);
                    if (hv.type() != od::json_type::string)
                        continue;
                    if (hk == "liquidacao")
                        settled = time(hv.get_string().value(), lastLocation_);
                    else if (hk == "solicitacao")
                        asked = time(hv.get_string().value(), lastLocation_);
                }
            }
        }
        if (!sawAmount)
            failAt(at, "devolução de PIX sem \"valor\"");
        if (!settled && !asked)
            failAt(at, "devolução de PIX sem \"horario\"");
        e.date = settled ? *settled : *asked;
        return e;
    }

    [[noreturn]] void failAt(const char* at, const std::string& message) const {
        const size_t offset = at == nullptr || at < json_.data() || at > json_.data() + json_.size()
                                  ? 0
                                  : static_cast<size_t>(at - json_.data());
        const detail::Position p = detail::positionOf(text_, offset);
        throw ReturnFileError(p.line, p.column, message);
    }

    std::string text_;
    simdjson::padded_string json_;
    detail::LineCounter lines_;
    od::parser parser_;
    const char* lastLocation_ = nullptr;
};

}  // namespace

Statement readPixStatement(std::string_view text) {
    return PixReader(detail::statementUtf8(text)).read();
}

}  // namespace confcred::bankreturn
