#include "server/ops/master_data.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "server/storage/database.h"
#include "server/storage/schema.h"

namespace confcred::server::ops {

namespace {

struct ColumnSpec {
    const char* name;
    std::size_t maxChars;  // in characters, as the column's VARCHAR(n)
    bool required;
    bool digitsOnly = false;
};

struct FileSpec {
    const char* name;
    std::vector<ColumnSpec> columns;
    std::vector<const char*> key;  // unique within the file
    const char* keyWhat;           // for messages: "o cliente"
};

// FILIAIS lists the client's branch codes separated by commas.
const std::vector<FileSpec>& fileSpecs() {
    static const std::vector<FileSpec> specs = {
        {"familias.csv",
         {{"CDFAMILISALD", 3, true}, {"NMFAMILISALD", 30, true}},
         {"CDFAMILISALD"},
         "a família"},
        {"clientes.csv",
         {{"CDCLIENTE", 21, true},
          {"NRINSJURCLIE", 18, false, true},
          {"NMRAZSOCCLIE", 50, true},
          {"FILIAIS", 1000, false}},
         {"CDCLIENTE"},
         "o cliente"},
        {"consumidores.csv",
         {{"CDCLIENTE", 21, true},
          {"CDCONSUMIDOR", 21, true},
          {"NMCONSUMIDOR", 50, true},
          {"NMRESPCONS", 50, false},
          {"NRDOCRESPCONS", 18, false, true}},
         {"CDCLIENTE", "CDCONSUMIDOR"},
         "o consumidor"},
    };
    return specs;
}

constexpr std::size_t kMaxBranchChars = 10;

// The number of characters of valid UTF-8 text; npos when it is not valid.
std::size_t utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c >= 0xC2 && c < 0xE0)
            extra = 1;
        else if (c >= 0xE0 && c < 0xF0)
            extra = 2;
        else if (c >= 0xF0 && c < 0xF5)
            extra = 3;
        else if (c >= 0x80)
            return std::string_view::npos;
        if (extra >= text.size() - i)
            return std::string_view::npos;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return std::string_view::npos;
        i += extra + 1;
    }
    return count;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Splits one line at the semicolons; a field may be quoted ("a;b", "" for a
// quote). False when a quote is left open.
bool splitLine(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && trimmed(field).empty()) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == ';') {
            fields.push_back(wasQuoted ? field : trimmed(field));
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    fields.push_back(wasQuoted ? field : trimmed(field));
    return !quoted;
}

std::string at(int line, const std::string& file) {
    return "Linha " + std::to_string(line) + " de " + file + ": ";
}

MasterFile readFile(const FileSpec& spec, const std::filesystem::path& path,
                    std::vector<std::string>& problems) {
    MasterFile out;
    out.name = spec.name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problems.push_back("Não foi possível abrir o arquivo " + path.string() + ".");
        return out;
    }
    std::vector<std::string> header, fields;
    std::map<std::vector<std::string>, int> seen;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        const std::string where = at(number, spec.name);
        if (number > 1 && trimmed(line).empty())
            continue;
        if (utf8Length(line) == std::string_view::npos) {
            problems.push_back(where + "o texto não é UTF-8 válido.");
            continue;
        }
        if (!splitLine(line, fields)) {
            problems.push_back(where + "há aspas abertas que não se fecham na linha.");
            continue;
        }
        if (number == 1) {
            for (auto& f : fields) {
                f = upper(f);
                bool known = false;
                for (const auto& c : spec.columns)
                    known = known || f == c.name;
                if (!known)
                    problems.push_back(where + "coluna desconhecida \"" + f + "\".");
            }
            for (const auto& c : spec.columns)
                if (c.required && std::find(fields.begin(), fields.end(), c.name) == fields.end())
                    problems.push_back(where + "falta a coluna " + c.name + ".");
            header = fields;
            continue;
        }
        if (fields.size() != header.size()) {
            problems.push_back(where + "esperava " + std::to_string(header.size()) +
                               " campos separados por ponto e vírgula, encontrou " +
                               std::to_string(fields.size()) + ".");
            continue;
        }
        std::map<std::string, std::string> row;
        bool good = true;
        for (std::size_t i = 0; i < header.size(); ++i)
            row[header[i]] = fields[i];
        for (const auto& c : spec.columns) {
            const std::string& value = row[c.name];
            std::string problem;
            if (c.required && value.empty())
                problem = c.name + std::string(" está vazio.");
            else if (utf8Length(value) > c.maxChars)
                problem = c.name + std::string(" passa de ") + std::to_string(c.maxChars) +
                          " caracteres.";
            else if (c.digitsOnly && value.find_first_not_of("0123456789") != std::string::npos)
                problem = c.name + std::string(" deve ter só dígitos (CPF ou CNPJ sem pontuação).");
            if (!problem.empty()) {
                problems.push_back(where + problem);
                good = false;
            }
        }
        if (auto branches = row.find("FILIAIS"); branches != row.end()) {
            std::stringstream list(branches->second);
            for (std::string code; std::getline(list, code, ',');) {
                code = trimmed(code);
                if (code.empty() || utf8Length(code) > kMaxBranchChars) {
                    problems.push_back(where + "cada filial em FILIAIS deve ter de 1 a " +
                                       std::to_string(kMaxBranchChars) +
                                       " caracteres, separadas por vírgula.");
                    good = false;
                    break;
                }
            }
        }
        if (!good)
            continue;
        std::vector<std::string> key;
        std::string shownKey;
        for (const char* k : spec.key) {
            key.push_back(row[k]);
            shownKey += (shownKey.empty() ? "" : "/") + row[k];
        }
        if (const auto [it, added] = seen.emplace(key, number); !added) {
            problems.push_back(where + spec.keyWhat + " " + shownKey + " já aparece na linha " +
                               std::to_string(it->second) + ".");
            continue;
        }
        out.lineNumbers.push_back(number);
        out.rows.push_back(std::move(row));
    }
    if (header.empty() && problems.empty())
        problems.push_back("O arquivo " + std::string(spec.name) +
                           " está vazio: falta a linha de cabeçalho.");
    return out;
}

bool exists(storage::Session& s, std::string_view sql,
            std::initializer_list<storage::SqlValue> params) {
    bool found = false;
    s.query(sql, params, [&](const storage::Row&) { found = true; });
    return found;
}

}  // namespace

MasterDataError::MasterDataError(std::vector<std::string> problems)
    : std::runtime_error([&] {
          std::string text;
          for (const auto& p : problems)
              text += (text.empty() ? "" : "\n") + p;
          return text;
      }()),
      problems_(std::move(problems)) {}

MasterData readMasterData(const std::vector<std::filesystem::path>& paths) {
    std::map<std::string, std::filesystem::path> files;
    std::vector<std::string> problems;
    for (const auto& path : paths) {
        if (std::filesystem::is_directory(path)) {
            for (const char* name : kMasterFiles)
                if (std::filesystem::exists(path / name))
                    files[name] = path / name;
            continue;
        }
        const std::string name = path.filename().string();
        if (std::find(std::begin(kMasterFiles), std::end(kMasterFiles), name) ==
            std::end(kMasterFiles))
            problems.push_back("Arquivo desconhecido: " + path.string() +
                               " (use familias.csv, clientes.csv ou consumidores.csv).");
        else if (!std::filesystem::exists(path))
            problems.push_back("Arquivo não encontrado: " + path.string() + ".");
        else
            files[name] = path;
    }
    if (files.empty() && problems.empty())
        problems.push_back(
            "Nenhum arquivo para importar: informe familias.csv, clientes.csv ou "
            "consumidores.csv, ou uma pasta que os tenha.");
    MasterData data;
    MasterFile* targets[] = {&data.families, &data.clients, &data.consumers};
    for (std::size_t i = 0; i < fileSpecs().size(); ++i) {
        const auto& spec = fileSpecs()[i];
        targets[i]->name = spec.name;
        if (auto found = files.find(spec.name); found != files.end())
            *targets[i] = readFile(spec, found->second, problems);
    }
    if (!problems.empty())
        throw MasterDataError(std::move(problems));
    return data;
}

std::map<std::string, int> loadMasterData(storage::Database& db, const MasterData& data) {
    return db.write([&](storage::Session& s) {
        storage::lockForSetup(s);
        std::vector<std::string> problems;
        const auto check = [&](const MasterFile& file, std::size_t i, bool bad,
                               const std::string& problem) {
            if (bad)
                problems.push_back(at(file.lineNumbers[i], file.name) + problem);
        };
        std::set<std::string> newClients;
        for (const auto& row : data.clients.rows)
            newClients.insert(row.at("CDCLIENTE"));
        for (std::size_t i = 0; i < data.families.rows.size(); ++i) {
            const std::string& code = data.families.rows[i].at("CDFAMILISALD");
            check(data.families, i,
                  exists(s, "SELECT 1 FROM FAMILIASALDO WHERE CDFAMILISALD = ?",
                         {std::string_view(code)}),
                  "a família " + code + " já existe no banco de dados.");
        }
        for (std::size_t i = 0; i < data.clients.rows.size(); ++i) {
            const std::string& code = data.clients.rows[i].at("CDCLIENTE");
            check(data.clients, i,
                  exists(s, "SELECT 1 FROM CLIENTE WHERE CDCLIENTE = ?", {std::string_view(code)}),
                  "o cliente " + code + " já existe no banco de dados.");
        }
        for (std::size_t i = 0; i < data.consumers.rows.size(); ++i) {
            const auto& row = data.consumers.rows[i];
            const std::string& client = row.at("CDCLIENTE");
            const std::string& code = row.at("CDCONSUMIDOR");
            const bool clientKnown =
                newClients.count(client) ||
                exists(s, "SELECT 1 FROM CLIENTE WHERE CDCLIENTE = ?", {std::string_view(client)});
            check(
                data.consumers, i, !clientKnown,
                "o cliente " + client + " não existe (nem em clientes.csv nem no banco de dados).");
            check(data.consumers, i,
                  clientKnown && exists(s,
                                        "SELECT 1 FROM CONSUMIDOR WHERE CDCLIENTE = ? AND"
                                        " CDCONSUMIDOR = ?",
                                        {std::string_view(client), std::string_view(code)}),
                  "o consumidor " + client + "/" + code + " já existe no banco de dados.");
        }
        if (!problems.empty())
            throw MasterDataError(std::move(problems));

        const auto value = [](const std::map<std::string, std::string>& row, const char* column) {
            const auto found = row.find(column);
            return found == row.end() ? std::string_view() : std::string_view(found->second);
        };
        for (const auto& row : data.families.rows)
            s.execute("INSERT INTO FAMILIASALDO (CDFAMILISALD, NMFAMILISALD) VALUES (?, ?)",
                      {value(row, "CDFAMILISALD"), value(row, "NMFAMILISALD")});
        for (const auto& row : data.clients.rows) {
            s.execute(
                "INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, NMRAZSOCCLIE) VALUES (?, ?, ?)",
                {value(row, "CDCLIENTE"), value(row, "NRINSJURCLIE"), value(row, "NMRAZSOCCLIE")});
            std::set<std::string> branches;
            std::stringstream list{std::string(value(row, "FILIAIS"))};
            for (std::string code; std::getline(list, code, ',');)
                branches.insert(trimmed(code));
            for (const auto& branch : branches)
                s.execute("INSERT INTO CLIENFILIAL (CDFILIAL, CDCLIENTE) VALUES (?, ?)",
                          {std::string_view(branch), value(row, "CDCLIENTE")});
        }
        for (const auto& row : data.consumers.rows)
            s.execute(
                "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NMRESPCONS,"
                " NRDOCRESPCONS) VALUES (?, ?, ?, ?, ?)",
                {value(row, "CDCLIENTE"), value(row, "CDCONSUMIDOR"), value(row, "NMCONSUMIDOR"),
                 value(row, "NMRESPCONS"), value(row, "NRDOCRESPCONS")});
        return std::map<std::string, int>{
            {data.families.name, static_cast<int>(data.families.rows.size())},
            {data.clients.name, static_cast<int>(data.clients.rows.size())},
            {data.consumers.name, static_cast<int>(data.consumers.rows.size())}};
    });
}

}  // namespace confcred::server::ops
