#pragma once
// The one error type of file operations: the file and the reason. The GUI
// shows it in a message box, the command-line tool prints it and exits with 1.
#include <filesystem>
#include <stdexcept>
#include <string>

namespace pixaldo {

class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path path, std::string reason)
      : std::runtime_error(path.string() + ": " + reason), path_(std::move(path)), reason_(std::move(reason)) {}

  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

}  // namespace pixaldo
