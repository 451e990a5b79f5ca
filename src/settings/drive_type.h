// What kind of drive a file lies on, as far as the platform can tell. Found from the mount
// table (/proc/self/mountinfo) and the block devices' "removable" flags (/sys); where these
// cannot be read the kind is unknown.
#pragma once

#include <string>

namespace gravon {

enum class tdrivetype {
    unknown,   // the platform cannot tell
    noroot,    // the drive does not exist
    removable, // removable media: memory sticks, card readers
    fixed,     // local disks
    remote,    // network file systems
    cdrom,     // optical discs
    ramdisk    // file systems held in memory
};

// The drive of an absolute file name (the file itself need not exist).
tdrivetype drive_type_of(const std::string& absolute_filename);

// The kind of drive a file system type stands for, as named in the mount table ("ext4",
// "nfs4", "iso9660", "tmpfs", ...); fixed for the unlisted ones, which are local.
tdrivetype drive_type_of_fstype(const std::string& fstype);

} // namespace gravon
