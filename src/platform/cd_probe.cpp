#include "platform/cd_probe.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace textreel {

namespace {

bool HasAudioTrack2(const std::string& device) {
    // O_NONBLOCK opens the drive even without a disc, without waiting for it to spin up.
    int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool audio = false;
    cdrom_tochdr header{};
    if (::ioctl(fd, CDROMREADTOCHDR, &header) == 0 && header.cdth_trk0 <= 2 && header.cdth_trk1 >= 2) {
        cdrom_tocentry entry{};
        entry.cdte_track = 2;
        entry.cdte_format = CDROM_MSF;
        if (::ioctl(fd, CDROMREADTOCENTRY, &entry) == 0) {
            audio = (entry.cdte_ctrl & CDROM_DATA_TRACK) == 0;
        }
    }
    ::close(fd);
    return audio;
}

}  // namespace

bool ProbeAudioCd() {
    std::vector<std::string> devices;
    if (DIR* dir = ::opendir("/dev")) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name.rfind("sr", 0) == 0 || name.rfind("cdrom", 0) == 0) {
                devices.push_back("/dev/" + name);
            }
        }
        ::closedir(dir);
    }
    std::sort(devices.begin(), devices.end());
    return std::any_of(devices.begin(), devices.end(), HasAudioTrack2);
}

}  // namespace textreel
