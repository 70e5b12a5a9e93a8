// The master data a new installation starts from (balance families, clients
// with their branches, consumers with their responsible persons), read from
// semicolon-separated UTF-8 files with a header line (docs/deployment.md)
// and loaded in one transaction: all of it or nothing.
#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::ops {

// Every bad line found, one Portuguese message each ("Linha 4 de
// clientes.csv: ..."); what() joins them with line breaks.
class MasterDataError : public std::runtime_error {
  public:
    explicit MasterDataError(std::vector<std::string> problems);
    const std::vector<std::string>& problems() const { return problems_; }

  private:
    std::vector<std::string> problems_;
};

// One file's rows, each a map from upper-case column name to value.
struct MasterFile {
    std::string name;  // as the messages name it: "clientes.csv"
    std::vector<int> lineNumbers;
    std::vector<std::map<std::string, std::string>> rows;
};

struct MasterData {
    MasterFile families, clients, consumers;
};

// The files the loader knows, in the order they are loaded.
inline constexpr const char* kMasterFiles[] = {"familias.csv", "clientes.csv", "consumidores.csv"};

// Reads the files given (each named by one of kMasterFiles) or, for a folder,
// those of kMasterFiles it holds; checks every line and throws
// MasterDataError listing all bad ones.
MasterData readMasterData(const std::vector<std::filesystem::path>& paths);

// Inserts everything in one write transaction. A consumer whose client is in
// neither the files nor the database, or a code already stored, is refused
// with its line; nothing is kept then. Returns the rows inserted per file.
std::map<std::string, int> loadMasterData(storage::Database& db, const MasterData& data);

}  // namespace confcred::server::ops
