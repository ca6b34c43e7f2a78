#include "net/OnlineAddresses.h"

#include "platform/Settings.h"

OnlineAddresses OnlineAddresses::Read(const CSettings& settings) {
    OnlineAddresses a;
    a.m_strProbeUrl = settings.GetString(kSection, "ProbeUrl", kDefaultProbeUrl);
    a.m_strServerUrl = settings.GetString(kSection, "ServerUrl", "");
    return a;
}

std::string OnlineAddresses::OnServer(const char* path) const {
    std::string base = m_strServerUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    if (base.empty()) return "";
    return base + path;
}
