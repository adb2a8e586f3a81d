// Owning pointer to memory that this program allocated with new, parameterised by the
// releaser that frees it (memory the system allocated is OvLocalMemory, in OvSmartHandle.h).
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
template <typename T>
class PointerArrayReleaser
{
public:
    virtual ~PointerArrayReleaser() = default;

protected:
    static void Release(T* p) { delete[] p; }
};

template <typename T>
class PointerReleaser
{
public:
    virtual ~PointerReleaser() = default;

protected:
    static void Release(T* p) { delete p; }
};

template <typename T, template <typename> class Releaser>
class OvPointerT : public Releaser<T>
{
public:
    explicit OvPointerT(T* value = nullptr) : value_(value) {}
    OvPointerT(const OvPointerT&) = delete;
    OvPointerT& operator=(const OvPointerT&) = delete;
    ~OvPointerT() override { Reset(nullptr); }

    T* Get() const { return value_; }
    void Reset(T* value)
    {
        if (value == value_) return;
        if (value_ != nullptr) Releaser<T>::Release(value_);
        value_ = value;
    }

private:
    T* value_;
};
}  // namespace OvSetupLib
