// Looks for an audio CD in the machine's optical drives.
#pragma once

namespace textreel {

// True when one of the drives (/dev/sr0.., /dev/cdrom..) holds a disc whose track 2 is an audio
// track, as the CD-ROM ioctls report it. Drives that cannot be opened, or hold no disc, are passed.
bool ProbeAudioCd();

}  // namespace textreel
