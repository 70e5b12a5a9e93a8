#include "server/methods/input_text.h"

#include <cstdio>
#include <optional>

namespace confcred::server::methods {

namespace {

constexpr std::size_t kQuotedCharacters = 40;

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// What is wrong with `text`, as the end of a Portuguese sentence; nothing
// when it is fine.
std::optional<std::string> fault(std::string_view text) {
    if (!validUtf8(text))
        return "não é texto UTF-8 válido";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t length = controlLength(text, i)) {
            unsigned code = static_cast<unsigned char>(text[i]);
            if (length == 2)
                code = static_cast<unsigned char>(text[i + 1]);
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", code);
            return std::string("contém o caractere de controle ") + name +
                   "; envie texto sem caracteres de controle";
        }
    }
    return std::nullopt;
}

void checkPacket(const dataset::DataPacket& packet, const std::string& where) {
    for (std::size_t f = 0; f < packet.fieldCount(); ++f) {
        const std::string& name = packet.fields()[f].name;
        if (auto wrong = fault(name))
            throw ArgumentError(where + ": o nome de um campo " + *wrong + ".");
        const dataset::Column& column = packet.column(f);
        // The import file is read line by line; its reader warns about each bad line.
        if (!column.isText() || name == "ARQUIVO")
            continue;
        for (std::size_t row = 0; row < column.size(); ++row) {
            if (column.isNull(row))
                continue;
            if (auto wrong = fault(column.textAt(row)))
                throw ArgumentError(where + ", campo " + clipForMessage(name) + ", linha " +
                                    std::to_string(row + 1) + ": o texto " + *wrong + ".");
        }
    }
}

}  // namespace

bool validUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= extra; ++i)
            if (!isContinuation(p[i]))
                return false;
        p += extra + 1;
    }
    return true;
}

std::size_t controlLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F)
        return 1;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) <= 0x9F)
        return 2;
    return 0;
}

void checkArgumentTexts(const Args& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string where =
            "Argumento " + std::to_string(i + 1) + " do método " + args.method();
        if (const auto* text = std::get_if<std::string>(&args.raw(i))) {
            if (auto wrong = fault(*text))
                throw ArgumentError(where + ": o texto " + *wrong + ".");
        } else if (const auto* packet = std::get_if<dataset::DataPacket>(&args.raw(i))) {
            checkPacket(*packet, where);
        }
    }
}

void checkOperatorHeader(std::string_view name) {
    if (auto wrong = fault(name))
        throw ArgumentError("O nome do operador (cabeçalho X-Confcred-Operator) " + *wrong + ".");
}

std::string clipForMessage(std::string_view text) {
    std::size_t cut = 0, characters = 0;
    while (cut < text.size() && characters < kQuotedCharacters) {
        ++cut;
        while (cut < text.size() && isContinuation(static_cast<unsigned char>(text[cut])))
            ++cut;
        ++characters;
    }
    return std::string(text.substr(0, cut)) + (cut < text.size() ? "..." : "");
}

}  // namespace confcred::server::methods
