#include "platform/Settings.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Files.h"

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

}  // namespace

CSettings::CSettings(std::string path) : m_strPath(std::move(path)) {
    std::ifstream in(m_strPath);
    std::string line, section;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            section = Trim(t.substr(1, t.size() - 2));
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        m_mapSections[section][Trim(t.substr(0, eq))] = Trim(t.substr(eq + 1));
    }
}

std::string CSettings::DefaultPath(const std::string& folder) {
    if (const char* env = std::getenv("TARVELLO_INI"); env && *env) return env;
    std::string f = folder;
    if (!f.empty() && f.back() != '/') f += '/';
    return f + "tarvello.ini";
}

std::string CSettings::EnvName(const std::string& key) {
    std::string name = "TARVELLO_";
    for (size_t i = 0; i < key.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(key[i]);
        if (i > 0 && std::isupper(c) && !std::isupper(static_cast<unsigned char>(key[i - 1])))
            name += '_';
        name += static_cast<char>(std::toupper(c));
    }
    return name;
}

const std::string* CSettings::Find(const std::string& section, const std::string& key) const {
    auto s = m_mapSections.find(section);
    if (s == m_mapSections.end()) return nullptr;
    auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
}

std::string CSettings::GetString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    if (const char* env = std::getenv(EnvName(key).c_str())) return env;
    const std::string* v = Find(section, key);
    return v ? *v : def;
}

int CSettings::GetInt(const std::string& section, const std::string& key, int def) const {
    std::string v = GetString(section, key, "");
    if (v.empty()) return def;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || n < -2147483647L - 1 || n > 2147483647L) return def;
    return static_cast<int>(n);
}

bool CSettings::GetBool(const std::string& section, const std::string& key, bool def) const {
    std::string v = GetString(section, key, "");
    if (v == "1" || v == "true" || v == "on" || v == "yes") return true;
    if (v == "0" || v == "false" || v == "off" || v == "no") return false;
    return def;
}

void CSettings::SetString(const std::string& section, const std::string& key,
                          const std::string& value) {
    m_mapSections[section][key] = value;
}

void CSettings::SetInt(const std::string& section, const std::string& key, int value) {
    SetString(section, key, std::to_string(value));
}

void CSettings::SetBool(const std::string& section, const std::string& key, bool value) {
    SetString(section, key, value ? "1" : "0");
}

bool CSettings::Save(std::string* error) const {
    std::ostringstream out;
    for (const auto& [section, keys] : m_mapSections) {
        out << '[' << section << "]\n";
        for (const auto& [key, value] : keys) out << key << '=' << value << '\n';
        out << '\n';
    }
    std::string tmp = m_strPath + ".part-" + std::to_string(::getpid());
    std::string text = out.str();
    FILE* f = std::fopen(tmp.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (ok && std::rename(tmp.c_str(), m_strPath.c_str()) != 0) ok = false;
    if (!ok) {
        if (error) *error = files::ErrorText(errno);
        std::remove(tmp.c_str());
    }
    return ok;
}
