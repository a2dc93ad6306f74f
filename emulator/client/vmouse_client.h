// Client side of the virtual mouse: hidapi's functions, with hidapi's semantics, spoken
// over the daemon's socket. Each open handle is one connection, so handles are as
// independent (and as thread-safe) as hidraw file descriptors.
#pragma once

#include <hidapi/hidapi.h>

#include <string>
#include <vector>

namespace vmouse::client {

// The daemon's socket used by every following call.
void setSocketPath(const std::string& path);
std::string socketPath();

hid_device_info* enumerate(unsigned short vendorId, unsigned short productId);
void freeEnumeration(hid_device_info* devs);
hid_device* openPath(const char* path);
int setNonblocking(hid_device* dev, int nonblock);
void close(hid_device* dev);
int sendFeatureReport(hid_device* dev, const unsigned char* data, size_t length);
int getFeatureReport(hid_device* dev, unsigned char* data, size_t length);
int write(hid_device* dev, const unsigned char* data, size_t length);
int read(hid_device* dev, unsigned char* data, size_t length);
int readTimeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds);

// Control of the emulated device, as `virtual-mouse ctl` offers it. Each returns false
// when the daemon cannot be reached or refuses.
bool plug();
bool unplug();
bool dpiButton(int stage);
bool notify(const std::vector<unsigned char>& report);
bool fault(const std::string& kind, int count);
bool clearFaults();
bool state(std::string& json);

} // namespace vmouse::client
