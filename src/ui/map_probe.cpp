#include "ui/map_probe.h"

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dorvath {
namespace {

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

}  // namespace

std::string ServiceBaseAddress(const std::string& t) {
    const size_t scheme = t.find("://");
    if (scheme == std::string::npos || scheme == 0) return {};
    const size_t hostEnd = t.find('/', scheme + 3);
    const std::string host = t.substr(
        scheme + 3, hostEnd == std::string::npos ? std::string::npos : hostEnd - scheme - 3);
    if (host.empty() || host.find('{') != std::string::npos) return {};
    return t.substr(0, scheme + 3) + host + "/";
}

bool ProbeMapService(const std::string& base) {
    if (base.empty()) return false;
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* c = curl_easy_init();
    if (!c) return false;
    curl_easy_setopt(c, CURLOPT_URL, base.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, "InetURL/1.0");
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 1000L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 3000L);
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Discard);
    // Any HTTP answer, whatever its status, means the service is there.
    const CURLcode rc = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(c);
    return rc == CURLE_OK || status > 0;
}

MapProbe::MapProbe(std::string base, std::function<void()> reachable,
                   std::function<bool(const std::string&)> probe) {
    if (base.empty()) return;  // no service to wait for
    thread_ = std::jthread([base = std::move(base), reachable = std::move(reachable),
                            probe = std::move(probe)](std::stop_token stop) {
        std::mutex m;
        std::condition_variable_any cv;
        while (!stop.stop_requested()) {
            {
                std::unique_lock lock(m);  // a second between attempts, cut short by a stop
                cv.wait_for(lock, stop, std::chrono::milliseconds(1000), [] { return false; });
            }
            if (stop.stop_requested()) return;
            if (probe(base)) {
                if (reachable) reachable();
                return;
            }
        }
    });
}

MapProbe::~MapProbe() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace dorvath
