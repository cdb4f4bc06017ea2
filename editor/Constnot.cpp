#include "editor/Constnot.h"

#include "editor/Globals.h"
#include "platform/runtime/Runtime.h"

namespace editor {

namespace {

// The thread's manager, released with the thread.
struct ThreadDictionary {
    std::unique_ptr<ConstnotManager> manager;
};

platform::ThreadLocal<ThreadDictionary>& Dictionary() {
    static platform::ThreadLocal<ThreadDictionary> dictionary;
    return dictionary;
}

} // namespace

void SetupTableManagers() {
    auto& manager = Dictionary()->manager;
    manager = std::make_unique<ConstnotManager>();
    manager->file.SetName(CsvPath);
}

void ShutdownTableManagers() {
    Dictionary()->manager.reset();
}

ConstnotManager* Constnot() {
    auto& manager = Dictionary()->manager;
    if (!manager && platform::ThisThread() != 1)
        SetupTableManagers();
    // The table is named by CsvPath whenever it is opened: thread 1 makes its manager before
    // the command line has named the keynote file.
    if (manager && !manager->file.IsOpen())
        manager->file.SetName(CsvPath);
    return manager.get();
}

} // namespace editor
