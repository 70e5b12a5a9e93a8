#pragma once
// A temporary folder for one test, removed with everything in it at the end.

#include <filesystem>
#include <string>

namespace confcred::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file below the folder (creating sub-folders) and returns its path.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;

  private:
    std::filesystem::path path_;
};

}  // namespace confcred::testing
