// Owning pointer to memory, parameterised by the releaser that frees it.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
// Memory that the system allocated for the caller.
template <typename T>
class LocalHeapReleaser
{
public:
    virtual ~LocalHeapReleaser() = default;

protected:
    static void Release(T* p) { LocalFree(p); }
};

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
