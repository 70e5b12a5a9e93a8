#pragma once
// Filter expressions of record sets, parsed once when the filter is set and
// then evaluated per row against the columns.
//
//   expr     := and { OR and }
//   and      := not { AND not }
//   not      := NOT not | '(' expr ')' | operand op operand | operand IS [NOT] NULL
//   operand  := NAME | [any name] | 'text' (with '' for a quote) | number
//   op       := = <> < > <= >=
//
// Keywords and field names are case-insensitive. Text compares byte by byte and
// case-sensitively; an empty text and a null text are the same value (they
// compare as '' and both are NULL). A quoted literal compared to a date-time
// field is an ISO date ('2026-12-07', '2026-12-07 10:00:00') or a regional
// one ('07/12/2026'); compared to a number field it is a regional number. A
// comparison with a null number or date-time is false.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/column.h"
#include "dataset/dataset_error.h"
#include "dataset/field_def.h"

namespace confcred::dataset {

// A malformed filter text: the message names the position and the problem.
class FilterError : public DataSetError {
  public:
    FilterError(size_t position, const std::string& problem);
    size_t position() const { return position_; }  // 1-based byte offset in the text
    const std::string& problem() const { return problem_; }

  private:
    size_t position_;
    std::string problem_;
};

class FilterExpr {
  public:
    // Parenthesis and NOT nesting allowed; deeper texts are refused, so a
    // hostile text cannot exhaust the stack.
    static constexpr int kMaxDepth = 100;

    // `FIELD = 'literal'` on a text field, standing alone or in the top-level
    // AND chain: every matching row holds `text` in `field`.
    struct EqualityTerm {
        size_t field;
        std::string text;
    };

    FilterExpr() = default;  // no filter: every row matches

    // Throws FilterError. A blank text gives the empty expression.
    static FilterExpr parse(std::string_view text, const std::vector<FieldDef>& fields);

    bool empty() const { return nodes_.empty(); }
    // `columns` are in the order of the fields the expression was parsed with.
    bool matches(const std::vector<Column>& columns, size_t row) const;
    const std::vector<EqualityTerm>& equalityTerms() const { return equalityTerms_; }

  private:
    friend class FilterParser;

    enum class Kind : uint8_t { And, Or, Not, Compare, IsNull };
    enum class Op : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };
    enum class Domain : uint8_t { Text, Number, Time };

    struct Operand {
        bool isField = false;
        bool isNumber = false;  // a number literal (else a quoted text, when not a field)
        size_t field = 0;
        FieldType fieldType = FieldType::String;
        std::string text;     // text literal
        double number = 0;    // number literal
        int64_t integer = 0;  // integral number literal, or date-time milliseconds
        bool integral = false;
    };

    struct Node {
        Kind kind = Kind::Compare;
        Op op = Op::Eq;
        Domain domain = Domain::Text;
        bool negate = false;  // IS NOT NULL
        Operand lhs;
        Operand rhs;
        std::vector<uint32_t> children;
    };

    bool eval(uint32_t node, const std::vector<Column>& columns, size_t row) const;
    bool compare(const Node& n, const std::vector<Column>& columns, size_t row) const;

    std::vector<Node> nodes_;
    uint32_t root_ = 0;
    std::vector<EqualityTerm> equalityTerms_;
};

}  // namespace confcred::dataset
