// The main job until the server and the host application exist: a short tour of
// the foundation layers on a handful of credit orders and their family breakdown.
#include <cstdio>
#include <exception>
#include <string>

#include "dataset/packet_codec.h"
#include "dataset/record_set.h"
#include "platform/clock.h"
#include "platform/regional.h"

using namespace confcred;
using dataset::FieldDef;
using dataset::FieldType;
using platform::DateTime;

namespace {

dataset::DataPacket orders() {
    dataset::DataPacket p({{"IDCHECK", FieldType::FixedString, 1},
                           {"IDPEDCREEXTR", FieldType::String, 1},
                           {"NRPEDCRECONS", FieldType::String, 20},
                           {"VRPEDCRECONS", FieldType::Double, 0},
                           {"DTPEDCRECONS", FieldType::DateTime, 0},
                           {"NMCONSUMIDOR", FieldType::String, 50}});
    const struct {
        const char* sit;
        const char* nr;
        double value;
        DateTime when;
        const char* name;
    } rows[] = {
        {"N", "00000000000000000003", 120.5, DateTime::fromParts(2026, 12, 7, 9, 15),
         "Ana Luíza Conceição"},
        {"S", "00000000000000000001", 80.0, DateTime::fromParts(2026, 12, 6),
         "João Antônio Araújo"},
        {"C", "00000000000000000002", 45.9, DateTime::fromParts(2026, 12, 7, 14, 2, 9),
         "Márcia Gonçalves"},
    };
    for (const auto& r : rows) {
        p.column(0).appendText("N");
        p.column(1).appendText(r.sit);
        p.column(2).appendText(r.nr);
        p.column(3).appendDouble(r.value);
        p.column(4).appendDateTime(r.when);
        p.column(5).appendText(r.name);
    }
    return p;
}

dataset::DataPacket families() {
    dataset::DataPacket p({{"CDFAMILISALD", FieldType::String, 3},
                           {"NMFAMILISALD", FieldType::String, 30},
                           {"VRPEDCREFAMI", FieldType::Double, 0},
                           {"NRPEDCRECONS", FieldType::String, 20}});
    const struct {
        const char* code;
        const char* name;
        double value;
        const char* nr;
    } rows[] = {{"001", "Alimentação", 100.5, "00000000000000000003"},
                {"002", "Papelaria", 20.0, "00000000000000000003"},
                {"001", "Alimentação", 80.0, "00000000000000000001"},
                {"003", "Cantina", 45.9, "00000000000000000002"}};
    for (const auto& r : rows) {
        p.column(0).appendText(r.code);
        p.column(1).appendText(r.name);
        p.column(2).appendDouble(r.value);
        p.column(3).appendText(r.nr);
    }
    return p;
}

void printRows(dataset::RecordSet& set) {
    set.first();
    while (!set.eof()) {
        std::string line = "  ";
        for (size_t i = 0; i < set.fieldCount(); ++i) {
            line += set.field(i).displayText();
            line += i + 1 < set.fieldCount() ? " | " : "";
        }
        std::printf("%s\n", line.c_str());
        set.next();
    }
}

}  // namespace

int main() try {
    std::printf("confcred: foundation layers (regional settings: Brazilian Portuguese)\n");
    std::printf("today: %s\n\n", platform::formatDateTime(platform::now()).c_str());

    // The order packet as it travels on the wire, then decoded into a record set.
    const std::string wire = dataset::encodePacket(orders());
    std::printf("order packet on the wire (%zu bytes):\n  %s\n\n", wire.size(), wire.c_str());

    dataset::RecordSet orderList("cdsGetPediCreCons");
    orderList.loadPacket(dataset::decodePacket(wire));
    orderList.fieldByName("VRPEDCRECONS")
        .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
            text = platform::formatFloat00(f.asDouble());
        });

    dataset::RecordSet familyList("cdsPediCredFami");
    familyList.loadPacket(families());
    familyList.fieldByName("VRPEDCREFAMI")
        .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
            text = platform::formatFloat00(f.asDouble());
        });

    orderList.setIndexFieldNames("NRPEDCRECONS");
    std::printf("orders by order number:\n");
    printRows(orderList);

    // The family breakdown follows the current order through an equality filter.
    orderList.first();
    familyList.setFilter("NRPEDCRECONS = '" + orderList.fieldByName("NRPEDCRECONS").asString() +
                         "'");
    familyList.setFiltered(true);
    std::printf("\nfamilies of order %s:\n",
                orderList.fieldByName("NRPEDCRECONS").asString().c_str());
    printRows(familyList);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "confcred-demo: %s\n", e.what());
    return 1;
}
