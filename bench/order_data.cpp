#include "order_data.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "dataset/record_set.h"
#include "platform/datetime.h"

namespace confcred::bench {
namespace {

using dataset::DataPacket;
using dataset::FieldDef;
using dataset::FieldType;

constexpr std::array<std::string_view, 32> kFirstNames = {
    "João",    "José",     "Antônio",  "Maria",   "Conceição", "Inês",    "Luís",   "Márcia",
    "Sérgio",  "Fábio",    "Tânia",    "Lúcia",   "Célia",     "Vânia",   "Mônica", "André",
    "Ana",     "Paulo",    "Cláudia",  "Rogério", "Débora",    "Marcelo", "Júlia",  "Otávio",
    "Letícia", "Vinícius", "Patrícia", "Caio",    "Bárbara",   "Hélio",   "Íris",   "Jéssica"};

constexpr std::array<std::string_view, 32> kSurnames = {
    "da Silva",  "Gonçalves",  "Araújo",    "Magalhães", "da Conceição", "Simões",  "Lopes",
    "Guimarães", "Brandão",    "Patrício",  "Assunção",  "Falcão",       "Romão",   "Sebastião",
    "Pereira",   "Conceição",  "Rodrigues", "Fernandes", "de Souza",     "Ribeiro", "Gomes",
    "Martins",   "Carvalho",   "Almeida",   "Lourenço",  "Estêvão",      "Barros",  "Nogueira",
    "Medeiros",  "Cavalcânti", "Antunes",   "Vieira"};

constexpr std::array<std::string_view, 12> kTrades = {"Comércio de Alimentos",
                                                      "Distribuidora",
                                                      "Materiais de Construção",
                                                      "Magazine",
                                                      "Eletrodomésticos",
                                                      "Móveis",
                                                      "Supermercado",
                                                      "Farmácia",
                                                      "Papelaria",
                                                      "Calçados",
                                                      "Confecções",
                                                      "Autopeças"};

constexpr std::array<std::string_view, 10> kFamilies = {
    "Eletrodomésticos",  "Móveis e Decoração", "Informática", "Vestuário",
    "Calçados",          "Cama, Mesa e Banho", "Ferramentas", "Telefonia",
    "Utilidades do Lar", "Esporte e Lazer"};

size_t charCount(std::string_view text) {
    return dataset::utf8Length(text);
}

// A person's name of 15 to 40 characters: a first name, maybe a second one,
// then surnames until the drawn length is reached.
std::string personName(Random& random) {
    const auto target = static_cast<size_t>(random.between(15, 40));
    std::string name(kFirstNames[random.next() % kFirstNames.size()]);
    if (random.next() % 3 == 0) {
        name += ' ';
        name += kFirstNames[random.next() % kFirstNames.size()];
    }
    for (int tries = 0; charCount(name) < target && tries < 12; ++tries) {
        const std::string_view part = kSurnames[random.next() % kSurnames.size()];
        if (charCount(name) + 1 + charCount(part) <= 40) {
            name += ' ';
            name += part;
        }
    }
    while (charCount(name) < 15)
        name += " Neto";
    return name;
}

std::string companyName(Random& random) {
    std::string name(kTrades[random.next() % kTrades.size()]);
    name += ' ';
    name += kSurnames[random.next() % kSurnames.size()];
    name += random.next() % 2 ? " Ltda." : " S.A.";
    return name;
}

std::string digits(Random& random, int count) {
    std::string text(static_cast<size_t>(count), '0');
    for (char& c : text)
        c = static_cast<char>('0' + random.next() % 10);
    return text;
}

std::string zeroPadded(uint64_t number, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llu", width, static_cast<unsigned long long>(number));
    return buf;
}

double cents(Random& random, int64_t low, int64_t high) {
    return static_cast<double>(random.between(low * 100, high * 100)) / 100.0;
}

}  // namespace

std::vector<FieldDef> orderFields() {
    return {{"IDCHECK", FieldType::FixedString, 1},   {"IDPEDCREEXTR", FieldType::String, 1},
            {"IDPEDCRECONT", FieldType::String, 1},   {"NRBOLETO", FieldType::String, 20},
            {"NRPEDCRECONS", FieldType::String, 20},  {"CDCLIENTE", FieldType::String, 21},
            {"CDCONSUMIDOR", FieldType::String, 21},  {"VRPEDCRECONS", FieldType::Double, 0},
            {"DTPEDCRECONS", FieldType::DateTime, 0}, {"DSSITCREBANC", FieldType::String, 50},
            {"NMCONSUMIDOR", FieldType::String, 50},  {"NMRESPCONS", FieldType::String, 50},
            {"NMRAZSOCCLIE", FieldType::String, 50}};
}

std::vector<FieldDef> familyFields() {
    return {{"CDFAMILISALD", FieldType::String, 3},
            {"NMFAMILISALD", FieldType::String, 30},
            {"VRPEDCREFAMI", FieldType::Double, 0},
            {"NRPEDCRECONS", FieldType::String, 20}};
}

void declareOrderFields(dataset::RecordSet& set) {
    for (FieldDef& def : orderFields())
        set.addField(std::move(def));
}

void declareFamilyFields(dataset::RecordSet& set) {
    for (FieldDef& def : familyFields())
        set.addField(std::move(def));
}

DataPacket makeOrders(size_t count, uint64_t seed) {
    Random random(seed);
    DataPacket packet(orderFields());
    auto& c = packet.columns();
    for (size_t f = 0; f < c.size(); ++f) {
        c[f].reserve(count, count * static_cast<size_t>(packet.fields()[f].size));
    }

    // Clients are fewer than orders: a client has many consumers' orders.
    const size_t clientCount = count / 50 + 1;
    std::vector<std::string> clientCodes, clientNames;
    for (size_t i = 0; i < clientCount; ++i) {
        clientCodes.push_back(digits(random, 14));
        clientNames.push_back(companyName(random));
    }
    static constexpr std::string_view kExternal = "SNC", kConfirmed = "SN";
    const auto start = platform::DateTime::fromParts(2026, 1, 1);
    for (size_t i = 0; i < count; ++i) {
        const size_t client = random.next() % clientCount;
        c[0].appendText("N");
        c[1].appendText(kExternal.substr(random.next() % 3, 1));
        c[2].appendText(kConfirmed.substr(random.next() % 2, 1));
        c[3].appendText(digits(random, static_cast<int>(random.between(12, 20))));
        c[4].appendText(zeroPadded(i + 1, 20));
        c[5].appendText(clientCodes[client]);
        c[6].appendText(digits(random, 11));
        c[7].appendDouble(cents(random, 50, 50'000));
        c[8].appendDateTime(start.addMs(random.between(0, 364LL * 86'400) * 1000));
        c[9].appendText("Crédito via boleto bancário " + std::to_string(random.between(1, 99'999)));
        c[10].appendText(personName(random));
        c[11].appendText(personName(random));
        c[12].appendText(clientNames[client]);
    }
    return packet;
}

DataPacket makeFamilies(const DataPacket& orders, size_t perOrder, uint64_t seed) {
    Random random(seed);
    DataPacket packet(familyFields());
    auto& c = packet.columns();
    const size_t rows = orders.rowCount() * perOrder;
    for (size_t f = 0; f < c.size(); ++f) {
        c[f].reserve(rows, rows * static_cast<size_t>(packet.fields()[f].size));
    }
    const int number = orders.fieldIndex("NRPEDCRECONS");
    const dataset::Column& numbers = orders.column(static_cast<size_t>(number));
    for (size_t o = 0; o < orders.rowCount(); ++o) {
        for (size_t k = 0; k < perOrder; ++k) {
            const size_t family = (o + k * 3) % kFamilies.size();
            c[0].appendText(zeroPadded(family + 1, 3));
            c[1].appendText(kFamilies[family]);
            c[2].appendDouble(cents(random, 10, 5'000));
            c[3].appendText(numbers.textAt(o));
        }
    }
    return packet;
}

}  // namespace confcred::bench
