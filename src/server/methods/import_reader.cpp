#include "server/methods/import_reader.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "dataset/records.h"
#include "platform/text.h"
#include "server/methods/input_text.h"

namespace confcred::server::methods {

namespace {

namespace records = dataset::records;

// Widths of the record fields the line's fields end up in.
constexpr std::size_t width(records::Record record, std::string_view field) {
    return static_cast<std::size_t>(records::sizeOf(record, field));
}
constexpr std::size_t kCodeWidth = width(records::kOrder, "CDCLIENTE");
static_assert(kCodeWidth == width(records::kOrder, "CDCONSUMIDOR"));
constexpr std::size_t kBoletoWidth = width(records::kOrder, "NRBOLETO");
constexpr std::size_t kDescriptionWidth = width(records::kOrder, "DSSITCREBANC");
constexpr std::size_t kFamilyWidth = width(records::kFamily, "CDFAMILISALD");
constexpr std::size_t kMaxFamilies = 50;
constexpr std::size_t kFixedFields = 6;  // before the first FAMILY=VALUE pair
// 999.999.999,99: what a bank slip can carry, and exact in a double.
constexpr std::int64_t kMaxCents = 99'999'999'999;
constexpr std::size_t kWarningLimit = width(records::kImportResult, "DSLINHA");
constexpr std::size_t kQuoteLimit = 40;  // characters of a field quoted in a warning
// "C;A;B;1;01/01/2027;;X=1": seven fields, a date and one family value.
constexpr std::size_t kShortestOrder = 23;

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        n += !isContinuation(static_cast<unsigned char>(c));
    return n;
}

bool hasControl(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (controlLength(s, i))
            return true;
    return false;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

// A field quoted inside a warning: shortened, controls shown as '?'. The
// line was checked to be valid UTF-8 before any field is quoted.
std::string quote(std::string_view field) {
    std::string out = "\"";
    std::size_t chars = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (!isContinuation(c) && ++chars > kQuoteLimit) {
            out += "...";
            break;
        }
        if (const std::size_t control = controlLength(field, i)) {
            out += '?';
            i += control - 1;
        } else {
            out += field[i];
        }
    }
    out += '"';
    return out;
}

// Up to `n` digits at `s[pos]`, exactly `n` of them; -1 otherwise.
int digits(std::string_view s, std::size_t pos, std::size_t n) {
    if (pos + n > s.size())
        return -1;
    int value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (!isDigit(s[i]))
            return -1;
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

// "DD/MM/AAAA" or "DD/MM/AAAA HH:MM:SS".
std::optional<platform::DateTime> parseWhen(std::string_view s) {
    if (s.size() != 10 && s.size() != 19)
        return std::nullopt;
    if (s[2] != '/' || s[5] != '/')
        return std::nullopt;
    const int day = digits(s, 0, 2), month = digits(s, 3, 2), year = digits(s, 6, 4);
    if (day < 0 || month < 0 || year < 1900)
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (s.size() == 19) {
        if (s[10] != ' ' || s[13] != ':' || s[16] != ':')
            return std::nullopt;
        hour = digits(s, 11, 2);
        minute = digits(s, 14, 2);
        second = digits(s, 17, 2);
        if (hour < 0 || minute < 0 || second < 0)
            return std::nullopt;
    }
    return platform::DateTime::tryFromParts(year, month, day, hour, minute, second);
}

enum class ValueError { None, Format, Zero, TooLarge };

// Digits with an optional decimal comma and at most two decimals, in cents.
ValueError parseCents(std::string_view s, std::int64_t& cents) {
    std::size_t i = 0;
    std::int64_t whole = 0;
    std::size_t wholeDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        if (whole > kMaxCents)  // keeps going only to tell "too large" from "bad"
            whole = kMaxCents + 1;
        else
            whole = whole * 10 + (s[i] - '0');
        ++i;
        ++wholeDigits;
    }
    std::int64_t fraction = 0;
    std::size_t fractionDigits = 0;
    if (i < s.size() && s[i] == ',') {
        ++i;
        while (i < s.size() && isDigit(s[i]) && fractionDigits < 3) {
            fraction = fraction * 10 + (s[i] - '0');
            ++i;
            ++fractionDigits;
        }
        if (fractionDigits == 0 || fractionDigits > 2)
            return ValueError::Format;
    }
    if (i != s.size() || wholeDigits == 0)
        return ValueError::Format;
    if (fractionDigits == 1)
        fraction *= 10;
    if (whole > kMaxCents / 100)
        return ValueError::TooLarge;
    cents = whole * 100 + fraction;
    if (cents > kMaxCents)
        return ValueError::TooLarge;
    return cents == 0 ? ValueError::Zero : ValueError::None;
}

// Splits a line at ';' into views, without copying.
void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(';', start);
        if (end == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
}

// The bank slips seen so far, for the duplicate check: open addressing over
// views into the text, sized once, so a large file costs no allocation per line.
class SlipTable {
  public:
    // Sized on the first slip, so that a file without one costs nothing.
    void reserve(std::size_t expected) { expected_ = expected; }

    // The line that first had `slip`, after recording it for `line` if new (0).
    int insert(std::string_view slip, int line) {
        if (slots_.empty()) {
            std::size_t size = 16;
            while (size < expected_ * 2)
                size *= 2;
            slots_.assign(size, Slot{});
        }
        if (used_ * 2 >= slots_.size())
            grow();
        std::size_t at = std::hash<std::string_view>{}(slip) & (slots_.size() - 1);
        while (slots_[at].line != 0) {
            if (slots_[at].slip == slip)
                return slots_[at].line;
            at = (at + 1) & (slots_.size() - 1);
        }
        slots_[at] = {slip, line};
        ++used_;
        return 0;
    }

  private:
    struct Slot {
        std::string_view slip;
        int line = 0;
    };

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{});
        used_ = 0;
        for (const Slot& s : old)
            if (s.line != 0)
                insert(s.slip, s.line);
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::size_t expected_ = 0;
};

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    ImportReadResult run() {
        // A byte order mark is what some editors put first; it is not content.
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            text_.remove_prefix(3);
        // Line ends bound the number of lines: one pass, then no regrowth.
        // An order's line is never shorter than kShortestOrder, so a file of
        // tiny bad lines reserves nothing for orders it cannot hold.
        const auto ends = static_cast<std::size_t>(std::count_if(
            text_.begin(), text_.end(), [](char c) { return c == '\n' || c == '\r'; }));
        const std::size_t orders = std::min(ends + 1, text_.size() / kShortestOrder + 1);
        result_.orders.reserve(orders);
        boletos_.reserve(orders);
        std::size_t pos = 0;
        while (pos < text_.size()) {
            std::size_t end = pos;
            while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
                ++end;
            ++lineNumber_;
            readLine(text_.substr(pos, end - pos));
            if (end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() &&
                text_[end + 1] == '\n')
                ++end;
            pos = end + 1;
        }
        result_.lineCount = lineNumber_;
        result_.warnings = warnings_.take(result_.omittedWarnings);
        return std::move(result_);
    }

  private:
    void warn(const std::string& reason) {
        if (warnings_.keeps(lineNumber_))
            warnings_.add(lineNumber_,
                          limitWarning("Linha " + std::to_string(lineNumber_) + ": " + reason));
        else
            warnings_.count(lineNumber_);
    }

    void readLine(std::string_view raw) {
        const std::string_view line = platform::trimBlanks(raw);
        if (line.empty() || line.front() == '#') {
            ++result_.recognisedLines;
            return;
        }
        if (!validUtf8(raw)) {
            warn("texto com caracteres inválidos (não é texto UTF-8 válido).");
            return;
        }
        splitFields(line, fields_);
        const bool firstContent = !seenContent_;
        seenContent_ = true;
        if (firstContent && sameLetters(platform::trimBlanks(fields_[0]), "TIPO")) {
            ++result_.recognisedLines;  // the optional header
            return;
        }
        if (fields_.size() <= kFixedFields) {
            warn("campos insuficientes: " + std::to_string(fields_.size()) +
                 " encontrados; o formato é TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRIÇÃO;"
                 "FAMÍLIA=VALOR.");
            return;
        }
        for (auto& f : fields_)
            f = platform::trimBlanks(f);
        readOrder();
    }

    // Checks a code field; returns false after warning.
    bool checkCode(std::string_view value, const char* name, std::size_t width,
                   bool feminine = false) {
        if (value.empty()) {
            warn(std::string(name) + (feminine ? " não informada." : " não informado."));
            return false;
        }
        if (hasControl(value)) {
            warn(std::string(name) + " " + quote(value) + " contém caractere de controle.");
            return false;
        }
        if (charCount(value) > width) {
            warn(std::string(name) + " " + quote(value) + " com mais de " + std::to_string(width) +
                 " caracteres.");
            return false;
        }
        return true;
    }

    void readOrder() {
        const std::string_view type = fields_[0], client = fields_[1], consumer = fields_[2],
                               boleto = fields_[3], when = fields_[4], description = fields_[5];
        ImportKind kind;
        if (type == "C" || type == "c") {
            kind = ImportKind::Credit;
        } else if (type == "D" || type == "d") {
            kind = ImportKind::Debit;
        } else {
            warn("tipo " + quote(type) + " inválido; use C (crédito) ou D (débito).");
            return;
        }
        if (!checkCode(client, "cliente", kCodeWidth) ||
            !checkCode(consumer, "consumidor", kCodeWidth) ||
            !checkCode(boleto, "boleto", kBoletoWidth))
            return;
        const auto moment = parseWhen(when);
        if (!moment) {
            warn("data " + quote(when) + " inválida; use DD/MM/AAAA ou DD/MM/AAAA HH:MM:SS.");
            return;
        }
        if (hasControl(description)) {
            warn("descrição contém caractere de controle.");
            return;
        }
        if (charCount(description) > kDescriptionWidth) {
            warn("descrição com mais de " + std::to_string(kDescriptionWidth) + " caracteres.");
            return;
        }
        if (!readFamilies())
            return;
        // Slips repeat in their canonical form ("0AB28" repeats "ab28"); the
        // table keeps views, so the canonical texts stay put in a deque.
        if (const int first = boletos_.insert(canonicalBoletos_.emplace_back(canonicalSlip(boleto)),
                                              lineNumber_)) {
            warn("boleto " + quote(boleto) + " repetido no arquivo (já consta na linha " +
                 std::to_string(first) + ").");
            return;
        }
        ImportOrder order;
        order.lineNumber = lineNumber_;
        order.kind = kind;
        order.client = client;
        order.consumer = consumer;
        order.boleto = boleto;
        order.when = *moment;
        order.description = description;
        order.families.reserve(families_.size());
        for (const auto& [family, cents] : families_)
            order.families.push_back({std::string(family), static_cast<double>(cents) / 100.0});
        result_.orders.push_back(std::move(order));
    }

    // The FAMILY=VALUE pairs after the fixed fields; blank fields (a trailing
    // ';' as many exports write) are passed over.
    bool readFamilies() {
        families_.clear();
        for (std::size_t i = kFixedFields; i < fields_.size(); ++i) {
            const std::string_view pair = fields_[i];
            if (pair.empty())
                continue;
            const std::size_t eq = pair.find('=');
            if (eq == std::string_view::npos) {
                warn("campo " + std::to_string(i + 1) + " " + quote(pair) +
                     " fora do formato FAMÍLIA=VALOR (ex.: ALI=25,50).");
                return false;
            }
            const std::string_view family = platform::trimBlanks(pair.substr(0, eq));
            const std::string_view value = platform::trimBlanks(pair.substr(eq + 1));
            if (!checkCode(family, "família", kFamilyWidth, true))
                return false;
            for (const auto& known : families_)
                if (known.first == family) {
                    warn("família " + quote(family) + " repetida.");
                    return false;
                }
            if (families_.size() == kMaxFamilies) {
                warn("mais de " + std::to_string(kMaxFamilies) + " famílias.");
                return false;
            }
            std::int64_t cents = 0;
            switch (parseCents(value, cents)) {
                case ValueError::None:
                    break;
                case ValueError::Format:
                    warn("valor " + quote(value) + " da família " + quote(family) +
                         " inválido; use até duas casas decimais com vírgula (ex.: 25,50).");
                    return false;
                case ValueError::Zero:
                    warn("valor da família " + quote(family) + " deve ser maior que zero.");
                    return false;
                case ValueError::TooLarge:
                    warn("valor da família " + quote(family) +
                         " acima do limite de 999.999.999,99.");
                    return false;
            }
            families_.emplace_back(family, cents);
        }
        if (families_.empty()) {
            warn("nenhum valor por família (FAMÍLIA=VALOR) informado.");
            return false;
        }
        return true;
    }

    std::string_view text_;
    int lineNumber_ = 0;
    bool seenContent_ = false;
    ImportReadResult result_;
    ImportWarnings warnings_;
    std::vector<std::string_view> fields_;
    std::vector<std::pair<std::string_view, std::int64_t>> families_;
    SlipTable boletos_;
    std::deque<std::string> canonicalBoletos_;
};

}  // namespace

ImportReadResult readImportFile(std::string_view text) {
    return Reader(text).run();
}

std::string canonicalSlip(std::string_view slip) {
    slip = slip.substr(0, slip.find_last_not_of(' ') + 1);
    slip.remove_prefix(std::min(slip.find_first_not_of(' '), slip.size()));
    slip.remove_prefix(std::min(slip.find_first_not_of('0'), slip.size()));
    std::string out(slip);
    for (char& c : out)
        c = upper(c);
    return out;
}

ImportWarnings::ImportWarnings(std::vector<ImportWarning> first, std::int64_t omitted)
    : kept_(std::move(first)), total_(static_cast<std::int64_t>(kept_.size()) + omitted) {
    if (omitted > 0 && !kept_.empty()) {
        full_ = true;
        threshold_ = kept_.back().lineNumber;
    }
}

void ImportWarnings::add(int line, std::string text) {
    ++total_;
    if (!keeps(line))
        return;
    kept_.push_back({line, std::move(text)});
    if (kept_.size() >= 2 * kImportWarningsShown)
        prune();
}

void ImportWarnings::prune() {
    std::stable_sort(
        kept_.begin(), kept_.end(),
        [](const ImportWarning& a, const ImportWarning& b) { return a.lineNumber < b.lineNumber; });
    if (kept_.size() > kImportWarningsShown) {
        kept_.resize(kImportWarningsShown);
        kept_.shrink_to_fit();
        full_ = true;
        threshold_ = kept_.back().lineNumber;
    }
}

std::vector<ImportWarning> ImportWarnings::take(std::int64_t& omitted) {
    prune();
    omitted = total_ - static_cast<std::int64_t>(kept_.size());
    total_ = 0;
    full_ = false;
    return std::move(kept_);
}

std::string omittedWarningsLine(std::int64_t omitted) {
    const auto grouped = [](std::int64_t n) {
        const std::string digits = std::to_string(n);
        std::string out;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                out += '.';
            out += digits[i];
        }
        return out;
    };
    return "... e mais " + grouped(omitted) +
           (omitted == 1 ? " linha recusada não listada" : " linhas recusadas não listadas") +
           " (são mostradas as primeiras " +
           grouped(static_cast<std::int64_t>(kImportWarningsShown)) + ").";
}

std::string limitWarning(std::string text) {
    if (text.size() <= kWarningLimit)
        return text;
    // Room for the ellipsis that shows the cut.
    std::size_t cut = kWarningLimit - 3;
    while (cut > 0 && isContinuation(static_cast<unsigned char>(text[cut])))
        --cut;
    text.resize(cut);
    text += "...";
    return text;
}

}  // namespace confcred::server::methods
