#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/tools/ToolRun.h"

namespace {

// None of these calls gets as far as a window.
ToolRun Pqif(const std::string& arguments) {
    return RunTool("pqif.exe " + arguments);
}

struct BadCall {
    const char* arguments;
    const char* problem;
};

TEST(PqifMonitorCommands, BadArgumentsGiveUsageAndExitStatus2) {
    const BadCall calls[] = {
        {"popup", "pqif: popup takes one PRINTER\n"},
        {"detail Kestrel_K7 Other", "pqif: detail takes one PRINTER\n"},
        {"popup \"\"", "pqif: give a PRINTER, or \"\" and --port PORT\n"},
        {"popup Kestrel_K7 --port", "pqif: --port needs a value\n"},
        {"detail Kestrel_K7 --json", "pqif: unknown option --json\n"},
        {"popup Kestrel_K7 --job 5", "pqif: --job belongs to progress\n"},
        {"detail Kestrel_K7 --print Report.pdf", "pqif: --print belongs to progress\n"},
        {"progress Kestrel_K7",
         "pqif: progress follows a job: give --job ID or --print DOCUMENT\n"},
        {"progress Kestrel_K7 --job 0",
         "pqif: --job wants a spooler job id from 1 up, not \"0\"\n"},
        {"progress Kestrel_K7 --job 12x",
         "pqif: --job wants a spooler job id from 1 up, not \"12x\"\n"},
        {"progress Kestrel_K7 --job 1 --job 2", "pqif: --job is given twice\n"},
        {"progress Kestrel_K7 --print \"\"", "pqif: --print wants a document name\n"},
        {"progress \"\" --port USB001 --print Report.pdf",
         "pqif: --print needs a PRINTER name: the spooler has no queue for a bare port\n"},
    };
    for (const BadCall& call : calls) {
        SCOPED_TRACE(call.arguments);
        ToolRun r = Pqif(call.arguments);
        EXPECT_EQ(r.exitCode, 2u);
        EXPECT_EQ(r.err.rfind(call.problem, 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: pqif status"), std::string::npos);
        EXPECT_NE(r.err.find("pqif progress PRINTER"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

TEST(PqifMonitorCommands, HelpGoesToStandardOutput) {
    ToolRun r = Pqif("progress --help");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("pqif popup|detail PRINTER"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST(PqifMonitorCommands, WhatCannotBeFoundIsAFailure) {
    ToolRun r = Pqif("popup \"Pqif No Such Printer\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.err.rfind("pqif: the printer's model is not known", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("; give --model\n"), std::string::npos) << r.err;

    r = Pqif("detail \"Pqif No Such Printer\" --model \"Pqif No Such Model\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.err,
              "pqif: no settings file is installed for \"Pqif No Such Model\"; give --ini\n");
    EXPECT_EQ(r.out, "");
}

// A resource library that does not load stops each launch export before its
// window; pqif reports the export's own answer.
TEST(PqifMonitorCommands, TheExportsAnswerIsReportedAndIsTheExitStatus) {
    const std::string common = " \"Pqif Launch Test\" --port LPT9: --model \"Pqif Test Model\""
                               " --ini C:\\nowhere\\MODEL.INI --res C:\\nowhere\\RES.DLL";
    const struct {
        const char* command;
        const char* exportName;
    } launches[] = {{"popup", "PrStartKVR_S"},
                    {"detail", "PrStartKVR_D"},
                    {"progress --job 4711", "PrStartKVR_PM"}};
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.command);
        ToolRun r = Pqif(std::string(launch.command) + common);
        EXPECT_EQ(r.exitCode, 1u);
        EXPECT_NE(
            r.out.find("  settings: C:\\nowhere\\MODEL.INI\n  resources: C:\\nowhere\\RES.DLL\n"),
            std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find(std::string(launch.exportName) + " returned 1 (the launch failed)\n"),
                  std::string::npos)
            << r.out;
    }
}

} // namespace
