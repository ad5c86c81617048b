#include "device/hid_link.h"

#include <fcntl.h>
#include <hidapi.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "device/bounded_call.h"

namespace dorvath {
namespace {

bool InitHidApi() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = hid_init() == 0; });
    return ok;
}

}  // namespace

bool HidLink::Open(const std::string& path) {
    Close();
    if (path.empty() || !InitHidApi()) return false;
    device_ = hid_open_path(path.c_str());
    return device_ != nullptr;
}

bool HidLink::Write(const uint8_t* data, size_t length) {
    if (!device_ || length > kReportSize) return false;
    std::array<uint8_t, kReportSize + 1> report{};  // report id 0, then the data
    std::memcpy(report.data() + 1, data, length);
    const int size = static_cast<int>(length + 1);
    hid_device* dev = device_;
    // hid_write blocks for as long as the kernel's USB time-out; the link gives it 1000 ms.
    // A late write keeps the device until it returns, so that thread closes it.
    auto written = CallWithin(
        kReportTimeoutMs, [dev, report, size] { return hid_write(dev, report.data(), size); },
        [dev] { hid_close(dev); });
    if (!written) {
        device_ = nullptr;  // closed by the late write
        return false;
    }
    if (*written != size) {
        Close();
        return false;
    }
    return true;
}

bool HidLink::Read(uint8_t* data, size_t length) {
    if (!device_ || length > kReportSize) return false;
    // The hidraw backend hands over the report without its id 0.
    uint8_t in[kReportSize] = {};
    int n = hid_read_timeout(device_, in, sizeof in, kReportTimeoutMs);
    // A short report would be a partial one: never passed up as a success.
    if (n < static_cast<int>(length)) return false;
    std::memcpy(data, in, length);
    return true;
}

void HidLink::Close() {
    if (device_) {
        hid_close(device_);
        device_ = nullptr;
    }
}

std::string SelectWatchPath(const std::vector<HidInterfaceInfo>& interfaces, uint16_t vendorId,
                            uint16_t productId,
                            const std::function<bool(const std::string&)>& canOpen) {
    for (const HidInterfaceInfo& i : interfaces) {
        if (i.vendorId != vendorId || i.productId != productId) continue;
        if (canOpen && !canOpen(i.path)) continue;
        return i.path;
    }
    return {};
}

std::vector<HidInterfaceInfo> EnumerateHidInterfaces() {
    std::vector<HidInterfaceInfo> out;
    if (!InitHidApi()) return out;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d; d = d->next)
        out.push_back({d->path ? d->path : "", d->vendor_id, d->product_id, d->release_number});
    hid_free_enumeration(list);
    return out;
}

bool CanOpenHidPath(const std::string& path) {
    if (!InitHidApi()) return false;
    hid_device* d = hid_open_path(path.c_str());
    if (!d) return false;
    hid_close(d);
    return true;
}

int HidOpenError(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

}  // namespace dorvath
