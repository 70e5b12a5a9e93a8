#include "server/methods/filter_args.h"

#include <algorithm>

#include "dataset/field_def.h"
#include "platform/text.h"
#include "server/methods/input_text.h"
#include "server/storage/text_fold.h"

namespace confcred::server::methods {

namespace {

constexpr std::size_t kOrderNumberWidth = 20;
constexpr std::size_t kDescriptionWidth = 50;

// The filter fields as the operator knows them, by argument position.
constexpr const char* kFilterField[] = {
    "Cliente",  "Consumidor/Resp.", "Período (de)", "Período (até)",
    "Situação", "Contabilizado",    "Nr. Pedido",   "Descrição do Crédito"};

[[noreturn]] void refuse(const Args& args, std::size_t index, const std::string& why) {
    throw ArgumentError("Filtro inválido em \"" + std::string(kFilterField[index]) + "\": " + why +
                        " (argumento " + std::to_string(index + 1) + " de " + args.method() + ")");
}

// Runs `read` on the argument and turns a refusal into one that names the
// filter field, so the operator learns which field is wrong and what it takes.
template <class F>
auto argument(const Args& args, std::size_t index, F&& read) {
    try {
        return read(args.string(index));
    } catch (const SelectionError& e) {
        refuse(args, index, e.what());
    } catch (const ArgumentError& e) {
        refuse(args, index, e.what());
    }
}

platform::DateTime day(const Args& args, std::size_t index) {
    try {
        return args.dateTime(index).datePart();
    } catch (const ArgumentError& e) {
        refuse(args, index, "informe uma data válida. " + std::string(e.what()));
    }
}

}  // namespace

std::optional<std::string> parseCodeList(std::string_view text, std::string_view allowed) {
    if (text.empty())
        return std::nullopt;
    const auto bad = [&] {
        std::string letters;
        for (char c : allowed)
            letters += letters.empty() ? std::string(1, c) : std::string(", ") + c;
        return SelectionError("lista de códigos '" + clipForMessage(text) +
                              "' inválida: use _ seguido de cada letra desejada (" + letters +
                              ") e _, por exemplo _" + std::string(1, allowed.front()) + "_.");
    };
    if (text.front() != '_' || (text.size() - 1) % 2 != 0)
        throw bad();
    std::string codes;
    for (std::size_t i = 1; i < text.size(); i += 2) {
        const char c = text[i];
        if (allowed.find(c) == std::string_view::npos || text[i + 1] != '_')
            throw bad();
        if (codes.find(c) == std::string::npos)
            codes += c;
    }
    return codes;
}

std::optional<std::string> normaliseOrderNumber(std::string_view text) {
    text = platform::trimBlanks(text);
    if (text.empty() || text.size() > kOrderNumberWidth ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::string(kOrderNumberWidth - text.size(), '0') + std::string(text);
}

std::optional<std::string> parseOrderNumber(std::string_view text) {
    if (text == "T" || platform::trimBlanks(text).empty())
        return std::nullopt;
    if (auto number = normaliseOrderNumber(text))
        return number;
    throw SelectionError("número do pedido '" + clipForMessage(text) +
                         "' inválido: informe somente dígitos, no máximo 20.");
}

std::optional<std::string> parseDescription(std::string_view text) {
    if (text == "T" || text.empty())
        return std::nullopt;
    if (text.front() == '%')
        text.remove_prefix(1);
    if (!text.empty() && text.back() == '%')
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;  // "%%": the box was left empty
    // No longer text fits in DSSITCREBANC; refusing it also keeps an endless
    // pattern away from the database.
    if (dataset::utf8Length(text) > kDescriptionWidth)
        throw SelectionError("descrição com mais de " + std::to_string(kDescriptionWidth) +
                             " caracteres; digite um trecho menor da descrição.");
    return storage::containsPattern(text);
}

OrderFilter readOrderFilter(const Args& args) {
    args.expectCount(8);
    OrderFilter filter;
    filter.clients = argument(args, 0, [](const std::string& text) {
        if (text == "T")
            return std::optional<std::vector<std::string>>();
        if (text.empty())
            throw SelectionError(
                "nenhum cliente selecionado; escolha clientes ou use T para todos.");
        auto keys = parseSelection(text);
        for (auto& key : keys)
            key = std::string(platform::trimBlanks(key));
        return std::optional(std::move(keys));
    });
    filter.consumers = argument(args, 1, [](const std::string& text) {
        if (text == "T")
            return std::optional<std::vector<ConsumerKey>>();
        if (text.empty())
            throw SelectionError(
                "nenhum consumidor selecionado; escolha consumidores ou use T para todos.");
        std::vector<ConsumerKey> keys;
        for (const auto& key : parseSelection(text))
            keys.push_back(splitConsumerKey(key));
        return std::optional(std::move(keys));
    });
    filter.firstDay = day(args, 2);
    filter.lastDay = day(args, 3);
    filter.situations =
        argument(args, 4, [](const std::string& text) { return parseCodeList(text, "SNC"); });
    filter.accounted =
        argument(args, 5, [](const std::string& text) { return parseCodeList(text, "SN"); });
    filter.orderNumber =
        argument(args, 6, [](const std::string& text) { return parseOrderNumber(text); });
    filter.descriptionPattern =
        argument(args, 7, [](const std::string& text) { return parseDescription(text); });
    return filter;
}

}  // namespace confcred::server::methods
