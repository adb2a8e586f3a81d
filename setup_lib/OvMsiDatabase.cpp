#include "setup_lib/OvMsiDatabase.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvSystemLibrary.h"
#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
namespace
{
// Windows' header spells the read-only mode as a narrow text; the call wants the null mode.
const LPCWSTR kReadOnly = nullptr;
}  // namespace

OvMsiObject::~OvMsiObject()
{
    Release();
}

void OvMsiObject::Close()
{
    Release();
}

void OvMsiObject::Release()
{
    if (handle_ != 0) {
        MsiCloseHandle(handle_);
        handle_ = 0;
    }
}

void OvMsiObject::Attach(MSIHANDLE handle)
{
    try {
        Close();
    } catch (...) {
        if (handle != 0) MsiCloseHandle(handle);
        throw;
    }
    // A view's Close ends its query but keeps the handle; release it before taking the new one.
    Release();
    handle_ = handle;
}

void OvMsiDatabase::OpenReadOnly(const wchar_t* path)
{
    OvLibraryHandle installer(LoadSystemLibrary(L"msi.dll"));
    MSIHANDLE opened = 0;
    ThrowIfError(MsiOpenDatabaseW(path, kReadOnly, &opened));
    Attach(opened);
}

OvMsiString OvMsiRecord::GetString() const
{
    OvMsiString value;
    DWORD length = 1024;
    UINT result = MsiRecordGetStringW(handle_, 1, value.OpenBuffer(1025), &length);
    value.CloseBuffer(-1);
    if (result == ERROR_MORE_DATA) {
        length += 1;
        result = MsiRecordGetStringW(handle_, 1, value.OpenBuffer(length + 1), &length);
        value.CloseBuffer(-1);
    }
    if (result != ERROR_SUCCESS) {
        value.clear();
        throw OvWinError(result);
    }
    return value;
}

OvMsiView::~OvMsiView()
{
    // A destructor must not throw: a view that cannot be closed is dropped, and its
    // handle is released below all the same.
    try {
        Close();
    } catch (const OvWinError&) {
    }
    Release();
}

void OvMsiView::Close()
{
    if (handle_ != 0) ThrowIfError(MsiViewClose(handle_));
}

void OvMsiView::Open(const OvMsiDatabase& database, const wchar_t* query)
{
    MSIHANDLE opened = 0;
    ThrowIfError(MsiDatabaseOpenViewW(database.GetHandle(), query, &opened));
    Attach(opened);
    ThrowIfError(MsiViewExecute(handle_, 0));
}

bool OvMsiView::Fetch(OvMsiRecord& record)
{
    MSIHANDLE fetched = 0;
    UINT result = MsiViewFetch(handle_, &fetched);
    if (result == ERROR_NO_MORE_ITEMS) {
        record.Attach(0);
        return false;
    }
    ThrowIfError(result);
    record.Attach(fetched);
    return true;
}

OvMsiString OvMsiEnumBase::Current() const
{
    if (IsAtEnd()) throw OvWinError(ERROR_NO_MORE_ITEMS);
    return items_[cursor_];
}

OvMsiEnumRelatedProductsWrp::OvMsiEnumRelatedProductsWrp(const OvMsiString& upgradeCode) : OvMsiEnumBase(upgradeCode)
{
    // The most derived Fill: this class is complete here.
    OvMsiEnumRelatedProductsWrp::Fill();
}

void OvMsiEnumRelatedProductsWrp::Fill()
{
    items_.clear();
    cursor_ = 0;
    OvLibraryHandle installer(LoadSystemLibrary(L"msi.dll"));
    for (DWORD index = 0;; ++index) {
        OvMsiString product;
        UINT result = MsiEnumRelatedProductsW(key_.c_str(), 0, index, product.OpenBuffer(39));
        product.CloseBuffer(-1);
        if (result == ERROR_NO_MORE_ITEMS) break;
        ThrowIfError(result);
        items_.push_back(product);
    }
    cursor_ = 0;
}

OvMsiString OvMsiEnumRelatedProductsWrp::GetVersionString() const
{
    OvMsiString product = Current();
    OvMsiString version;
    DWORD length = 0;
    UINT result = MsiGetProductInfoW(product.c_str(), L"VersionString", version.OpenBuffer(0), &length);
    version.CloseBuffer(-1);
    if (result == ERROR_MORE_DATA) {
        length += 1;
        result = MsiGetProductInfoW(product.c_str(), L"VersionString", version.OpenBuffer(length), &length);
        version.CloseBuffer(-1);
    }
    ThrowIfError(result);
    return version;
}

OvMsiPackage::OvMsiPackage(const OvMsiString& path)
{
    database_.OpenReadOnly(path.c_str());
}

OvMsiString OvMsiPackage::ReadValue(const wchar_t* query)
{
    view_.Open(database_, query);
    view_.Fetch(record_);
    return record_.GetString();
}

OvMsiString ReadPackageValue(const OvMsiString& packagePath, const wchar_t* query)
{
    return OvMsiPackage(packagePath).ReadValue(query);
}
}  // namespace OvSetupLib
