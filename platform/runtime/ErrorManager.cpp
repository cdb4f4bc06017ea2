#include "platform/runtime/ErrorManager.h"

#include "platform/runtime/Runtime.h"

#include <cstdio>
#include <map>
#include <vector>

namespace platform {

ErrorManager GlobalErrorManager;

namespace {

std::map<int, std::vector<std::string>>& Names() {
    static std::map<int, std::vector<std::string>> names;
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        OnThreadEnd([](int thread) { Names().erase(thread); });
    }
    return names;
}

void PrintSink(const std::string& caption, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
}

ErrorSink g_sink = PrintSink;

} // namespace

void ErrorManager::SetProcedureName(const std::string& name) {
    Names()[ThisThread()].push_back(name);
}

void ErrorManager::RemoveProcedureName() {
    auto& stack = Names()[ThisThread()];
    if (!stack.empty())
        stack.pop_back();
}

std::string ErrorManager::ProcedureName() const {
    auto& names = Names();
    auto it = names.find(ThisThread());
    if (it == names.end() || it->second.empty())
        return std::string();
    return it->second.back();
}

void ErrorManager::Report(const std::string& message) {
    std::string procedure = ProcedureName();
    g_sink(procedure.empty() ? std::string("Error") : "Error in " + procedure, message);
}

void ReportFatal(const std::string& message) {
    GlobalErrorManager.Report(message);
}

void SetErrorSink(ErrorSink sink) {
    g_sink = sink ? sink : PrintSink;
}

} // namespace platform
