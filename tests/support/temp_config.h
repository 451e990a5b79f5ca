// A temporary folder per test, with the per-user configuration folder pointed into it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

namespace gravon::testing {

// Restores an environment variable when it goes out of scope.
class tenvguard {
  public:
    explicit tenvguard(const char* name) : fname(name) {
        if (const char* v = std::getenv(name)) fold = v;
    }
    tenvguard(const tenvguard&) = delete;
    tenvguard& operator=(const tenvguard&) = delete;
    ~tenvguard() {
        if (fold)
            setenv(fname, fold->c_str(), 1);
        else
            unsetenv(fname);
    }

  private:
    const char* fname;
    std::optional<std::string> fold;
};

// Creates <tmp>/gravon_<random> with subfolders "config" (as $XDG_CONFIG_HOME), "common" (as
// $XDG_CONFIG_DIRS), "data" (as $XDG_DATA_HOME) and "files"; removes it all at the end.
class ttempconfig {
  public:
    ttempconfig() {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() / ("gravon_" + std::to_string(rd()));
        std::filesystem::create_directories(root / "files");
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root / "common").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    }
    ~ttempconfig() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path identity_folder(const std::string& base = "config",
                                          const std::string& version = "0.0.0.22") const {
        return root / base / "ArnselData" / "Gravon" / version;
    }
    // Creates a file below "files" and returns its full name.
    std::string make_file(const std::string& name) const {
        const std::filesystem::path p = root / "files" / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p.string();
    }

    tenvguard g1{"XDG_CONFIG_HOME"};
    tenvguard g2{"XDG_CONFIG_DIRS"};
    tenvguard g3{"XDG_DATA_HOME"};
    std::filesystem::path root;
};

inline std::string read_text(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_text(const std::filesystem::path& p, const std::string& s) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << s;
}

} // namespace gravon::testing
