#pragma once

#include <map>
#include <string>

// The user's settings: one `tarvello.ini` beside the program, in sections of
// `key=value` lines. An environment variable overrides a key for tests and
// scripted runs: `TARVELLO_` followed by the key in upper case with an
// underscore before each inner capital (ServerUrl -> TARVELLO_SERVER_URL).
class CSettings {
public:
    // Reads `path` when it exists; a missing or unreadable file gives defaults.
    explicit CSettings(std::string path);

    // The default file: $TARVELLO_INI when set, else "tarvello.ini" in `folder`.
    static std::string DefaultPath(const std::string& folder);
    static std::string EnvName(const std::string& key);

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def = "") const;
    int GetInt(const std::string& section, const std::string& key, int def) const;
    bool GetBool(const std::string& section, const std::string& key, bool def) const;

    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int value);
    void SetBool(const std::string& section, const std::string& key, bool value);

    // Writes every section through a temporary and a rename, so a crash never
    // leaves half a file. Returns false (and the reason in *error) on failure.
    bool Save(std::string* error = nullptr) const;

    const std::string& Path() const { return m_strPath; }

private:
    // The file's value, without the environment's override.
    const std::string* Find(const std::string& section, const std::string& key) const;

    std::string m_strPath;
    std::map<std::string, std::map<std::string, std::string>> m_mapSections;
};
