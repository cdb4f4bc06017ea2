// State that the C++ runtime or a platform module keeps per OS thread, but that each program
// thread (a fiber) must see as its own: the scheduler saves and restores it on every switch.
#pragma once

#include <memory>

namespace platform {

class FiberStateBase {
public:
    virtual ~FiberStateBase() = default;
    virtual std::shared_ptr<void> Save() = 0;
    virtual void Restore(const std::shared_ptr<void>& saved) = 0;
    virtual void Reset() = 0;
};

void RegisterFiberState(FiberStateBase* state);

// Swaps a variable of type T, reached through `access`, per fiber; a new fiber starts with T{}.
template <typename T, T& (*access)()>
class FiberStateOf : public FiberStateBase {
public:
    FiberStateOf() { RegisterFiberState(this); }
    std::shared_ptr<void> Save() override { return std::make_shared<T>(access()); }
    void Restore(const std::shared_ptr<void>& saved) override {
        access() = *static_cast<T*>(saved.get());
    }
    void Reset() override { access() = T{}; }
};

} // namespace platform
