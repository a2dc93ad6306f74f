// Who is on the other end of a local (Unix domain) socket.
#pragma once

#include <cstdint>
#include <optional>

namespace msgchannel {

// Effective user id of the process that connected `fd`, as the kernel recorded it at
// connect time; nothing when the socket cannot tell.
std::optional<std::uint32_t> peerUid(int fd);

// Whether the peer of `fd` runs as user `uid`. A peer that cannot be identified is not.
bool peerIsUser(int fd, std::uint32_t uid);

} // namespace msgchannel
