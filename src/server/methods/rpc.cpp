#include "server/methods/rpc.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace confcred::server::methods {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

void Args::expectCount(std::size_t n) const {
    if (values_.size() != n)
        throw ArgumentError("O método " + method_ + " espera " + std::to_string(n) +
                            " argumentos e recebeu " + std::to_string(values_.size()) + ".");
}

namespace {

[[noreturn]] void wrongType(const std::string& method, std::size_t i, const char* expected) {
    throw ArgumentError("Argumento " + std::to_string(i + 1) + " do método " + method +
                        ": esperado " + expected + ".");
}

}  // namespace

const std::string& Args::string(std::size_t i) const {
    if (i >= values_.size())
        expectCount(i + 1);
    if (const auto* s = std::get_if<std::string>(&values_[i]))
        return *s;
    wrongType(method_, i, "um texto");
}

platform::DateTime Args::dateTime(std::size_t i) const {
    if (i >= values_.size())
        expectCount(i + 1);
    if (const auto* s = std::get_if<std::string>(&values_[i])) {
        if (auto value = platform::DateTime::parseIso(*s))
            return *value;
    }
    wrongType(method_, i, "uma data no formato AAAA-MM-DDTHH:MM:SS");
}

std::int64_t Args::integer(std::size_t i) const {
    if (i >= values_.size())
        expectCount(i + 1);
    if (const auto* d = std::get_if<double>(&values_[i])) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 9.0e15)
            return static_cast<std::int64_t>(*d);
    } else if (const auto* s = std::get_if<std::string>(&values_[i])) {
        if (!s->empty() && s->size() <= 15 &&
            std::all_of(s->begin(), s->end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::stoll(*s);
    }
    wrongType(method_, i, "um número inteiro");
}

std::string Args::text(std::size_t i) const {
    if (i >= values_.size())
        expectCount(i + 1);
    if (const auto* s = std::get_if<std::string>(&values_[i]))
        return *s;
    if (std::holds_alternative<double>(values_[i]))
        return std::to_string(integer(i));
    wrongType(method_, i, "um texto ou número");
}

const dataset::DataPacket& Args::packet(std::size_t i) const {
    if (i >= values_.size())
        expectCount(i + 1);
    if (const auto* p = std::get_if<dataset::DataPacket>(&values_[i]))
        return *p;
    wrongType(method_, i, "um pacote de dados");
}

void MethodTable::add(std::string name, Method method) {
    methods_.emplace_back(std::move(name), std::move(method));
}

const Method* MethodTable::find(std::string_view name) const {
    for (const auto& [known, method] : methods_)
        if (sameName(known, name))
            return &method;
    return nullptr;
}

std::vector<std::string> MethodTable::names() const {
    std::vector<std::string> out;
    for (const auto& entry : methods_)
        out.push_back(entry.first);
    return out;
}

}  // namespace confcred::server::methods
