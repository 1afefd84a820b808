#include "kaleidra/updater/mount_table.h"

#include <gtest/gtest.h>

namespace kdr::updater {
namespace {

// A mount table as a desktop machine with a few extras shows it.
const char* const sample_mounts =
    "sysfs /sys sysfs rw,nosuid,nodev,noexec,relatime 0 0\n"
    "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
    "udev /dev devtmpfs rw,nosuid,relatime,size=8114884k,mode=755 0 0\n"
    "devpts /dev/pts devpts rw,nosuid,noexec,relatime,gid=5,mode=620 0 0\n"
    "tmpfs /run tmpfs rw,nosuid,nodev,noexec,relatime,size=1627540k,mode=755 0 0\n"
    "/dev/nvme0n1p2 / ext4 rw,relatime,errors=remount-ro 0 0\n"
    "tmpfs /dev/shm tmpfs rw,nosuid,nodev 0 0\n"
    "/dev/nvme0n1p1 /boot/efi vfat rw,relatime,fmask=0077,dmask=0077 0 0\n"
    "/dev/mapper/vg-home /home xfs rw,relatime,attr2,inode64 0 0\n"
    "/dev/loop3 /snap/core22/1380 squashfs ro,nodev,relatime 0 0\n"
    "/dev/sdb1 /mnt/data\\040disk ext4 rw,relatime 0 0\n"
    "/dev/sdc1 /media/ann/WINDOWS fuseblk rw,nosuid,nodev,relatime,user_id=0 0 0\n"
    "/dev/sr0 /media/ann/CDROM iso9660 ro,nosuid,nodev 0 0\n"
    "/dev/sdd1 /mnt/archive ext4 ro,relatime 0 0\n"
    "server:/export /mnt/nfs nfs4 rw,relatime,vers=4.2 0 0\n"
    "//server/share /mnt/smb cifs rw,relatime 0 0\n"
    "ann@host:/ /mnt/ssh fuse.sshfs rw,nosuid,nodev 0 0\n"
    "overlay /var/lib/docker/overlay2/x/merged overlay rw,relatime,lowerdir=/a:/b 0 0\n"
    "rpool/ROOT/debian /srv/pool zfs rw,xattr,noacl 0 0\n"
    "/dev/sde1 /mnt/swap ext4 rw 0 0\n"
    "tmpfs /mnt/swap tmpfs rw 0 0\n"
    "/dev/sdb1 /mnt/data\\040disk ext4 rw,relatime 0 0\n";

TEST(MountTable, ParsesFieldsOptionsAndEscapes) {
    std::vector<MountEntry> table = parse_mount_table(sample_mounts);
    ASSERT_EQ(table.size(), 22u);
    EXPECT_EQ(table[5].device, "/dev/nvme0n1p2");
    EXPECT_EQ(table[5].mount_point, "/");
    EXPECT_EQ(table[5].type, "ext4");
    EXPECT_EQ(table[5].options, (std::vector<std::string>{"rw", "relatime", "errors=remount-ro"}));
    EXPECT_EQ(table[10].mount_point, "/mnt/data disk");
}

TEST(MountTable, LocalDisksAreTheBlockDeviceFileSystemsThatCanBeWritten) {
    std::vector<std::string> roots = local_disk_roots(parse_mount_table(sample_mounts));
    EXPECT_EQ(roots, (std::vector<std::string>{"/", "/boot/efi", "/home", "/media/ann/WINDOWS",
                                               "/srv/pool", "/mnt/data disk"}));
}

TEST(MountTable, EveryMountPointIsKnownOnceForTheSearchToStopAt) {
    std::vector<std::string> points = mount_points(parse_mount_table(sample_mounts));
    EXPECT_EQ(points.size(), 20u);
    EXPECT_EQ(points[0], "/sys");
    EXPECT_EQ(std::count(points.begin(), points.end(), "/mnt/swap"), 1);
}

TEST(MountTable, OddLinesAndEscapesAreReadSafely) {
    std::vector<MountEntry> table = parse_mount_table(
        "short line\n"
        "\n"
        "/dev/a /a\\134b\\011c\\012d ext4 rw 0 0\n"
        "/dev/b /x\\9y\\04 ext4 rw\n"
        "/dev/c /trailing\\ ext4 rw,,ro");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].mount_point, "/a\\b\tc\nd");
    EXPECT_EQ(table[1].mount_point, "/x\\9y\\04");
    EXPECT_EQ(table[2].mount_point, "/trailing\\");
    EXPECT_EQ(table[2].options, (std::vector<std::string>{"rw", "ro"}));
    EXPECT_FALSE(is_local_disk(table[2]));
}

TEST(MountTable, TheMachinesOwnTableReads) {
    Result<std::string> text = read_mount_table();
    ASSERT_TRUE(text.ok()) << text.error();
    std::vector<MountEntry> table = parse_mount_table(*text);
    ASSERT_FALSE(table.empty());
    bool root_seen = false;
    for (const MountEntry& entry : table) {
        EXPECT_EQ(entry.mount_point.front(), '/') << entry.mount_point;
        root_seen = root_seen || entry.mount_point == "/";
    }
    EXPECT_TRUE(root_seen);
}

}  // namespace
}  // namespace kdr::updater
