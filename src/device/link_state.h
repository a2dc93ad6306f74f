// What the link keeps about the mouse it talks to: the secrecy code, whether reports are
// enciphered, whether the link is switched off ("t-beacon"), and whether a mouse was
// accepted. Written by discovery and the handshake on the device worker, read from the
// GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct LinkState {
    std::atomic<bool> encodeEnabled{false};
    std::atomic<bool> linkDisabled{false};
    std::atomic<bool> deviceAccepted{false};

    // Bytes 1..6 come from the handshake; 0 and 7 stay 0. Written on the device worker
    // only, before the transfers that use it.
    std::array<std::uint8_t, 8> secrecyCode{};
};
