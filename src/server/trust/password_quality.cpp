#include "server/trust/password_quality.h"

#include <pwquality.h>

#include <memory>

#include "server/trust/operators.h"

namespace confcred::server::trust {

namespace {

constexpr int kMaxRepeat = 3;    // the same character at most this often in a row
constexpr int kMaxSequence = 4;  // "1234", "abcd": at most this long

std::string reasonFor(int error) {
    switch (error) {
        case PWQ_ERROR_MIN_LENGTH:
        case PWQ_ERROR_EMPTY_PASSWORD:
            return "ela deve ter ao menos " + std::to_string(kMinPasswordBytes) + " caracteres";
        case PWQ_ERROR_CRACKLIB_CHECK:
            return "ela é fácil de adivinhar (uma palavra de dicionário ou uma sequência simples)";
        case PWQ_ERROR_MAX_CONSECUTIVE:
            return "ela repete o mesmo caractere mais de " + std::to_string(kMaxRepeat) +
                   " vezes seguidas";
        case PWQ_ERROR_MAX_SEQUENCE:
            return "ela contém uma sequência óbvia (como 12345 ou abcde)";
        case PWQ_ERROR_USER_CHECK:
            return "ela contém o nome do operador";
        case PWQ_ERROR_PALINDROME:
            return "ela é um palíndromo";
        default:
            return "ela é fraca demais";
    }
}

}  // namespace

std::string passwordRefusal(std::string_view password, std::string_view name) {
    const std::unique_ptr<pwquality_settings_t, void (*)(pwquality_settings_t*)> settings(
        pwquality_default_settings(), pwquality_free_settings);
    if (!settings)
        return "Senha recusada: não foi possível verificá-la (memória insuficiente).";
    // Plain length, without credits for digits or letters of each kind.
    for (const auto& [setting, value] :
         {std::pair{PWQ_SETTING_MIN_LENGTH, static_cast<int>(kMinPasswordBytes)},
          {PWQ_SETTING_DIG_CREDIT, 0},
          {PWQ_SETTING_UP_CREDIT, 0},
          {PWQ_SETTING_LOW_CREDIT, 0},
          {PWQ_SETTING_OTH_CREDIT, 0},
          {PWQ_SETTING_MAX_REPEAT, kMaxRepeat},
          {PWQ_SETTING_MAX_SEQUENCE, kMaxSequence},
          {PWQ_SETTING_DICT_CHECK, 1},
          {PWQ_SETTING_USER_CHECK, 1}})
        pwquality_set_int_value(settings.get(), setting, value);
    const std::string text(password), user(name);
    const int score = pwquality_check(settings.get(), text.c_str(), nullptr, user.c_str(), nullptr);
    if (score >= 0)
        return {};
    return "Senha recusada: " + reasonFor(score) + ". Escolha outra.";
}

}  // namespace confcred::server::trust
