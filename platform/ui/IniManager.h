// The window-position store: each window procedure keeps its window's position, size and
// maximized and minimized state in one INI file, under its procedure name (keys XPos, YPos,
// Width, Height, Maximize, Minimize). Positions and sizes are kept in dialog units.
#pragma once

#include <string>

namespace platform {

class Window;

// The INI reading and writing the store goes through.
class IniAccess {
public:
    virtual ~IniAccess() = default;
    virtual std::string Get(const std::string& section, const std::string& key,
                            const std::string& deflt, const std::string& file) = 0;
    virtual bool Put(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) = 0;
};

class IniManager {
public:
    // Works on `file` through `access` from now on; without one, through the program's INI
    // files (a file named without a folder lives in the user's settings folder).
    void Init(const std::string& file, IniAccess* access = nullptr);
    // Ends the work; every value was written as it was stored.
    void Kill();
    const std::string& File() const { return file_; }

    // Moves and sizes the window as stored under the procedure's name; what is not stored
    // stays as it is.
    void Fetch(const std::string& procedure, Window& window);
    // Stores the window's position, size and state under the procedure's name; a closed window
    // stores where it was when it closed.
    void Update(const std::string& procedure, Window& window);

private:
    std::string file_;
    IniAccess* access_ = nullptr;
};

// The program's one store.
extern IniManager GlobalIniManager;

} // namespace platform
