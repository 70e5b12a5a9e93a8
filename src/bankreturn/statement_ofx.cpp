// OFX 1.x (SGML) and 2.x (XML) statements, read as a stream of tags: a leaf
// takes the text up to the next tag, whether it is closed, left open or
// closed under another name, so the forms banks really export (leaves closed
// and unclosed in one file, a closing tag naming another element, an XML
// header over a body that is not XML) read the same. Only the transactions
// (STMTTRN) become entries; balances and the sign-on are not entries.

#include <algorithm>

#include "bankreturn/statement.h"
#include "bankreturn/statement_text.h"

namespace confcred::bankreturn {
namespace {

using detail::Position;

struct Leaf {
    bool present = false;
    std::string value;
    size_t offset = 0;  // of the value's first character, for a refusal
};

// The leaves an entry is read from, and the list's dates.
enum Slot {
    kTrnType,
    kDtPosted,
    kDtUser,
    kTrnAmt,
    kFitId,
    kMemo,
    kName,
    kPayeeId,
    kDtEnd,
    kDtServer,
    kSlots
};
constexpr std::string_view kSlotNames[kSlots] = {"TRNTYPE", "DTPOSTED", "DTUSER", "TRNAMT",
                                                 "FITID",   "MEMO",     "NAME",   "PAYEEID",
                                                 "DTEND",   "DTSERVER"};

int slotOf(std::string_view name) {
    for (int i = 0; i < kSlots; ++i)
        if (kSlotNames[i] == name)
            return i;
    return -1;
}

class OfxReader {
  public:
    explicit OfxReader(std::string text) : text_(std::move(text)), lines_(text_) {}

    Statement read() {
        const size_t body = findBody();
        Statement statement;
        statement.format = StatementFormat::Ofx;
        size_t pos = body;
        int pendingLeaf = -1;  // the slot whose value the next text is
        size_t pendingEnd = 0;
        char buffer[16];
        while (pos < text_.size()) {
            const size_t open = text_.find('<', pos);
            const size_t textEnd = open == std::string::npos ? text_.size() : open;
            if (pendingLeaf >= 0)
                takeValue(pendingLeaf, pendingEnd, textEnd);
            pendingLeaf = -1;
            if (open == std::string::npos)
                break;
            if (text_.compare(open, 4, "<!--") == 0) {
                const size_t end = text_.find("-->", open);
                pos = end == std::string::npos ? text_.size() : end + 3;
                continue;
            }
            const size_t close = text_.find('>', open);
            if (close == std::string::npos)
                fail(open, "marca sem \">\" que a feche");
            std::string_view tag(text_.data() + open + 1, close - open - 1);
            pos = close + 1;
            if (tag.empty() || tag.front() == '?' || tag.front() == '!')
                continue;
            const bool closing = tag.front() == '/';
            if (closing)
                tag.remove_prefix(1);
            if (!tag.empty() && tag.back() == '/')
                tag.remove_suffix(1);
            // The name in upper case; a longer one than any we read is none of them.
            tag = tag.substr(0, tag.find_first_of(" \t\r\n"));
            const size_t length = std::min(tag.size(), sizeof buffer);
            for (size_t k = 0; k < length; ++k)
                buffer[k] =
                    tag[k] >= 'a' && tag[k] <= 'z' ? static_cast<char>(tag[k] - 'a' + 'A') : tag[k];
            const std::string_view name(buffer, tag.size() > sizeof buffer ? 0 : length);
            if (closing) {
                closeTag(name, statement);
            } else if (openTag(name, open, statement)) {
                pendingLeaf = slotOf(name);
                pendingEnd = pos;
            }
        }
        if (inTransaction_)
            fail(transactionOffset_, "lançamento (STMTTRN) sem fim: o arquivo está incompleto");
        if (!sawTransactionList_)
            fail(body, "o OFX não tem lista de lançamentos (BANKTRANLIST)");
        return statement;
    }

  private:
    // The body starts at <OFX>; before it, the SGML header's lines or the XML
    // declarations, and perhaps blank lines.
    size_t findBody() const {
        size_t at = 0;
        while (at < text_.size()) {
            at = text_.find('<', at);
            if (at == std::string::npos)
                break;
            if (upper(std::string_view(text_).substr(at, 5)) == "<OFX>")
                return at;
            ++at;
        }
        fail(0, "não é um extrato OFX: falta a marca <OFX>");
    }

    static std::string upper(std::string_view s) {
        std::string u(s);
        std::transform(u.begin(), u.end(), u.begin(), [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        return u;
    }

    // True when the tag may be a leaf whose value follows.
    bool openTag(std::string_view name, size_t offset, Statement& statement) {
        if (name == "BANKTRANLIST") {
            sawTransactionList_ = true;
            return false;
        }
        if (name == "STMTTRN") {
            if (inTransaction_)
                finish(statement);  // the previous one was left open
            inTransaction_ = true;
            transactionOffset_ = offset;
            clearLeaves();
            return false;
        }
        if (name == "LEDGERBAL" || name == "AVAILBAL" || name == "STMTRS" || name == "CCSTMTRS") {
            if (inTransaction_)
                finish(statement);
            return false;
        }
        return true;
    }

    void closeTag(std::string_view name, Statement& statement) {
        if (inTransaction_ && (name == "STMTTRN" || name == "BANKTRANLIST" || name == "STMTRS" ||
                               name == "CCSTMTRS" || name == "OFX"))
            finish(statement);
        // A leaf's closing tag, whatever element it names, adds nothing.
    }

    void takeValue(int slot, size_t begin, size_t end) {
        if (!inTransaction_ && slot != kDtEnd && slot != kDtServer)
            return;
        Leaf& leaf = leaves_[slot];
        if (leaf.present && slot < kDtEnd)
            return;  // the first of a repeated leaf holds
        std::string_view raw(text_.data() + begin, end - begin);
        const size_t first = raw.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos && slot != kTrnAmt)
            return;  // nothing written
        raw.remove_prefix(first == std::string_view::npos ? raw.size() : first);
        leaf.present = true;
        leaf.offset = begin + (first == std::string_view::npos ? 0 : first);
        const size_t last = raw.find_last_not_of(" \t\r\n");
        raw = raw.substr(0, last == std::string_view::npos ? 0 : last + 1);
        if (raw.find_first_of("&\t\r\n") == std::string_view::npos &&
            raw.find("  ") == std::string_view::npos) {
            leaf.value.assign(raw);
        } else {
            leaf.value = detail::foldBlanks(decodeEntities(raw));
        }
    }

    void clearLeaves() {
        for (int i = 0; i < kDtEnd; ++i)
            leaves_[i].present = false;
    }

    static std::string decodeEntities(std::string_view raw) {
        std::string out;
        out.reserve(raw.size());
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const size_t semi = raw.find(';', i);
            const std::string_view entity = semi == std::string_view::npos || semi - i > 8
                                                ? std::string_view()
                                                : raw.substr(i + 1, semi - i - 1);
            const char* named = entity == "amp"    ? "&"
                                : entity == "lt"   ? "<"
                                : entity == "gt"   ? ">"
                                : entity == "quot" ? "\""
                                : entity == "apos" ? "'"
                                                   : nullptr;
            if (named == nullptr) {
                out += '&';
                continue;
            }
            out += named;
            i = semi;
        }
        return out;
    }

    // YYYYMMDD[HHMMSS[.XXX]][[+-]H[.MM][:ZONE]]; eight zeros is no date.
    std::optional<platform::DateTime> date(const Leaf& leaf, const char* field) const {
        const std::string_view v = leaf.value;
        if (v.empty() || v.find_first_not_of('0') == std::string_view::npos ||
            v.find_first_not_of("0 ") == std::string_view::npos)
            return std::nullopt;
        const auto digitsAt = [&](size_t at, size_t n) -> int {
            if (at + n > v.size())
                return -1;
            int value = 0;
            for (size_t k = at; k < at + n; ++k) {
                if (v[k] < '0' || v[k] > '9')
                    return -1;
                value = value * 10 + (v[k] - '0');
            }
            return value;
        };
        const int year = digitsAt(0, 4), month = digitsAt(4, 2), day = digitsAt(6, 2);
        int hour = 0, minute = 0, second = 0, ms = 0;
        size_t at = 8;
        if (digitsAt(8, 6) >= 0) {
            hour = digitsAt(8, 2), minute = digitsAt(10, 2), second = digitsAt(12, 2);
            at = 14;
            if (at < v.size() && v[at] == '.') {
                size_t end = at + 1;
                while (end < v.size() && v[end] >= '0' && v[end] <= '9')
                    ++end;
                if (end - at >= 4)
                    ms = digitsAt(at + 1, 3);
                at = end;
            }
        }
        std::optional<int> offset;
        if (at < v.size() && v[at] == '[') {
            const size_t end = v.find(']', at);
            std::string_view zone = v.substr(
                at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1);
            zone = zone.substr(0, zone.find(':'));
            const bool minus = !zone.empty() && zone.front() == '-';
            if (!zone.empty() && (zone.front() == '-' || zone.front() == '+'))
                zone.remove_prefix(1);
            const size_t dot = zone.find('.');
            int hours = 0, minutes = 0;
            bool ok = !zone.empty() && zone.size() <= 6;
            for (size_t k = 0; ok && k < zone.size(); ++k) {
                if (k == dot)
                    continue;
                ok = zone[k] >= '0' && zone[k] <= '9';
                (dot == std::string_view::npos || k < dot ? hours : minutes) *= 10;
                (dot == std::string_view::npos || k < dot ? hours : minutes) += zone[k] - '0';
            }
            if (!ok || hours > 14 || minutes > 59)
                fail(leaf.offset,
                     std::string("fuso horário inválido em ") + field + ": " + detail::quoted(v));
            offset = (minus ? -1 : 1) * (hours * 60 + minutes);
            at = end == std::string_view::npos ? v.size() : end + 1;
        }
        const auto when =
            year < 0 || month < 0 || day < 0 || ms < 0 || at < v.size()
                ? std::nullopt
                : platform::DateTime::tryFromParts(year, month, day, hour, minute, second, ms);
        if (!when)
            fail(leaf.offset, std::string("data inválida em ") + field + ": " + detail::quoted(v));
        return detail::brasiliaTime(*when, offset);
    }

    const Leaf* leaf(int slot) const { return leaves_[slot].present ? &leaves_[slot] : nullptr; }

    std::optional<platform::DateTime> entryDate() const {
        for (const int slot : {kDtPosted, kDtUser}) {
            if (const Leaf* l = leaf(slot)) {
                if (auto d = date(*l, kSlotNames[slot].data()))
                    return d;
            }
        }
        // No date of its own: the day the list ends, as the bank gave it.
        for (const int slot : {kDtEnd, kDtServer}) {
            if (const Leaf* l = leaf(slot)) {
                if (auto d = date(*l, kSlotNames[slot].data()))
                    return d->datePart();
            }
        }
        return std::nullopt;
    }

    void finish(Statement& statement) {
        inTransaction_ = false;
        StatementEntry e;
        e.line = lines_.lineOf(transactionOffset_);
        const Leaf* amount = leaf(kTrnAmt);
        if (amount == nullptr)
            fail(transactionOffset_, "lançamento (STMTTRN) sem valor (TRNAMT)");
        const auto cents = statementAmountCents(amount->value);
        if (!cents)
            fail(amount->offset, "valor inválido em TRNAMT: " + detail::quoted(amount->value));
        e.amountCents = *cents;
        // A debit's type with an amount written without its sign is still a
        // debit; a type that says nothing leaves the sign as written.
        if (const Leaf* type = leaf(kTrnType)) {
            static const char* const kDebits[] = {"DEBIT",       "PAYMENT",  "CHECK",  "ATM",
                                                  "POS",         "FEE",      "SRVCHG", "CASH",
                                                  "DIRECTDEBIT", "REPEATPMT"};
            const std::string t = upper(type->value);
            if (e.amountCents > 0 && std::any_of(std::begin(kDebits), std::end(kDebits),
                                                 [&](const char* d) { return t == d; }))
                e.amountCents = -e.amountCents;
        }
        const auto when = entryDate();
        if (!when)
            fail(transactionOffset_, "lançamento (STMTTRN) sem data (DTPOSTED)");
        e.date = *when;
        if (const Leaf* id = leaf(kFitId))
            e.id = id->value;
        if (const Leaf* memo = leaf(kMemo))
            e.description = memo->value;
        if (const Leaf* name = leaf(kName))
            e.payerName = name->value;
        if (const Leaf* payee = leaf(kPayeeId))
            e.payerDocument = detail::digitsOf(payee->value);
        statement.entries.push_back(std::move(e));
        clearLeaves();
    }

    [[noreturn]] void fail(size_t offset, const std::string& message) const {
        const Position at = detail::positionOf(text_, offset);
        throw ReturnFileError(at.line, at.column, message);
    }

    std::string text_;
    detail::LineCounter lines_;
    bool inTransaction_ = false;
    bool sawTransactionList_ = false;
    size_t transactionOffset_ = 0;
    Leaf leaves_[kSlots];
};

}  // namespace

Statement readOfxStatement(std::string_view text) {
    return OfxReader(detail::statementUtf8(text)).read();
}

}  // namespace confcred::bankreturn
