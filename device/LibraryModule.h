// Owns one loaded dynamic library: loaded by full path, with the library's
// own folder searched for its dependencies, freed on destruction.
#pragma once

#include <string>

// An export's address, before it is converted to the procedure's own type.
typedef void (*TavroProcAddress)(void);

class CLibraryModule {
public:
    CLibraryModule();
    ~CLibraryModule();
    CLibraryModule(const CLibraryModule&) = delete;
    CLibraryModule& operator=(const CLibraryModule&) = delete;

    // Loads the library at path. On failure returns false and sets
    // errorText to the system's text for the error; when a module the
    // library needs was not found, one line "  missing: <name>\n" follows
    // for each module it imports that cannot be found.
    bool Load(const std::string& path, std::string& errorText);
    bool IsLoaded() const;
    // Frees the library now; false if the system refused.
    bool Unload();
    // The module handle (its base address), or null.
    const void* Handle() const;
    // The export of that exact name, or null.
    TavroProcAddress Export(const char* name) const;

private:
    void* m_handle;
    std::string m_path;
};
