#include "dataset/filter_expr.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "platform/datetime.h"
#include "platform/regional.h"

namespace confcred::dataset {
namespace {

enum class Tok : uint8_t { End, Ident, Name, String, Number, Op, LParen, RParen };

struct Token {
    Tok kind = Tok::End;
    size_t pos = 0;    // 0-based byte offset
    std::string text;  // identifier, bracketed name, unquoted string, number text
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;  // letters of UTF-8 names
}
bool isIdentChar(char c) {
    return isIdentStart(c) || isDigit(c);
}

bool isKeyword(const Token& t, std::string_view word) {
    return t.kind == Tok::Ident && sameFieldName(t.text, word);
}

bool isAnyKeyword(const Token& t) {
    for (std::string_view w : {"AND", "OR", "NOT", "IS", "NULL"}) {
        if (isKeyword(t, w))
            return true;
    }
    return false;
}

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::optional<double> parseNumberText(std::string_view s) {
    if (auto v = platform::parseFloat(s))
        return v;
    // The C form too, so that a filter reads the same under any regional setting.
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

FilterError::FilterError(size_t position, const std::string& problem)
    : DataSetError("Filtro inválido na posição " + std::to_string(position) + ": " + problem + "."),
      position_(position),
      problem_(problem) {}

// Recursive descent over the text; builds the node array of a FilterExpr.
class FilterParser {
  public:
    FilterParser(std::string_view text, const std::vector<FieldDef>& fields)
        : text_(text), fields_(fields) {}

    FilterExpr run() {
        advance();
        if (cur_.kind == Tok::End)
            return {};
        expr_.root_ = parseOr(0);
        if (cur_.kind != Tok::End)
            fail(cur_.pos, "texto inesperado " + quoted(tokenText(cur_)));
        collectEqualityTerms();
        return std::move(expr_);
    }

  private:
    using Node = FilterExpr::Node;
    using Kind = FilterExpr::Kind;
    using Op = FilterExpr::Op;
    using Domain = FilterExpr::Domain;
    using Operand = FilterExpr::Operand;

    [[noreturn]] void fail(size_t pos, const std::string& problem) const {
        throw FilterError(pos + 1, problem);
    }

    std::string tokenText(const Token& t) const {
        const size_t end = t.kind == Tok::End ? t.pos : std::min(text_.size(), t.pos + 20);
        return std::string(text_.substr(t.pos, end - t.pos));
    }

    void advance() {
        size_t i = next_;
        while (i < text_.size() && isBlank(text_[i]))
            ++i;
        cur_ = Token{};
        cur_.pos = i;
        if (i >= text_.size()) {
            cur_.kind = Tok::End;
            next_ = i;
            return;
        }
        const char c = text_[i];
        if (c == '(' || c == ')') {
            cur_.kind = c == '(' ? Tok::LParen : Tok::RParen;
            next_ = i + 1;
        } else if (c == '\'') {
            lexString(i);
        } else if (c == '[') {
            const size_t close = text_.find(']', i + 1);
            if (close == std::string_view::npos)
                fail(i, "colchete não fechado");
            cur_.kind = Tok::Name;
            cur_.text = std::string(text_.substr(i + 1, close - i - 1));
            if (cur_.text.empty())
                fail(i, "nome de campo vazio entre colchetes");
            next_ = close + 1;
        } else if (isDigit(c) || (c == '-' && i + 1 < text_.size() && isDigit(text_[i + 1]))) {
            lexNumber(i);
        } else if (c == '=' || c == '<' || c == '>') {
            size_t len = 1;
            if (c != '=' && i + 1 < text_.size() &&
                (text_[i + 1] == '=' || (c == '<' && text_[i + 1] == '>'))) {
                len = 2;
            }
            cur_.kind = Tok::Op;
            cur_.text = std::string(text_.substr(i, len));
            next_ = i + len;
        } else if (isIdentStart(c)) {
            size_t j = i;
            while (j < text_.size() && isIdentChar(text_[j]))
                ++j;
            cur_.kind = Tok::Ident;
            cur_.text = std::string(text_.substr(i, j - i));
            next_ = j;
        } else {
            fail(i, "caractere inválido " + quoted(std::string(1, c)));
        }
    }

    void lexString(size_t start) {
        std::string out;
        size_t i = start + 1;
        for (;;) {
            if (i >= text_.size())
                fail(start, "aspas não fechadas");
            if (text_[i] == '\'') {
                if (i + 1 < text_.size() && text_[i + 1] == '\'') {
                    out += '\'';
                    i += 2;
                    continue;
                }
                break;
            }
            out += text_[i++];
        }
        cur_.kind = Tok::String;
        cur_.text = std::move(out);
        next_ = i + 1;
    }

    void lexNumber(size_t start) {
        size_t j = start + (text_[start] == '-' ? 1 : 0);
        while (j < text_.size() && isDigit(text_[j]))
            ++j;
        if (j < text_.size() && text_[j] == '.') {
            ++j;
            if (j >= text_.size() || !isDigit(text_[j]))
                fail(start, "número malformado");
            while (j < text_.size() && isDigit(text_[j]))
                ++j;
        }
        if (j < text_.size() && (isIdentChar(text_[j]) || text_[j] == '.')) {
            fail(start, "número malformado");
        }
        cur_.kind = Tok::Number;
        cur_.text = std::string(text_.substr(start, j - start));
        next_ = j;
    }

    uint32_t addNode(Node n) {
        expr_.nodes_.push_back(std::move(n));
        return static_cast<uint32_t>(expr_.nodes_.size() - 1);
    }

    uint32_t parseOr(int depth) {
        uint32_t first = parseAnd(depth);
        if (!isKeyword(cur_, "OR"))
            return first;
        Node n;
        n.kind = Kind::Or;
        n.children.push_back(first);
        while (isKeyword(cur_, "OR")) {
            advance();
            n.children.push_back(parseAnd(depth));
        }
        return addNode(std::move(n));
    }

    uint32_t parseAnd(int depth) {
        uint32_t first = parseNot(depth);
        if (!isKeyword(cur_, "AND"))
            return first;
        Node n;
        n.kind = Kind::And;
        n.children.push_back(first);
        while (isKeyword(cur_, "AND")) {
            advance();
            n.children.push_back(parseNot(depth));
        }
        return addNode(std::move(n));
    }

    uint32_t parseNot(int depth) {
        if (depth >= FilterExpr::kMaxDepth)
            fail(cur_.pos, "expressão aninhada demais");
        if (isKeyword(cur_, "NOT")) {
            advance();
            Node n;
            n.kind = Kind::Not;
            n.children.push_back(parseNot(depth + 1));
            return addNode(std::move(n));
        }
        if (cur_.kind == Tok::LParen) {
            const size_t open = cur_.pos;
            advance();
            const uint32_t inner = parseOr(depth + 1);
            if (cur_.kind != Tok::RParen) {
                fail(cur_.kind == Tok::End ? open : cur_.pos, "esperado ')'");
            }
            advance();
            return inner;
        }
        return parseComparison();
    }

    uint32_t parseComparison() {
        const size_t start = cur_.pos;
        Operand lhs = parseOperand();
        Node n;
        if (isKeyword(cur_, "IS")) {
            advance();
            if (isKeyword(cur_, "NOT")) {
                n.negate = true;
                advance();
            }
            if (!isKeyword(cur_, "NULL"))
                fail(cur_.pos, "esperado NULL após IS");
            advance();
            if (!lhs.isField)
                fail(start, "IS NULL exige um campo");
            n.kind = Kind::IsNull;
            n.lhs = std::move(lhs);
            return addNode(std::move(n));
        }
        if (cur_.kind != Tok::Op)
            fail(cur_.pos, "esperado um operador de comparação");
        const std::string& op = cur_.text;
        n.op = op == "="    ? Op::Eq
               : op == "<>" ? Op::Ne
               : op == "<"  ? Op::Lt
               : op == ">"  ? Op::Gt
               : op == "<=" ? Op::Le
                            : Op::Ge;
        advance();
        const size_t rhsPos = cur_.pos;
        Operand rhs = parseOperand();
        n.kind = Kind::Compare;
        typeCheck(n, lhs, rhs, start, rhsPos);
        n.lhs = std::move(lhs);
        n.rhs = std::move(rhs);
        return addNode(std::move(n));
    }

    Operand parseOperand() {
        Operand o;
        if (cur_.kind == Tok::Ident && !isAnyKeyword(cur_)) {
            bindField(o, cur_);
        } else if (cur_.kind == Tok::Name) {
            bindField(o, cur_);
        } else if (cur_.kind == Tok::String) {
            o.text = cur_.text;
        } else if (cur_.kind == Tok::Number) {
            o.integral = cur_.text.find('.') == std::string::npos;
            const char* b = cur_.text.data();
            const char* e = b + cur_.text.size();
            if (o.integral) {
                auto [p, ec] = std::from_chars(b, e, o.integer);
                o.integral = ec == std::errc() && p == e;
            }
            auto [p, ec] = std::from_chars(b, e, o.number, std::chars_format::fixed);
            if (ec != std::errc() || p != e || !std::isfinite(o.number)) {
                fail(cur_.pos, "número fora do intervalo " + quoted(cur_.text));
            }
            o.text = cur_.text;  // kept for messages
            o.isNumber = true;
        } else {
            fail(cur_.pos, "esperado um campo ou valor");
        }
        advance();
        return o;
    }

    void bindField(Operand& o, const Token& t) {
        for (size_t i = 0; i < fields_.size(); ++i) {
            if (sameFieldName(fields_[i].name, t.text)) {
                o.isField = true;
                o.field = i;
                o.fieldType = fields_[i].type;
                return;
            }
        }
        fail(t.pos, "campo " + quoted(t.text) + " não encontrado");
    }

    static Domain domainOf(FieldType t) {
        if (isTextType(t))
            return Domain::Text;
        return t == FieldType::DateTime ? Domain::Time : Domain::Number;
    }

    // Fixes the domain of the comparison and converts the literal to it.
    void typeCheck(Node& n, Operand& lhs, Operand& rhs, size_t lhsPos, size_t rhsPos) {
        if (!lhs.isField && !rhs.isField)
            fail(lhsPos, "comparação sem campo");
        if (lhs.isField && rhs.isField) {
            n.domain = domainOf(lhs.fieldType);
            if (domainOf(rhs.fieldType) != n.domain) {
                fail(lhsPos, "tipos incompatíveis entre " + quoted(fields_[lhs.field].name) +
                                 " e " + quoted(fields_[rhs.field].name));
            }
            return;
        }
        Operand& field = lhs.isField ? lhs : rhs;
        Operand& lit = lhs.isField ? rhs : lhs;
        const size_t litPos = lhs.isField ? rhsPos : lhsPos;
        const std::string& name = fields_[field.field].name;
        const bool numberLiteral = lit.isNumber;
        n.domain = domainOf(field.fieldType);
        switch (n.domain) {
            case Domain::Text:
                if (numberLiteral) {
                    fail(litPos,
                         "o campo texto " + quoted(name) + " só se compara com texto entre aspas");
                }
                break;
            case Domain::Number:
                if (!numberLiteral) {
                    auto v = parseNumberText(lit.text);
                    if (!v)
                        fail(litPos,
                             quoted(lit.text) + " não é um número para o campo " + quoted(name));
                    lit.number = *v;
                    lit.integral = std::nearbyint(*v) == *v && std::fabs(*v) < 9.0e15;
                    lit.integer = lit.integral ? static_cast<int64_t>(*v) : 0;
                }
                break;
            case Domain::Time: {
                if (numberLiteral) {
                    fail(litPos,
                         "o campo data " + quoted(name) + " só se compara com data entre aspas");
                }
                auto d = platform::DateTime::parseIso(lit.text);
                if (!d)
                    d = platform::parseDate(lit.text);
                if (!d)
                    fail(litPos, quoted(lit.text) + " não é uma data para o campo " + quoted(name));
                lit.integer = d->msSinceEpoch();
                break;
            }
        }
    }

    void collectEqualityTerms() {
        auto take = [&](uint32_t idx) {
            const Node& n = expr_.nodes_[idx];
            if (n.kind != Kind::Compare || n.op != Op::Eq || n.domain != Domain::Text)
                return;
            if (n.lhs.isField == n.rhs.isField)
                return;
            const Operand& field = n.lhs.isField ? n.lhs : n.rhs;
            const Operand& lit = n.lhs.isField ? n.rhs : n.lhs;
            expr_.equalityTerms_.push_back({field.field, lit.text});
        };
        const Node& root = expr_.nodes_[expr_.root_];
        if (root.kind == Kind::And) {
            for (uint32_t c : root.children)
                take(c);
        } else {
            take(expr_.root_);
        }
    }

    std::string_view text_;
    const std::vector<FieldDef>& fields_;
    size_t next_ = 0;
    Token cur_;
    FilterExpr expr_;
};

}  // namespace confcred::dataset

namespace confcred::dataset {
namespace {

template <class T>
bool applyOp(int op, const T& a, const T& b) {
    switch (op) {
        case 0:
            return a == b;
        case 1:
            return !(a == b);
        case 2:
            return a < b;
        case 3:
            return b < a;
        case 4:
            return a < b || a == b;
        default:
            return b < a || a == b;
    }
}

}  // namespace

FilterExpr FilterExpr::parse(std::string_view text, const std::vector<FieldDef>& fields) {
    return FilterParser(text, fields).run();
}

bool FilterExpr::matches(const std::vector<Column>& columns, size_t row) const {
    return nodes_.empty() || eval(root_, columns, row);
}

bool FilterExpr::eval(uint32_t idx, const std::vector<Column>& columns, size_t row) const {
    const Node& n = nodes_[idx];
    switch (n.kind) {
        case Kind::And:
            for (uint32_t c : n.children) {
                if (!eval(c, columns, row))
                    return false;
            }
            return true;
        case Kind::Or:
            for (uint32_t c : n.children) {
                if (eval(c, columns, row))
                    return true;
            }
            return false;
        case Kind::Not:
            return !eval(n.children.front(), columns, row);
        case Kind::IsNull: {
            const Column& c = columns[n.lhs.field];
            const bool null = c.isNull(row) || (c.isText() && c.textAt(row).empty());
            return null != n.negate;
        }
        case Kind::Compare:
            return compare(n, columns, row);
    }
    return false;
}

bool FilterExpr::compare(const Node& n, const std::vector<Column>& columns, size_t row) const {
    const int op = static_cast<int>(n.op);
    switch (n.domain) {
        case Domain::Text: {
            auto text = [&](const Operand& o) {
                return o.isField ? columns[o.field].textAt(row) : std::string_view(o.text);
            };
            return applyOp(op, text(n.lhs), text(n.rhs));
        }
        case Domain::Time: {
            int64_t v[2];
            const Operand* ops[2] = {&n.lhs, &n.rhs};
            for (int i = 0; i < 2; ++i) {
                const Operand& o = *ops[i];
                if (!o.isField) {
                    v[i] = o.integer;
                    continue;
                }
                const Column& c = columns[o.field];
                if (c.isNull(row))
                    return false;
                v[i] = c.dateTimeAt(row).msSinceEpoch();
            }
            return applyOp(op, v[0], v[1]);
        }
        case Domain::Number: {
            double d[2];
            int64_t k[2];
            bool exact = true;  // both integral: compare as integers, without rounding
            const Operand* ops[2] = {&n.lhs, &n.rhs};
            for (int i = 0; i < 2; ++i) {
                const Operand& o = *ops[i];
                if (!o.isField) {
                    d[i] = o.number;
                    k[i] = o.integer;
                    exact = exact && o.integral;
                    continue;
                }
                const Column& c = columns[o.field];
                if (c.isNull(row))
                    return false;
                if (c.type() == FieldType::Integer) {
                    k[i] = c.integerAt(row);
                    d[i] = static_cast<double>(k[i]);
                } else {
                    d[i] = c.doubleAt(row);
                    exact = false;
                }
            }
            return exact ? applyOp(op, k[0], k[1]) : applyOp(op, d[0], d[1]);
        }
    }
    return false;
}

}  // namespace confcred::dataset
