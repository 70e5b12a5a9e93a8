// getConciliacaoExtrato in-process, on SQLite and (when available)
// PostgreSQL: statements built from planted orders, in every form the server
// reads, give back the planted letters, and never name an order that the
// entry did not pay.

#include <gtest/gtest.h>

#include "dataset/records.h"
#include "storage_fixture.h"
#include "support/statement_files.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;
using platform::DateTime;

DataPacket filePacket(const std::string& text) {
    DataPacket p(dataset::records::fieldDefs(dataset::records::kImport));
    p.column(0).appendText(text);
    return p;
}

struct Planted {
    ComposedEntry entry;
    char letter;
    std::string slip;         // of the order the entry paid; empty: none
    int64_t candidates = -1;  // -1: not checked
};

class StatementMatching : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            open();
    }
    std::string number(const std::string& slip) {
        return scalar("SELECT NRPEDCRECONS FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip});
    }
    void changeSituation(const std::string& method, const std::string& slip,
                         std::vector<server::methods::Arg> more = {}) {
        DataPacket p(dataset::records::fieldDefs(dataset::records::kSelected));
        for (std::size_t f = 0; f < p.fieldCount(); ++f)
            p.column(f).appendNull();
        const auto set = [&](const char* name, const std::string& v) {
            p.column(static_cast<std::size_t>(p.fieldIndex(name))).setText(0, v);
        };
        set("NRPEDCRECONS", number(slip));
        set("CDCLIENTE", scalar("SELECT CDCLIENTE FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip}));
        set("CDCONSUMIDOR",
            scalar("SELECT CDCONSUMIDOR FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip}));
        std::vector<server::methods::Arg> args{p};
        for (auto& a : more)
            args.push_back(std::move(a));
        call(method, std::move(args));
    }
};

std::string reais(int64_t cents) {
    return std::to_string(cents / 100) + "," + (cents % 100 < 10 ? "0" : "") +
           std::to_string(cents % 100);
}

// The responsible person's name as a bank writes the payer: upper case,
// accents off, words in another order.
std::string asBankWrites(const std::string& name) {
    std::string folded;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == 0xC3 && i + 1 < name.size()) {
            const auto n = static_cast<unsigned char>(name[++i]);
            folded += n >= 0xA0 && n <= 0xA5   ? 'A'
                      : n == 0xA7              ? 'C'
                      : n >= 0xA8 && n <= 0xAB ? 'E'
                      : n >= 0xAC && n <= 0xAF ? 'I'
                      : n >= 0xB2 && n <= 0xB6 ? 'O'
                      : n >= 0xB9 && n <= 0xBC ? 'U'
                                               : '?';
        } else {
            folded += static_cast<char>(std::toupper(c));
        }
    }
    const std::size_t blank = folded.rfind(' ');
    return blank == std::string::npos ? folded
                                      : folded.substr(blank + 1) + " " + folded.substr(0, blank);
}

TEST_P(StatementMatching, LettersAreThePlantedTruthInEveryForm) {
    struct Consumer {
        std::string client, code, responsible;
    };
    std::vector<Consumer> consumers;
    db_->read([&](server::storage::Session& s) {
        s.query(
            "SELECT CDCLIENTE, CDCONSUMIDOR, NMRESPCONS FROM CONSUMIDOR"
            " ORDER BY CDCLIENTE, CDCONSUMIDOR",
            {}, [&](const server::storage::Row& r) {
                consumers.push_back(
                    {std::string(r.text(0)), std::string(r.text(1)), std::string(r.text(2))});
            });
        return 0;
    });
    ASSERT_GE(consumers.size(), 12u);

    // Orders of amounts no demo order has, dated in November.
    std::string importFile;
    int next = 0;
    const auto order = [&](const Consumer& c, int day, int64_t cents) {
        const std::string slip = std::to_string(7'000'000 + ++next);
        importFile += "C;" + c.client + ";" + c.code + ";" + slip + ";" + (day < 10 ? "0" : "") +
                      std::to_string(day) + "/11/2026;Teste;ALI=" + reais(cents) + "\n";
        return slip;
    };
    const auto credit = [&](int day, int hour = 10) {
        return DateTime::fromParts(2026, 11, day, hour, 15);
    };
    std::vector<Planted> planted;
    int fitid = 0;
    const auto entry = [&](DateTime when, int64_t cents, std::string memo, std::string payer = {}) {
        return ComposedEntry{when,
                             cents,
                             "20261102" + std::to_string(1000 + ++fitid),
                             std::move(memo),
                             std::move(payer),
                             {},
                             {}};
    };
    for (int k = 0; k < 4; ++k) {
        const Consumer& c = consumers[static_cast<std::size_t>(k)];
        const int64_t base = 9'000'000 + k * 1'000;
        const std::string named = order(c, 2 + k, base + 1);
        planted.push_back({entry(credit(5 + k), base + 1, "PAGTO BOLETO " + named), 'M', named});
        const std::string other = order(c, 2 + k, base + 2);
        planted.push_back({entry(credit(5 + k), base + 2 + 100, "BOLETO " + other), 'V', other});
        const std::string probable = order(c, 2 + k, base + 3);
        Planted p{entry(credit(5 + k, 11), base + 3, "PIX RECEBIDO", asBankWrites(c.responsible)),
                  'P', probable, 1};
        planted.push_back(p);
        planted.push_back({p.entry, 'D', {}});  // the same entry again
        // Two orders of one consumer with one amount: the payer cannot tell them apart.
        order(c, 3 + k, base + 4);
        order(c, 4 + k, base + 4);
        planted.push_back(
            {entry(credit(6 + k), base + 4, "PIX RECEBIDO", asBankWrites(c.responsible)),
             'A',
             {},
             2});
        // Another person's money of the same amount as a pending order.
        const Consumer& stranger = consumers[static_cast<std::size_t>(k + 6)];
        order(c, 2 + k, base + 5);
        planted.push_back(
            {entry(credit(6 + k), base + 5, "TED RECEBIDA", asBankWrites(stranger.responsible)),
             'A',
             {},
             1});
        planted.push_back(
            {entry(credit(6 + k), base + 6, "PIX RECEBIDO", "FULANO DE TAL"), 'X', {}});
        // Paid two weeks after the order: outside the ten days.
        order(c, 1, base + 7);
        planted.push_back(
            {entry(credit(15 + k), base + 7, "PIX", asBankWrites(c.responsible)), 'X', {}});
        const std::string effected = order(c, 2, base + 8);
        planted.push_back({entry(credit(9), base + 8, "BOLETO " + effected), 'E', effected});
        const std::string cancelled = order(c, 2, base + 9);
        planted.push_back({entry(credit(9), base + 9, "BOLETO " + cancelled), 'C', cancelled});
        planted.push_back({entry(credit(9), -(base + 1), "TARIFA PACOTE"), 'O', {}});
    }
    ASSERT_EQ(callPacket("SetImporSaldoCons", {filePacket(importFile)}).rowCount(), 0u);
    for (const Planted& p : planted) {
        if (p.letter == 'E')
            changeSituation("setEfetivaSaldo", p.slip);
        else if (p.letter == 'C')
            changeSituation("setSituacao", p.slip, {std::string("C")});
    }

    std::vector<ComposedEntry> entries, credits;
    std::vector<Planted> creditsPlanted;
    for (const Planted& p : planted) {
        entries.push_back(p.entry);
        if (p.entry.cents > 0) {
            credits.push_back(p.entry);
            creditsPlanted.push_back(p);
        }
    }
    const std::string ledger = scalar("SELECT COUNT(*) FROM LANCSALDO");
    const struct {
        const char* form;
        std::string text;
        const std::vector<Planted>& truth;
    } forms[] = {
        {"OFX, CR LF, Windows-1252", composeOfx(entries, 3), planted},
        {"OFX, LF", composeOfx(entries, 4), planted},
        {"OFX, CR", composeOfx(entries, 5), planted},
        {"OFX 2", composeOfxXml(entries), planted},
        {"CNAB 240", composeCnab240Statement("341", entries), planted},
        {"PIX", composePixList(credits), creditsPlanted},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.form);
        const DataPacket answer = callPacket("getConciliacaoExtrato", {filePacket(f.text)});
        ASSERT_EQ(answer.rowCount(), f.truth.size());
        const auto text = [&](const char* name, std::size_t row) {
            const auto& c = answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
            return c.isNull(row) ? std::string() : std::string(c.textAt(row));
        };
        for (std::size_t row = 0; row < f.truth.size(); ++row) {
            const Planted& p = f.truth[row];
            SCOPED_TRACE("row " + std::to_string(row) + ": " + text("DSRESULTADO", row));
            EXPECT_EQ(text("IDRESULTADO", row), std::string(1, p.letter));
            // Never an order the entry did not pay.
            EXPECT_EQ(text("NRPEDCRECONS", row), p.slip.empty() ? "" : number(p.slip));
            if (p.candidates >= 0) {
                EXPECT_EQ(answer.column(static_cast<std::size_t>(answer.fieldIndex("NRCANDIDATOS")))
                              .integerAt(row),
                          p.candidates);
            }
        }
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO"), ledger) << "reading changed the ledger";
}

TEST_P(StatementMatching, ThePayersDocumentOutweighsTheName) {
    const auto consumer = [&](const char* code, const char* column) {
        return scalar(std::string("SELECT ") + column + " FROM CONSUMIDOR WHERE CDCONSUMIDOR = ?",
                      {std::string(code)});
    };
    const std::string document = consumer("CONS0001", "NRDOCRESPCONS");
    ASSERT_EQ(document.size(), 11u);
    ASSERT_EQ(callPacket("SetImporSaldoCons",
                         {filePacket("C;CLI001;CONS0001;8000001;02/11/2026;T;ALI=91234,01\n"
                                     "C;CLI001;CONS0002;8000002;02/11/2026;T;ALI=91234,02\n")})
                  .rowCount(),
              0u);
    const DateTime when = DateTime::fromParts(2026, 11, 3, 9);
    const std::string pix = composePixList({
        {when, 9123401, "E1", "", "NOME QUALQUER", document, ""},
        // CONS0002's parent by name, but paying with CONS0001's parent's CPF.
        {when, 9123402, "E2", "", asBankWrites(consumer("CONS0002", "NMRESPCONS")), document, ""},
    });
    const DataPacket answer = callPacket("getConciliacaoExtrato", {filePacket(pix)});
    const auto& letter = answer.column(static_cast<std::size_t>(answer.fieldIndex("IDRESULTADO")));
    ASSERT_EQ(answer.rowCount(), 2u);
    EXPECT_EQ(letter.textAt(0), "P");
    EXPECT_EQ(letter.textAt(1), "A");
}

TEST_P(StatementMatching, ABrokenStatementIsRefusedWhole) {
    try {
        call("getConciliacaoExtrato", {filePacket("OFXHEADER:100\n\n<OFX><BANKTRANLIST>\n"
                                                  "<STMTTRN><DTPOSTED>20261201<TRNAMT>1.234"
                                                  "</STMTTRN></BANKTRANLIST></OFX>")});
        FAIL() << "read";
    } catch (const server::methods::MethodError& e) {
        EXPECT_EQ(e.httpStatus(), 422) << e.what();
        EXPECT_NE(std::string(e.what()).find("Extrato recusado; nada foi lido. Linha 4, coluna 36"),
                  std::string::npos)
            << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, StatementMatching, ::testing::Values("sqlite", "postgres"),
                         backendName);

}  // namespace
}  // namespace confcred::testing
