#include "settings/drive_type.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace gravon {

namespace fs = std::filesystem;

namespace {

// Mount points in the table escape blanks, tabs, newlines and backslashes as octal.
std::string unescape_octal(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' &&
            s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            r += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            r += s[i];
        }
    }
    return r;
}

bool is_below(const std::string& path, const std::string& mountpoint) {
    if (mountpoint == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, mountpoint.size(), mountpoint) == 0 &&
           (path.size() == mountpoint.size() || path[mountpoint.size()] == '/');
}

bool read_flag(const fs::path& p) {
    std::ifstream in(p);
    int v = 0;
    return in >> v && v == 1;
}

// The "removable" flag of a block device given as "major:minor"; partitions carry it on
// their parent disk.
bool device_is_removable(const std::string& majmin) {
    std::error_code ec;
    const fs::path dev = fs::canonical(fs::path("/sys/dev/block") / majmin, ec);
    if (ec) return false;
    if (fs::exists(dev / "removable", ec)) return read_flag(dev / "removable");
    if (fs::exists(dev / "partition", ec)) return read_flag(dev.parent_path() / "removable");
    return false;
}

} // namespace

tdrivetype drive_type_of_fstype(const std::string& t) {
    static const char* const remote[] = {
        "nfs",         "nfs4",   "cifs",       "smbfs",       "smb3",
        "ncpfs",       "afs",    "coda",       "9p",          "ceph",
        "glusterfs",   "davfs",  "fuse.sshfs", "fuse.rclone", "fuse.glusterfs",
        "fuse.davfs2", "lustre", "gfs2",       "ocfs2"};
    static const char* const cdrom[] = {"iso9660", "udf"};
    static const char* const ram[] = {"tmpfs", "ramfs"};
    for (const char* x : remote)
        if (t == x) return tdrivetype::remote;
    for (const char* x : cdrom)
        if (t == x) return tdrivetype::cdrom;
    for (const char* x : ram)
        if (t == x) return tdrivetype::ramdisk;
    return tdrivetype::fixed;
}

tdrivetype drive_type_of(const std::string& absolute_filename) {
    // Follow links in the part of the name that exists, so the mount is the real one.
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(absolute_filename), ec);
    if (ec) p = fs::path(absolute_filename).lexically_normal();
    const std::string path = p.string();
    if (path.empty() || path[0] != '/') return tdrivetype::unknown;

    std::ifstream in("/proc/self/mountinfo");
    if (!in) return tdrivetype::unknown;
    // Fields: id parent major:minor root mountpoint options [optional...] - fstype source ...
    std::string line, best_mount, best_type, best_dev;
    bool found = false;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<std::string> f;
        for (std::string w; ls >> w;) f.push_back(w);
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (f.size() < 5 || dash + 1 >= f.size()) continue;
        const std::string mount = unescape_octal(f[4]);
        // The longest matching mount point wins; of equal ones the later (it covers the
        // earlier).
        if (is_below(path, mount) && (!found || mount.size() >= best_mount.size())) {
            found = true;
            best_mount = mount;
            best_type = f[dash + 1];
            best_dev = f[2];
        }
    }
    if (!found) return tdrivetype::unknown;
    const tdrivetype t = drive_type_of_fstype(best_type);
    if (t == tdrivetype::fixed && device_is_removable(best_dev)) return tdrivetype::removable;
    return t;
}

} // namespace gravon
