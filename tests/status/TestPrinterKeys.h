#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <fstream>
#include <string>
#include <vector>

#include "status/NotifyLookup.h"
#include "status/PrinterKey.h"
#include "support/Registry.h"

// Deletes the key at path and then its parents, each only while it holds no
// value and no subkey, so that a test leaves no empty keys of its own behind.
inline void PruneEmptyKeys(HKEY root, std::string path) {
    for (;;) {
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string::npos)
            return;
        {
            Registry key(root, path.c_str());
            if (key.IsOpen() && (!key.EnumKey(0).empty() || !key.EnumValue(0).empty()))
                return;
        }
        Registry parent(root, path.substr(0, cut).c_str(), false, KEY_ALL_ACCESS);
        parent.DeleteKey(path.substr(cut + 1).c_str());
        path.resize(cut);
    }
}

// Empties both per-printer base keys when made and when destroyed, so a test
// sees only the printer keys it adds. Tests run in the build's own Wine prefix.
class TargetKeys {
public:
    TargetKeys() { Clear(); }
    ~TargetKeys() {
        Clear();
        PruneEmptyKeys(HKEY_CURRENT_USER, "software\\VORNE\\KVR7\\KVRData");
    }
    TargetKeys(const TargetKeys&) = delete;
    TargetKeys& operator=(const TargetKeys&) = delete;

    // Adds a subkey with the given "Name" value (none when name is null) and
    // returns its path below HKEY_CURRENT_USER.
    std::string Add(int selector, const std::string& subkey, const char* name) {
        std::string path = std::string(Base(selector)) + "\\" + subkey;
        // Relative to the base key, so that names longer than a path allows work too.
        Registry base(HKEY_CURRENT_USER, Base(selector), true);
        Registry key(base.Handle(), subkey.c_str(), true);
        if (name) {
            EXPECT_TRUE(key.SetString("Name", name));
        }
        return path;
    }

    static const char* Base(int selector) {
        return selector == SelectByPrinter ? PrinterTargetsPath : PortTargetsPath;
    }

private:
    static void Clear() {
        Registry data(HKEY_CURRENT_USER, "software\\VORNE\\KVR7\\KVRData", false, KEY_ALL_ACCESS);
        data.DeleteKey("VRLTarget");
        data.DeleteKey("VRNTarget");
    }
};

// A model's settings file in the temporary folder, registered under the
// product's profile key for as long as the object lives.
class ModelSettings {
public:
    ModelSettings(const std::string& model, const std::string& contents) : model_(model) {
        char dir[MAX_PATH];
        ::GetTempPathA(sizeof dir, dir);
        path_ = std::string(dir) + "pqif_" + std::to_string(::GetCurrentProcessId()) + "_" +
                std::to_string(++counter_) + ".ini";
        std::ofstream(path_, std::ios::binary) << contents;
        Registry profile(HKEY_LOCAL_MACHINE, ProfileKeyPath, true);
        EXPECT_TRUE(profile.SetString(model_.c_str(), path_.c_str()));
    }
    ~ModelSettings() {
        Registry profile(HKEY_LOCAL_MACHINE, ProfileKeyPath, true);
        profile.DeleteValue(model_.c_str());
        ::DeleteFileA(path_.c_str());
        PruneEmptyKeys(HKEY_LOCAL_MACHINE, ProfileKeyPath);
    }
    ModelSettings(const ModelSettings&) = delete;
    ModelSettings& operator=(const ModelSettings&) = delete;
    const std::string& path() const { return path_; }

private:
    static inline int counter_ = 0;
    std::string model_;
    std::string path_;
};

inline DWORD ReadDword(const std::string& path, const char* name, DWORD fallback = 0xDEAD) {
    Registry key(HKEY_CURRENT_USER, path.c_str());
    return key.GetDword(name, fallback);
}

inline std::vector<BYTE> ReadBinary(const std::string& path, const char* name) {
    Registry key(HKEY_CURRENT_USER, path.c_str());
    return key.GetBinary(name);
}
