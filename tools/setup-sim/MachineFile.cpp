#include "MachineFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace setupsim
{
using nlohmann::json;
using winsim::Machine;
using winsim::Narrow;
using winsim::Widen;

namespace
{
const wchar_t kMediaRoot[] = L"C:\\Media\\";

[[noreturn]] void Fail(const std::string& key, const std::string& what)
{
    throw MachineFileError("machine file: '" + key + "': " + what);
}

// The first unknown key met while reading; reported once the description is read
// (a destructor must not throw: what was being built would not be released).
std::string g_unknownKey;

// Every object is read through this, so that an unknown key is an error, not ignored.
class Object
{
public:
    Object(const json& value, std::string path) : value_(value), path_(std::move(path))
    {
        if (!value_.is_object()) Fail(path_.empty() ? "(top level)" : path_, "expected an object");
    }
    ~Object()
    {
        if (!g_unknownKey.empty()) return;
        for (auto it = value_.begin(); it != value_.end(); ++it) {
            if (!seen_.count(it.key())) {
                g_unknownKey = "machine file: '" + Key(it.key()) + "': unknown key";
                return;
            }
        }
    }
    bool Has(const std::string& k) const { return value_.contains(k); }
    const json& Get(const std::string& k)
    {
        if (!value_.contains(k)) Fail(Key(k), "missing");
        seen_.insert(k);
        return value_.at(k);
    }
    std::string Key(const std::string& k) const { return path_.empty() ? k : path_ + "." + k; }

    template <typename F>
    void IfHas(const std::string& k, F f)
    {
        if (Has(k)) f(Get(k), Key(k));
    }

    const json& Raw() const { return value_; }

private:
    const json& value_;
    std::string path_;
    std::set<std::string> seen_;
};

std::uint64_t Number(const json& v, const std::string& key)
{
    if (v.is_number_unsigned()) return v.get<std::uint64_t>();
    if (v.is_number_integer() && v.get<std::int64_t>() >= 0) return static_cast<std::uint64_t>(v.get<std::int64_t>());
    if (v.is_string()) {
        // Hexadecimal masks and codes may be written as text, "0x3".
        const std::string s = v.get<std::string>();
        try {
            std::size_t used = 0;
            std::uint64_t n = std::stoull(s, &used, 0);
            if (used == s.size()) return n;
        } catch (const std::exception&) {
        }
    }
    Fail(key, "expected a non-negative number");
}

bool Bool(const json& v, const std::string& key)
{
    if (!v.is_boolean()) Fail(key, "expected true or false");
    return v.get<bool>();
}

std::string Text(const json& v, const std::string& key)
{
    if (!v.is_string()) Fail(key, "expected a string");
    return v.get<std::string>();
}

winsim::FileVersion ParseFileVersion(const json& v, const std::string& key)
{
    if (v.is_null()) {
        winsim::FileVersion none;
        none.hasResource = false;
        return none;
    }
    std::string s = Text(v, key);
    // One to four dotted decimal parts and nothing else: "4.5.x" is a typing error, not 4.5.
    std::vector<std::string> fields(1);
    for (char c : s) {
        if (c == '.')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    bool valid = fields.size() <= 4;
    for (const std::string& f : fields)
        valid = valid && !f.empty() && std::all_of(f.begin(), f.end(), [](char c) {
                    return std::isdigit(static_cast<unsigned char>(c)) != 0;
                });
    if (!valid) Fail(key, "expected a version such as \"4.5.6001.22159\" or null for a file without version");
    unsigned long parts[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].size() > 5 || std::stoul(fields[i]) > 0xFFFF) Fail(key, "a version part is above 65535");
        parts[i] = std::stoul(fields[i]);
    }
    return winsim::FileVersion{static_cast<WORD>(parts[0]), static_cast<WORD>(parts[1]), static_cast<WORD>(parts[2]),
                               static_cast<WORD>(parts[3]), true};
}

HKEY Root(const std::string& s, const std::string& key)
{
    if (s == "HKLM" || s == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (s == "HKCU" || s == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    Fail(key, "expected HKLM or HKCU");
}

DWORD ServiceState(const std::string& s, const std::string& key)
{
    if (s == "stopped") return SERVICE_STOPPED;
    if (s == "running") return SERVICE_RUNNING;
    if (s == "paused") return SERVICE_PAUSED;
    if (s == "start-pending") return SERVICE_START_PENDING;
    if (s == "stop-pending") return SERVICE_STOP_PENDING;
    Fail(key, "expected stopped, running, paused, start-pending or stop-pending");
}

// One registry value as written in the file: {root, key, name, type, value, view}.
struct RegistryWrite {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring key;
    std::wstring name;
    winsim::RegistryValue value;
    bool view64 = true;
};

RegistryWrite ParseRegistryValue(const json& v, const std::string& path)
{
    Object o(v, path);
    RegistryWrite w;
    w.root = Root(Text(o.Get("root"), o.Key("root")), o.Key("root"));
    w.key = Widen(Text(o.Get("key"), o.Key("key")));
    w.name = Widen(Text(o.Get("name"), o.Key("name")));
    o.IfHas("view", [&](const json& x, const std::string& k) {
        std::uint64_t view = Number(x, k);
        if (view != 32 && view != 64) Fail(k, "expected 32 or 64");
        w.view64 = view == 64;
    });
    std::string type = o.Has("type") ? Text(o.Get("type"), o.Key("type")) : "REG_DWORD";
    const json& value = o.Get("value");
    if (type == "REG_DWORD") {
        std::uint64_t n = Number(value, o.Key("value"));
        if (n > 0xFFFFFFFFu) Fail(o.Key("value"), "a REG_DWORD holds 32 bits");
        w.value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            w.value.data.push_back(static_cast<BYTE>(n >> (8 * i)));
    } else if (type == "REG_QWORD") {
        std::uint64_t n = Number(value, o.Key("value"));
        w.value.type = REG_QWORD;
        for (int i = 0; i < 8; ++i)
            w.value.data.push_back(static_cast<BYTE>(n >> (8 * i)));
    } else if (type == "REG_SZ") {
        w.value.type = REG_SZ;
        for (wchar_t c : Widen(Text(value, o.Key("value"))) + L'\0') {
            w.value.data.push_back(static_cast<BYTE>(c & 0xFF));
            w.value.data.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
        }
    } else {
        Fail(o.Key("type"), "expected REG_DWORD, REG_QWORD or REG_SZ");
    }
    return w;
}

void Write(Machine& m, const RegistryWrite& w)
{
    m.Key(w.root, w.key, w.view64).values[w.name] = w.value;
}

std::wstring ProgramPath(const std::string& name)
{
    std::wstring w = Widen(name);
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    if (w.size() >= 2 && w[1] == L':') return w;
    return kMediaRoot + w;  // relative to the media
}

// What a program does when it runs: an exit code and effects on the machine.
winsim::ProgramModel ParseProgram(const json& v, const std::string& path)
{
    Object o(v, path);
    winsim::ProgramModel model;
    o.IfHas("exitCode", [&](const json& x, const std::string& k) {
        std::uint64_t n = Number(x, k);
        if (n > 0xFFFFFFFFu) Fail(k, "an exit code holds 32 bits");
        model.exitCode = static_cast<DWORD>(n);
    });
    std::vector<RegistryWrite> writes;
    std::vector<std::pair<std::wstring, winsim::FileVersion>> versions;
    std::vector<std::pair<std::wstring, DWORD>> services;
    o.IfHas("effects", [&](const json& x, const std::string& k) {
        Object effects(x, k);
        effects.IfHas("registry", [&](const json& list, const std::string& lk) {
            if (!list.is_array()) Fail(lk, "expected a list");
            for (std::size_t i = 0; i < list.size(); ++i)
                writes.push_back(ParseRegistryValue(list[i], lk + "[" + std::to_string(i) + "]"));
        });
        effects.IfHas("fileVersions", [&](const json& map, const std::string& mk) {
            Object fv(map, mk);
            for (auto it = map.begin(); it != map.end(); ++it)
                versions.emplace_back(Widen(it.key()), ParseFileVersion(fv.Get(it.key()), fv.Key(it.key())));
        });
        effects.IfHas("services", [&](const json& map, const std::string& sk) {
            Object sv(map, sk);
            for (auto it = map.begin(); it != map.end(); ++it)
                services.emplace_back(Widen(it.key()),
                                      ServiceState(Text(sv.Get(it.key()), sv.Key(it.key())), sv.Key(it.key())));
        });
    });
    model.effect = [writes, versions, services](Machine& m, const std::wstring&) {
        for (auto& w : writes)
            Write(m, w);
        for (auto& v : versions)
            m.fileVersions[v.first] = v.second;
        for (auto& s : services) {
            m.services[s.first].state = s.second;
            m.services[s.first].pending.clear();
        }
    };
    return model;
}
}  // namespace

namespace
{
void ApplyDescription(Machine& m, const std::string& text, const std::string& mediaHostDir);
}  // namespace

void MountMedia(Machine& machine, const std::string& mediaHostDir)
{
    machine.mounts.emplace_back(kMediaRoot, std::filesystem::absolute(mediaHostDir).lexically_normal().string());
    machine.modulePath = L"C:\\Media\\Setup\\Setup.exe";
}

void ApplyMachineDescription(Machine& m, const std::string& text, const std::string& mediaHostDir)
{
    g_unknownKey.clear();
    ApplyDescription(m, text, mediaHostDir);
    if (!g_unknownKey.empty()) throw MachineFileError(g_unknownKey);
}

namespace
{
void ApplyDescription(Machine& m, const std::string& text, const std::string& mediaHostDir)
{
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        throw MachineFileError(std::string("machine file: not valid JSON: ") + e.what());
    }
    Object top(doc, "");
    top.IfHas("description", [](const json& x, const std::string& k) { Text(x, k); });
    top.IfHas("windows", [&](const json& x, const std::string& k) {
        Object w(x, k);
        w.IfHas("major", [&](const json& v, const std::string& kk) { m.osMajor = static_cast<DWORD>(Number(v, kk)); });
        w.IfHas("minor", [&](const json& v, const std::string& kk) { m.osMinor = static_cast<DWORD>(Number(v, kk)); });
        w.IfHas("build", [&](const json& v, const std::string& kk) { m.osBuild = static_cast<DWORD>(Number(v, kk)); });
        w.IfHas("productType", [&](const json& v, const std::string& kk) {
            std::string t = Text(v, kk);
            if (t == "workstation")
                m.productType = VER_NT_WORKSTATION;
            else if (t == "domainController")
                m.productType = VER_NT_DOMAIN_CONTROLLER;
            else if (t == "server")
                m.productType = VER_NT_SERVER;
            else
                Fail(kk, "expected workstation, server or domainController");
        });
        w.IfHas("wow64", [&](const json& v, const std::string& kk) { m.wow64 = Bool(v, kk); });
    });
    top.IfHas("administrator", [&](const json& x, const std::string& k) { m.isAdmin = Bool(x, k); });
    top.IfHas("processors", [&](const json& x, const std::string& k) {
        if (!x.is_array()) Fail(k, "expected a list of cores, each {\"mask\": \"0x3\"}");
        m.processors.clear();
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::string ik = k + "[" + std::to_string(i) + "]";
            Object core(x[i], ik);
            winsim::ProcessorRecord r;
            r.mask = static_cast<ULONG_PTR>(Number(core.Get("mask"), core.Key("mask")));
            core.IfHas("relationship", [&](const json& v, const std::string& kk) {
                std::string rel = Text(v, kk);
                if (rel == "core")
                    r.relationship = RelationProcessorCore;
                else if (rel == "cache")
                    r.relationship = RelationCache;
                else if (rel == "package")
                    r.relationship = RelationProcessorPackage;
                else if (rel == "numaNode")
                    r.relationship = RelationNumaNode;
                else
                    Fail(kk, "expected core, cache, package or numaNode");
            });
            m.processors.push_back(r);
        }
    });
    top.IfHas("environment", [&](const json& x, const std::string& k) {
        Object env(x, k);
        for (auto it = x.begin(); it != x.end(); ++it)
            m.environment[Widen(it.key())] = Widen(Text(env.Get(it.key()), env.Key(it.key())));
    });
    top.IfHas("runningProcesses", [&](const json& x, const std::string& k) {
        if (!x.is_array()) Fail(k, "expected a list of image names");
        for (std::size_t i = 0; i < x.size(); ++i)
            m.runningProcesses.push_back(Widen(Text(x[i], k + "[" + std::to_string(i) + "]")));
    });
    top.IfHas("installedProducts", [&](const json& x, const std::string& k) {
        if (!x.is_array()) Fail(k, "expected a list");
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::string ik = k + "[" + std::to_string(i) + "]";
            Object p(x[i], ik);
            winsim::InstalledProduct product;
            std::wstring upgradeCode = Widen(Text(p.Get("upgradeCode"), p.Key("upgradeCode")));
            product.productCode = Widen(Text(p.Get("productCode"), p.Key("productCode")));
            product.version = Widen(Text(p.Get("version"), p.Key("version")));
            m.installed[upgradeCode].push_back(product);
        }
    });
    top.IfHas("registry", [&](const json& x, const std::string& k) {
        if (!x.is_array()) Fail(k, "expected a list of values");
        for (std::size_t i = 0; i < x.size(); ++i)
            Write(m, ParseRegistryValue(x[i], k + "[" + std::to_string(i) + "]"));
    });
    top.IfHas("absentRegistryKeys", [&](const json& x, const std::string& k) {
        if (!x.is_array()) Fail(k, "expected a list of \"HKLM\\\\path\" texts");
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::string ik = k + "[" + std::to_string(i) + "]";
            std::string path = Text(x[i], ik);
            std::size_t slash = path.find('\\');
            if (slash == std::string::npos) Fail(ik, "expected ROOT\\path");
            HKEY root = Root(path.substr(0, slash), ik);
            for (bool view : {true, false})
                m.registry.erase(Machine::RegistryPath(root, Widen(path.substr(slash + 1)), view));
        }
    });
    top.IfHas("fileVersions", [&](const json& x, const std::string& k) {
        Object fv(x, k);
        for (auto it = x.begin(); it != x.end(); ++it)
            m.fileVersions[Widen(it.key())] = ParseFileVersion(fv.Get(it.key()), fv.Key(it.key()));
    });
    top.IfHas("services", [&](const json& x, const std::string& k) {
        Object sv(x, k);
        for (auto it = x.begin(); it != x.end(); ++it)
            m.services[Widen(it.key())].state =
                ServiceState(Text(sv.Get(it.key()), sv.Key(it.key())), sv.Key(it.key()));
    });
    top.IfHas("programs", [&](const json& x, const std::string& k) {
        Object programs(x, k);
        for (auto it = x.begin(); it != x.end(); ++it) {
            std::wstring path = ProgramPath(it.key());
            winsim::ProgramModel model = ParseProgram(programs.Get(it.key()), programs.Key(it.key()));
            // A program named relative to the media runs only when the media holds its file.
            bool onMedia = path.compare(0, std::wcslen(kMediaRoot), kMediaRoot) == 0;
            if (onMedia && !mediaHostDir.empty() && !m.Exists(path)) continue;
            m.programs[path] = model;
        }
    });
}
}  // namespace
}  // namespace setupsim
