#pragma once
// File and folder operations on Windows paths, through the drive map.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win_path.h"

namespace confcred::platform {

// A failed read or write. Carries the system's error number (EINVAL for a
// path that cannot be resolved) and a message naming the file.
class IoError : public std::runtime_error {
  public:
    IoError(int error, const std::string& message, std::string path = {})
        : std::runtime_error(message), error_(error), path_(std::move(path)) {}
    int error() const { return error_; }
    // The Windows path the operation was on, for the operator's message (the
    // text above is the system's, in English); empty when none.
    const std::string& path() const { return path_; }

  private:
    int error_;
    std::string path_;
};

// Queries and moves answer false for a path that cannot be resolved.
bool fileExists(std::string_view path);       // anything that exists and is not a folder
bool directoryExists(std::string_view path);  // a folder (or a link to one)
// Creates one folder level; false if it exists, its parent is missing, or it fails.
bool createDir(std::string_view path);
// Moves a file (or renames a folder within its file system). Never replaces
// an existing target, even one created concurrently; on failure the source is
// left as it was.
bool moveFile(std::string_view from, std::string_view to);

// The whole file with each line ended by CR LF, the last one included. CR,
// LF and CR LF all end a line; a final line break adds no empty line; bytes
// are kept as they are. Throws IoError when the file cannot be read.
std::string loadTextLines(std::string_view path);

// Writes a text file line by line. Every call reaches the file before it
// returns, so a failure (a full disk) is reported by the call that met it.
class TextFileWriter {
  public:
    TextFileWriter() = default;
    ~TextFileWriter();  // closes, ignoring errors
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Creates or replaces the file; closes the one open before. Throws IoError.
    void create(std::string_view path);
    // Writes bytes followed by CR LF. Throws IoError, also when no file is open.
    void writeLine(std::string_view bytes);
    // Closes the file; throws IoError if the system reports a failure. Closing
    // when nothing is open does nothing.
    void close();
    bool isOpen() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    std::string winPath_;
    std::string hostPath_;
    std::string line_;  // reused for each line
};

}  // namespace confcred::platform
