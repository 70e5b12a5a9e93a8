#include "order_data.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dataset/record_set.h"
#include "dataset/records.h"
#include "platform/datetime.h"

namespace confcred::bench {
namespace {

using dataset::DataPacket;
using dataset::FieldDef;

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

void reserve(DataPacket& packet, size_t rows) {
    for (size_t f = 0; f < packet.fieldCount(); ++f)
        packet.column(f).reserve(rows, rows * static_cast<size_t>(packet.fields()[f].size));
}

// The columns of a packet by field name; a field the generator does not know
// (one added to the record since) is left null rather than out of step.
class Named {
  public:
    explicit Named(DataPacket& packet) : packet_(packet), named_(packet.fieldCount(), false) {}
    dataset::Column& operator[](std::string_view name) {
        const int at = packet_.fieldIndex(name);
        if (at < 0)
            throw std::logic_error("the record has no field " + std::string(name));
        named_[static_cast<size_t>(at)] = true;
        return packet_.column(static_cast<size_t>(at));
    }
    void fillUnnamed(size_t rows) {
        for (size_t f = 0; f < named_.size(); ++f)
            for (size_t r = 0; !named_[f] && r < rows; ++r)
                packet_.column(f).appendNull();
    }

  private:
    DataPacket& packet_;
    std::vector<bool> named_;
};

}  // namespace

std::vector<FieldDef> orderFields() {
    return dataset::records::fieldDefs(dataset::records::kOrder);
}

std::vector<FieldDef> familyFields() {
    return dataset::records::fieldDefs(dataset::records::kFamily);
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
    reserve(packet, count);
    Named c(packet);
    auto &check = c["IDCHECK"], &external = c["IDPEDCREEXTR"], &confirmed = c["IDPEDCRECONT"],
         &boleto = c["NRBOLETO"], &number = c["NRPEDCRECONS"], &clientCode = c["CDCLIENTE"],
         &consumer = c["CDCONSUMIDOR"], &value = c["VRPEDCRECONS"], &when = c["DTPEDCRECONS"],
         &description = c["DSSITCREBANC"], &consumerName = c["NMCONSUMIDOR"],
         &responsible = c["NMRESPCONS"], &clientName = c["NMRAZSOCCLIE"];

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
        check.appendText("N");
        external.appendText(kExternal.substr(random.next() % 3, 1));
        confirmed.appendText(kConfirmed.substr(random.next() % 2, 1));
        boleto.appendText(digits(random, static_cast<int>(random.between(12, 20))));
        number.appendText(zeroPadded(i + 1, 20));
        clientCode.appendText(clientCodes[client]);
        consumer.appendText(digits(random, 11));
        value.appendDouble(cents(random, 50, 50'000));
        when.appendDateTime(start.addMs(random.between(0, 364LL * 86'400) * 1000));
        description.appendText("Crédito via boleto bancário " +
                               std::to_string(random.between(1, 99'999)));
        consumerName.appendText(personName(random));
        responsible.appendText(personName(random));
        clientName.appendText(clientNames[client]);
    }
    c.fillUnnamed(count);
    return packet;
}

DataPacket makeFamilies(const DataPacket& orders, size_t perOrder, uint64_t seed) {
    Random random(seed);
    DataPacket packet(familyFields());
    const size_t rows = orders.rowCount() * perOrder;
    reserve(packet, rows);
    Named c(packet);
    auto &code = c["CDFAMILISALD"], &name = c["NMFAMILISALD"], &value = c["VRPEDCREFAMI"],
         &number = c["NRPEDCRECONS"];
    const dataset::Column& numbers =
        orders.column(static_cast<size_t>(orders.fieldIndex("NRPEDCRECONS")));
    for (size_t o = 0; o < orders.rowCount(); ++o) {
        for (size_t k = 0; k < perOrder; ++k) {
            const size_t family = (o + k * 3) % kFamilies.size();
            code.appendText(zeroPadded(family + 1, 3));
            name.appendText(kFamilies[family]);
            value.appendDouble(cents(random, 10, 5'000));
            number.appendText(numbers.textAt(o));
        }
    }
    c.fillUnnamed(rows);
    return packet;
}

}  // namespace confcred::bench
