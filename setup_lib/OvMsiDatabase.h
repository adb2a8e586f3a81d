// Owners of Windows Installer handles: package databases, views, records, and the
// enumeration of installed products related to an upgrade code.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <cstddef>
#include <vector>

namespace OvSetupLib
{
class OvMsiObject
{
public:
    OvMsiObject() = default;
    OvMsiObject(const OvMsiObject&) = delete;
    OvMsiObject& operator=(const OvMsiObject&) = delete;
    virtual ~OvMsiObject();
    // Releases the handle (the result of the release is not used).
    virtual void Close();

    MSIHANDLE GetHandle() const { return handle_; }
    // Ends what is held and takes the new handle.
    void Attach(MSIHANDLE handle);

protected:
    void Release();

    MSIHANDLE handle_ = 0;
};

class OvMsiDatabase : public OvMsiObject
{
public:
    // Opens a package read-only. Throws OvWinError.
    void OpenReadOnly(const wchar_t* path);
};

class OvMsiRecord : public OvMsiObject
{
public:
    // The text of field 1. Throws OvWinError (also for an empty wrapper).
    OvMsiString GetString() const;
};

class OvMsiView : public OvMsiObject
{
public:
    ~OvMsiView() override;
    // Ends the executed query; the handle stays held. Throws OvWinError.
    void Close() override;

    // Opens and executes a query of the database. Throws OvWinError.
    void Open(const OvMsiDatabase& database, const wchar_t* query);
    // The next row into record; false (record empty) when there is none. Throws OvWinError.
    bool Fetch(OvMsiRecord& record);
};

class OvMsiEnumBase
{
public:
    explicit OvMsiEnumBase(const OvMsiString& key) : key_(key) {}
    OvMsiEnumBase(const OvMsiEnumBase&) = delete;
    OvMsiEnumBase& operator=(const OvMsiEnumBase&) = delete;
    virtual ~OvMsiEnumBase() = default;
    virtual void Fill() = 0;

    bool IsAtEnd() const { return cursor_ >= items_.size(); }
    // Throws OvWinError(ERROR_NO_MORE_ITEMS) at the end.
    OvMsiString Current() const;
    const std::vector<OvMsiString>& Items() const { return items_; }

protected:
    std::size_t cursor_ = 0;
    OvMsiString key_;
    std::vector<OvMsiString> items_;
};

class OvMsiEnumRelatedProductsWrp : public OvMsiEnumBase
{
public:
    // The upgrade code in braces; the enumeration is filled at once. Throws OvWinError.
    explicit OvMsiEnumRelatedProductsWrp(const OvMsiString& upgradeCode);
    void Fill() override;
    // The installed version text of the product at the cursor. Throws OvWinError.
    OvMsiString GetVersionString() const;
};

// A package opened read-only, and the values of its one-row queries. One view and one
// record serve every query: opening the next query closes the previous one, and a close
// that fails is raised there (a view's destructor would drop it).
class OvMsiPackage
{
public:
    // Opens the package. Throws OvWinError.
    explicit OvMsiPackage(const OvMsiString& path);

    // Field 1 of the first row of a one-column query (no row: throws, as reading an empty
    // record does). Throws OvWinError.
    OvMsiString ReadValue(const wchar_t* query);

private:
    // Released in reverse order: the record, the view, then the database.
    OvMsiDatabase database_;
    OvMsiView view_;
    OvMsiRecord record_;
};

// One value of a package opened for it alone. Throws OvWinError.
OvMsiString ReadPackageValue(const OvMsiString& packagePath, const wchar_t* query);
}  // namespace OvSetupLib
