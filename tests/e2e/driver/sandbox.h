// A fresh folder for one whole-program case, with a copy of the program in it: the
// program creates its `custom` folder beside itself, and a case may put packs there. Windows paths
// throughout.
#pragma once

#include <string>
#include <vector>

#include "e2e/driver/win_driver.h"

namespace e2e {

class Sandbox {
  public:
    // <build>/e2e-work/<name>, emptied of what an earlier run left, with the program
    // copied in.
    explicit Sandbox(const std::string& name);

    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& relative) const { return dir_ + "\\" + relative; }
    std::string ProgramPath() const { return Path("tpxinstall.exe"); }
    std::string CustomDir() const { return Path("custom"); }
    bool Ok() const { return ok_; }

    // Starts the program with `args` as the text after its own quoted path.
    Process Start(const std::string& args) const;

  private:
    std::string dir_;
    bool ok_ = false;
};

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
// Lines of a text file without their line ends; empty when the file is missing.
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace e2e
