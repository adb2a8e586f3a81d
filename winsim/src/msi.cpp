// Windows Installer: package databases read from real .msi files with libmsi, and the
// installed products of the machine by upgrade code.
#include <winsim/Machine.h>

#include <libmsi.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using winsim::M;

namespace
{
struct MsiObject : winsim::Object {
};

struct DatabaseObject : MsiObject {
    LibmsiDatabase* db = nullptr;
    ~DatabaseObject() override
    {
        if (db) g_object_unref(db);
    }
};

struct ViewObject : MsiObject {
    LibmsiQuery* query = nullptr;
    bool executed = false;
    ~ViewObject() override
    {
        if (query) g_object_unref(query);
    }
};

struct RecordObject : MsiObject {
    std::vector<std::wstring> fields;  // field 1 is fields[0]
};

MSIHANDLE NewMsiHandle(std::shared_ptr<MsiObject> object)
{
    return static_cast<MSIHANDLE>(reinterpret_cast<std::uintptr_t>(winsim::NewHandle(std::move(object))));
}

template <typename T>
std::shared_ptr<T> Find(MSIHANDLE handle)
{
    if (handle == 0) return nullptr;
    return std::dynamic_pointer_cast<T>(
        winsim::GetObject(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle))));
}

// The installer's convention for text out-parameters: the length in characters without
// the terminator comes back; a short buffer gets what fits and ERROR_MORE_DATA.
UINT CopyOut(const std::wstring& value, LPWSTR buffer, LPDWORD length)
{
    if (length == nullptr) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD room = *length;
    *length = static_cast<DWORD>(value.size());
    if (buffer == nullptr) return ERROR_SUCCESS;
    if (room <= value.size()) {
        if (room > 0) {
            std::wmemcpy(buffer, value.c_str(), room - 1);
            buffer[room - 1] = 0;
        }
        return ERROR_MORE_DATA;
    }
    std::wmemcpy(buffer, value.c_str(), value.size() + 1);
    return ERROR_SUCCESS;
}

void Drop(GError*& error)
{
    if (error) g_error_free(error);
    error = nullptr;
}
}  // namespace

UINT MsiOpenDatabaseW(LPCWSTR databasePath, LPCWSTR persist, MSIHANDLE* handle)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiOpenDatabaseW")) return M().lastError;
    if (databasePath == nullptr || handle == nullptr || persist != nullptr) return ERROR_INVALID_PARAMETER;
    std::string host = M().HostPath(databasePath);
    GError* error = nullptr;
    LibmsiDatabase* db = libmsi_database_new(host.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
    Drop(error);
    if (db == nullptr) return ERROR_OPEN_FAILED;
    auto object = std::make_shared<DatabaseObject>();
    object->db = db;
    *handle = NewMsiHandle(object);
    return ERROR_SUCCESS;
}

UINT MsiDatabaseOpenViewW(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiDatabaseOpenViewW")) return M().lastError;
    auto db = Find<DatabaseObject>(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (query == nullptr || view == nullptr) return ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    LibmsiQuery* q = libmsi_query_new(db->db, winsim::Narrow(query).c_str(), &error);
    Drop(error);
    if (q == nullptr) return ERROR_BAD_QUERY_SYNTAX;
    auto object = std::make_shared<ViewObject>();
    object->query = q;
    *view = NewMsiHandle(object);
    return ERROR_SUCCESS;
}

UINT MsiViewExecute(MSIHANDLE view, MSIHANDLE record)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiViewExecute")) return M().lastError;
    auto v = Find<ViewObject>(view);
    if (!v) return ERROR_INVALID_HANDLE;
    if (record != 0) return ERROR_INVALID_PARAMETER;  // parameter records are not simulated
    GError* error = nullptr;
    gboolean ok = libmsi_query_execute(v->query, nullptr, &error);
    Drop(error);
    if (!ok) return ERROR_FUNCTION_FAILED;
    v->executed = true;
    return ERROR_SUCCESS;
}

UINT MsiViewFetch(MSIHANDLE view, MSIHANDLE* record)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiViewFetch")) return M().lastError;
    auto v = Find<ViewObject>(view);
    if (!v) return ERROR_INVALID_HANDLE;
    if (record == nullptr) return ERROR_INVALID_PARAMETER;
    if (!v->executed) return ERROR_FUNCTION_FAILED;
    GError* error = nullptr;
    LibmsiRecord* rec = libmsi_query_fetch(v->query, &error);
    // libmsi reports the end of the rows as no record, without an error or as not found.
    bool failed = error != nullptr && error->code != LIBMSI_RESULT_NOT_FOUND && error->code != LIBMSI_RESULT_SUCCESS;
    Drop(error);
    if (rec == nullptr) return failed ? ERROR_FUNCTION_FAILED : ERROR_NO_MORE_ITEMS;
    auto object = std::make_shared<RecordObject>();
    guint count = libmsi_record_get_field_count(rec);
    for (guint i = 1; i <= count; ++i) {
        gchar* text = libmsi_record_get_string(rec, i);
        object->fields.push_back(winsim::Widen(text ? text : ""));
        g_free(text);
    }
    g_object_unref(rec);
    *record = NewMsiHandle(object);
    return ERROR_SUCCESS;
}

UINT MsiRecordGetStringW(MSIHANDLE record, UINT field, LPWSTR buffer, LPDWORD length)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiRecordGetStringW")) return M().lastError;
    auto r = Find<RecordObject>(record);
    if (!r) return ERROR_INVALID_HANDLE;
    std::wstring value = field >= 1 && field <= r->fields.size() ? r->fields[field - 1] : std::wstring();
    return CopyOut(value, buffer, length);
}

UINT MsiViewClose(MSIHANDLE view)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiViewClose")) return M().lastError;
    auto v = Find<ViewObject>(view);
    if (!v) return ERROR_INVALID_HANDLE;
    GError* error = nullptr;
    libmsi_query_close(v->query, &error);
    Drop(error);
    v->executed = false;
    return ERROR_SUCCESS;
}

UINT MsiCloseHandle(MSIHANDLE handle)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (handle == 0) return ERROR_SUCCESS;
    if (!Find<MsiObject>(handle)) return ERROR_INVALID_HANDLE;
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle)));
    return ERROR_SUCCESS;
}

namespace winsim
{
bool IsInstallerGuid(const wchar_t* text);  // msiguid.cpp
}

UINT MsiEnumRelatedProductsW(LPCWSTR upgradeCode, DWORD reserved, DWORD index, LPWSTR productBuffer)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiEnumRelatedProductsW")) return M().lastError;
    if (upgradeCode == nullptr || productBuffer == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
    if (M().enumError != 0) return M().enumError;
    // Windows answers a text that is not a GUID with 87, not with "nothing found" (Wine does).
    if (!winsim::IsInstallerGuid(upgradeCode)) return ERROR_INVALID_PARAMETER;
    auto it = M().installed.find(upgradeCode);
    if (it == M().installed.end() || index >= it->second.size()) return ERROR_NO_MORE_ITEMS;
    const std::wstring& code = it->second[index].productCode;
    // The caller's buffer holds 39 characters: a product code in braces and its terminator.
    std::size_t n = code.size() < 38 ? code.size() : 38;
    std::wmemcpy(productBuffer, code.c_str(), n);
    productBuffer[n] = 0;
    return ERROR_SUCCESS;
}

UINT MsiGetProductInfoW(LPCWSTR product, LPCWSTR property, LPWSTR value, LPDWORD length)
{
    winsim::EnterDelayLoaded("msi.dll");
    if (winsim::Fails("MsiGetProductInfoW")) return M().lastError;
    if (product == nullptr || property == nullptr) return ERROR_INVALID_PARAMETER;
    for (auto& entry : M().installed) {
        for (auto& p : entry.second) {
            if (!winsim::EqualNoCase(p.productCode, product)) continue;
            if (p.versionError != 0) return p.versionError;
            if (std::wstring(property) != L"VersionString") return ERROR_UNKNOWN_PROPERTY;
            return CopyOut(p.version, value, length);
        }
    }
    return ERROR_UNKNOWN_PRODUCT;
}
