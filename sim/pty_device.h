#pragma once

#include <string>

namespace sim {

// A pseudo-terminal whose slave side a client opens as its serial port. One
// slave descriptor stays open here for the whole run: without it the master
// would see a hang-up each time the client closes the port, and bytes written
// in between would fail.
class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Gives the error text on failure, empty on success.
    std::string Open();
    void Close();

    int Master() const { return m_master; }
    // The descriptor kept open here; its line settings are the client's.
    int Slave() const { return m_slave; }
    const std::string& Path() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// A symbolic link to the device for as long as this object lives, so that a
// client can be configured with a fixed name.
class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink() { Remove(); }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // A stale link left by an earlier run is replaced; any other file at
    // `path` is left alone and reported. Gives the error text, empty on success.
    std::string Create(const std::string& path, const std::string& target);
    // Only removes the link if it still points where this run made it point.
    void Remove();

private:
    std::string m_path;
    std::string m_target;
};

} // namespace sim
