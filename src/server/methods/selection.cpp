#include "server/methods/selection.h"

#include "dataset/field_def.h"
#include "platform/text.h"
#include "server/methods/input_text.h"

namespace confcred::server::methods {

namespace {

[[noreturn]] void refuse(std::size_t position, const std::string& what) {
    throw SelectionError("Seleção inválida na posição " + std::to_string(position + 1) + ": " +
                         what +
                         " Use o formato 'código','código' (aspas simples, separadas por "
                         "vírgula) ou T para todos.");
}

// Byte offset just past the first `chars` characters of a UTF-8 text.
std::size_t offsetOfChars(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    while (i < text.size() && chars > 0) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
        --chars;
    }
    return i;
}

}  // namespace

std::vector<std::string> parseSelection(std::string_view text) {
    std::vector<std::string> keys;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!keys.empty()) {
            if (text[i] != ',')
                refuse(i, "esperada uma vírgula entre os códigos.");
            if (++i == text.size())
                refuse(i, "falta um código depois da última vírgula.");
        }
        if (text[i] != '\'')
            refuse(i, "cada código deve vir entre aspas simples.");
        const std::size_t start = i++;
        std::string key;
        for (;;) {
            if (i == text.size())
                refuse(start, "aspas simples sem fechamento.");
            if (text[i] == '\'') {
                if (i + 1 < text.size() && text[i + 1] == '\'') {
                    key += '\'';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            key += text[i++];
        }
        if (dataset::utf8Length(key) > kMaxSelectionKeyLength)
            refuse(start,
                   "código com mais de " + std::to_string(kMaxSelectionKeyLength) + " caracteres.");
        if (keys.size() == kMaxSelectionKeys)
            refuse(start,
                   "mais de " + std::to_string(kMaxSelectionKeys) + " códigos selecionados.");
        keys.push_back(std::move(key));
    }
    return keys;
}

std::string makeConsumerKey(std::string_view client, std::string_view consumer) {
    std::string key(client);
    for (std::size_t n = dataset::utf8Length(client); n < kCodeWidth; ++n)
        key += ' ';
    key += consumer;
    for (std::size_t n = dataset::utf8Length(consumer); n < kCodeWidth; ++n)
        key += ' ';
    return key;
}

ConsumerKey splitConsumerKey(std::string_view key) {
    const std::size_t cut = offsetOfChars(key, kCodeWidth);
    ConsumerKey out{std::string(platform::trimBlanks(key.substr(0, cut))),
                    std::string(platform::trimBlanks(key.substr(cut)))};
    if (out.client.empty() || out.consumer.empty())
        throw SelectionError("Chave de consumidor inválida '" + clipForMessage(key) +
                             "': esperados o código do cliente com 21 caracteres seguido do "
                             "código do consumidor. Pesquise os consumidores novamente.");
    return out;
}

}  // namespace confcred::server::methods
