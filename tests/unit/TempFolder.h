// A fresh folder under the Windows temporary folder, removed with
// everything in it when the object goes.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in a backslash.
    const std::string& Path() const { return m_path; }

    // Creates an empty file (or one holding content) / a subfolder inside.
    void AddFile(const std::string& name, const std::string& content = std::string()) const;
    void AddFolder(const std::string& name) const;

private:
    std::string m_path;
};
