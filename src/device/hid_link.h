#pragma once
// The real watch over hidapi's hidraw backend, and the search for it among the HID
// interfaces that are present.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/report_link.h"

struct hid_device_;

namespace dorvath {

constexpr uint16_t kWatchVendorId = 0x0483;
constexpr uint16_t kWatchProductId = 0x5750;

class HidLink : public ReportLink {
  public:
    HidLink() = default;
    HidLink(const HidLink&) = delete;
    HidLink& operator=(const HidLink&) = delete;
    ~HidLink() override { Close(); }

    bool Open(const std::string& path);
    bool Write(const uint8_t* data, size_t length) override;
    bool Read(uint8_t* data, size_t length) override;
    void Close() override;
    bool IsOpen() const override { return device_ != nullptr; }

  private:
    hid_device_* device_ = nullptr;
};

// One HID interface as the platform lists it.
struct HidInterfaceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;
};

// The first interface, in list order, with both ids that `canOpen` accepts; "" when none.
// Kept apart from the enumeration so the choice can be tested without hardware.
std::string SelectWatchPath(const std::vector<HidInterfaceInfo>& interfaces, uint16_t vendorId,
                            uint16_t productId,
                            const std::function<bool(const std::string&)>& canOpen);

// Every HID interface hidapi sees, in its order.
std::vector<HidInterfaceInfo> EnumerateHidInterfaces();
// A probe open and close of a hidraw path.
bool CanOpenHidPath(const std::string& path);
// Why a hidraw path cannot be opened for reading and writing: 0 when it can, else the
// errno of the attempt (EACCES when this user lacks the permission).
int HidOpenError(const std::string& path);

}  // namespace dorvath
