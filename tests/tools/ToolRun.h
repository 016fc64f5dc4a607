#pragma once
#include <windows.h>

#include <string>

// Runs a program of the test's folder with its output captured; the calling
// thread keeps dispatching its window messages meanwhile, so the program may
// talk to windows the test made.
struct ToolRun {
    DWORD exitCode = 0xFFFF;
    std::string out;
    std::string err;
};

ToolRun RunTool(const std::string& commandLine, DWORD timeoutMs = 30000);
