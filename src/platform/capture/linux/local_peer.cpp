#include "platform/capture/linux/local_peer.h"

#include <sys/socket.h>

namespace msgchannel {

std::optional<std::uint32_t> peerUid(int fd) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (fd < 0 || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred)
        return std::nullopt;
    return static_cast<std::uint32_t>(cred.uid);
}

bool peerIsUser(int fd, std::uint32_t uid) {
    const auto peer = peerUid(fd);
    return peer && *peer == uid;
}

} // namespace msgchannel
