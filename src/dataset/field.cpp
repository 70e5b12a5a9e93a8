// Fields of a record set: reading and writing values with their conversions.

#include <charconv>
#include <cmath>

#include "dataset/record_set.h"
#include "dataset/record_set_impl.h"
#include "platform/regional.h"
#include "platform/text.h"

namespace confcred::dataset {
namespace {

using platform::trimBlanks;

std::optional<int64_t> parseInteger(std::string_view s) {
    s = trimBlanks(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<platform::DateTime> parseDateText(std::string_view s) {
    if (auto d = platform::parseDate(s))
        return d;
    return platform::DateTime::parseIso(trimBlanks(s));
}

std::optional<int64_t> roundToInteger(double v) {
    if (!std::isfinite(v) || v < -9.2e18 || v > 9.2e18)
        return std::nullopt;
    return std::llround(v);
}

[[noreturn]] void badValue(const Field& f, std::string_view text, const char* what) {
    throw DataSetError("'" + std::string(text) + "' não é " + what + " válido para o campo '" +
                       f.name() + "'.");
}

[[noreturn]] void wrongType(const Field& f, const char* as) {
    throw DataSetError("O campo '" + f.name() + "' é do tipo " +
                       std::string(fieldTypeName(f.type())) + " e não pode ser usado como " + as +
                       ".");
}

void checkWidth(const Field& f, std::string_view text) {
    if (f.type() == FieldType::Memo || f.size() <= 0)
        return;
    const size_t length = utf8Length(text);
    if (length > static_cast<size_t>(f.size())) {
        throw DataSetError("O campo '" + f.name() + "' aceita no máximo " +
                           std::to_string(f.size()) + " caracteres; o texto tem " +
                           std::to_string(length) + ".");
    }
}

// A text read or written as a number or a date: its value, or an error naming
// the field and the text.
double textToDouble(const Field& f, std::string_view text) {
    auto v = platform::parseFloat(text);
    if (!v)
        badValue(f, text, "um número");
    return *v;
}

int64_t textToInteger(const Field& f, std::string_view text) {
    auto v = parseInteger(text);
    if (!v)
        badValue(f, text, "um número inteiro");
    return *v;
}

platform::DateTime textToDateTime(const Field& f, std::string_view text) {
    auto v = parseDateText(text);
    if (!v)
        badValue(f, text, "uma data");
    return *v;
}

}  // namespace

namespace detail {

void assignString(const Field& f, Column& c, std::string_view text) {
    if (isTextType(f.type())) {
        checkWidth(f, text);
        c.setText(0, text);
        return;
    }
    if (trimBlanks(text).empty()) {  // an empty text clears a number or a date
        c.setNull(0);
        return;
    }
    switch (f.type()) {
        case FieldType::Double:
            c.setDouble(0, textToDouble(f, text));
            break;
        case FieldType::Integer:
            c.setInteger(0, textToInteger(f, text));
            break;
        case FieldType::DateTime:
            c.setDateTime(0, textToDateTime(f, text));
            break;
        default:
            break;
    }
}

}  // namespace detail

Field::Field(RecordSet* set, size_t index, FieldDef def)
    : set_(set), index_(index), def_(std::move(def)) {}

void Field::setSize(int size) {
    if (set_->active()) {
        throw DataSetError("Não é possível mudar a largura do campo '" + def_.name + "' com o " +
                           set_->impl_->setLabel() + " aberto.");
    }
    def_.size = size;
}

int Field::displayWidth() const {
    if (displayWidth_ >= 0)
        return displayWidth_;
    switch (def_.type) {
        case FieldType::FixedString:
        case FieldType::String:
            return def_.size > 0 ? def_.size : 20;
        case FieldType::DateTime:
            return 18;
        default:
            return 10;
    }
}

bool Field::isNull() const {
    size_t row = 0;
    const Column* c = set_->impl_->cell(index_, row);
    if (c == nullptr || c->isNull(row))
        return true;
    return c->isText() && c->textAt(row).empty();
}

std::string Field::asString() const {
    size_t row = 0;
    const Column* c = set_->impl_->cell(index_, row);
    if (c == nullptr || c->isNull(row))
        return {};
    if (c->isText())
        return std::string(c->textAt(row));
    switch (c->type()) {
        case FieldType::Double:
            return platform::formatFloat(c->doubleAt(row));
        case FieldType::DateTime:
            return platform::formatDateTime(c->dateTimeAt(row));
        default:
            return std::to_string(c->integerAt(row));
    }
}

double Field::asDouble() const {
    if (type() == FieldType::DateTime)
        wrongType(*this, "número");
    size_t row = 0;
    const Column* c = set_->impl_->cell(index_, row);
    if (c == nullptr || c->isNull(row))
        return 0;
    if (c->isText()) {
        const std::string_view text = c->textAt(row);
        if (trimBlanks(text).empty())
            return 0;
        return textToDouble(*this, text);
    }
    switch (c->type()) {
        case FieldType::Double:
            return c->doubleAt(row);
        case FieldType::Integer:
            return static_cast<double>(c->integerAt(row));
        default:
            wrongType(*this, "número");
    }
}

platform::DateTime Field::asDateTime() const {
    if (!isTextType(type()) && type() != FieldType::DateTime)
        wrongType(*this, "data");
    size_t row = 0;
    const Column* c = set_->impl_->cell(index_, row);
    if (c == nullptr || c->isNull(row))
        return {};
    if (c->isText()) {
        const std::string_view text = c->textAt(row);
        if (trimBlanks(text).empty())
            return {};
        return textToDateTime(*this, text);
    }
    return c->dateTimeAt(row);
}

int64_t Field::asInteger() const {
    if (type() == FieldType::DateTime)
        wrongType(*this, "número inteiro");
    size_t row = 0;
    const Column* c = set_->impl_->cell(index_, row);
    if (c == nullptr || c->isNull(row))
        return 0;
    if (c->isText()) {
        const std::string_view text = c->textAt(row);
        if (trimBlanks(text).empty())
            return 0;
        return textToInteger(*this, text);
    }
    switch (c->type()) {
        case FieldType::Integer:
            return c->integerAt(row);
        case FieldType::Double: {
            auto v = roundToInteger(c->doubleAt(row));
            if (!v)
                badValue(*this, platform::formatFloat(c->doubleAt(row)), "um número inteiro");
            return *v;
        }
        default:
            wrongType(*this, "número inteiro");
    }
}

std::string Field::displayText() const {
    std::string text = asString();
    if (onGetText_)
        onGetText_(*this, text, true);
    return text;
}

void Field::setAsString(std::string_view text) {
    Column& c = set_->impl_->writable(*this);
    detail::assignString(*this, c, text);
}

void Field::setAsDouble(double value) {
    Column& c = set_->impl_->writable(*this);
    if (!std::isfinite(value))
        badValue(*this, platform::formatFloat(value), "um número");
    if (isTextType(type())) {
        const std::string text = platform::formatFloat(value);
        checkWidth(*this, text);
        c.setText(0, text);
        return;
    }
    switch (type()) {
        case FieldType::Double:
            c.setDouble(0, value);
            break;
        case FieldType::Integer: {
            auto v = roundToInteger(value);
            if (!v)
                badValue(*this, platform::formatFloat(value), "um número inteiro");
            c.setInteger(0, *v);
            break;
        }
        default:
            wrongType(*this, "número");
    }
}

void Field::setAsDateTime(platform::DateTime value) {
    Column& c = set_->impl_->writable(*this);
    if (isTextType(type())) {
        const std::string text = platform::formatDateTime(value);
        checkWidth(*this, text);
        c.setText(0, text);
    } else if (type() == FieldType::DateTime) {
        c.setDateTime(0, value);
    } else {
        wrongType(*this, "data");
    }
}

void Field::setAsInteger(int64_t value) {
    Column& c = set_->impl_->writable(*this);
    if (isTextType(type())) {
        const std::string text = std::to_string(value);
        checkWidth(*this, text);
        c.setText(0, text);
        return;
    }
    switch (type()) {
        case FieldType::Integer:
            c.setInteger(0, value);
            break;
        case FieldType::Double:
            c.setDouble(0, static_cast<double>(value));
            break;
        default:
            wrongType(*this, "número inteiro");
    }
}

void Field::clear() {
    set_->impl_->writable(*this).setNull(0);
}

}  // namespace confcred::dataset
