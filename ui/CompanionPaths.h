#pragma once
#include <string>

// Where the companion core module and agent program of the printer software are:
// "V_CORE" under the common key (core module only, taken as it is), else the
// common key's "InstallPath" directory, else the current directory. Empty when the
// file is not there. An unknown common key is reported by the common-key notice.
std::string CorePath();
std::string AgentPath();

constexpr const char* CoreModuleName = "V_CORE12.DLL";
constexpr const char* AgentProgramName = "V_AGNT12.EXE";
