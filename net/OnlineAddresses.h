#pragma once

#include <string>

class CSettings;

// Where the program goes online: section [Online] of tarvello.ini, keys
// ProbeUrl and ServerUrl; TARVELLO_PROBE_URL and TARVELLO_SERVER_URL take
// precedence. An empty ServerUrl (the default) fetches nothing; an empty
// ProbeUrl skips the probe and counts as connected.
struct OnlineAddresses {
    static constexpr const char* kSection = "Online";
    static constexpr const char* kDefaultProbeUrl = "http://www.baidu.com/";
    static constexpr const char* kVersionPath = "/ornel/forex/Tarvello/version/version.txt";
    static constexpr const char* kAdListPath = "/ornel/forex/Tarvello/adv/money.txt";

    std::string m_strProbeUrl;
    std::string m_strServerUrl;

    static OnlineAddresses Read(const CSettings& settings);

    // The files on the server; "" without a server.
    std::string VersionUrl() const { return OnServer(kVersionPath); }
    std::string AdListUrl() const { return OnServer(kAdListPath); }

private:
    std::string OnServer(const char* path) const;
};
