#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "device/ChanSel.h"
#include "tests/device/SimPrinter.h"
#include "tests/status/TestPrinterKeys.h"
#include "tests/tools/ToolRun.h"

namespace {

ToolRun Pqif(const std::string& arguments) {
    return RunTool("pqif.exe " + arguments, 60000);
}

// The "error" value of a one-line JSON object (our messages hold no quotes).
std::string ErrorOf(const std::string& json) {
    const std::string key = "\"error\":\"";
    std::size_t at = json.find(key);
    if (at == std::string::npos)
        return {};
    at += key.size();
    return json.substr(at, json.find('"', at) - at);
}

void ExpectOneJsonLine(const ToolRun& r) {
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.front(), '{') << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n") << r.out;
    EXPECT_EQ(r.err, "");
}

TEST(PqifJson, AFailureBeforeAnyReplyIsOneJsonObjectWithTheSameExitStatus) {
    ToolRun json = Pqif("status \"Pqif No Such Printer\" --json");
    EXPECT_EQ(json.exitCode, 1u);
    ExpectOneJsonLine(json);
    EXPECT_EQ(json.out.rfind("{\"command\":\"status\",\"printer\":\"Pqif No Such Printer\","
                             "\"port\":\"\",\"error\":\"",
                             0),
              0u)
        << json.out;
    EXPECT_NE(json.out.find(",\"exitCode\":1}\n"), std::string::npos) << json.out;

    // Without --json: the same message as a line on standard error.
    ToolRun text = Pqif("status \"Pqif No Such Printer\"");
    EXPECT_EQ(text.exitCode, 1u);
    EXPECT_EQ(text.out, "");
    EXPECT_FALSE(ErrorOf(json.out).empty());
    EXPECT_EQ(text.err, "pqif: " + ErrorOf(json.out) + "\n");
}

TEST(PqifJson, BadArgumentsWithJsonAreJsonWithExitStatus2) {
    const struct {
        const char* arguments;
        const char* json;
    } calls[] = {
        {"status --json", "{\"command\":\"status\",\"error\":\"status takes one PRINTER\","
                          "\"exitCode\":2}\n"},
        {"status \"\" --json",
         "{\"command\":\"status\",\"error\":\"give a PRINTER, or \\\"\\\" and --port PORT\","
         "\"exitCode\":2}\n"},
        {"status Kestrel_K7 --frobnicate --json",
         "{\"command\":\"status\",\"error\":\"unknown option --frobnicate\",\"exitCode\":2}\n"},
        {"status Kestrel_K7 --json --port",
         "{\"command\":\"status\",\"error\":\"--port needs a value\",\"exitCode\":2}\n"},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.arguments);
        ToolRun r = Pqif(call.arguments);
        EXPECT_EQ(r.exitCode, 2u);
        EXPECT_EQ(r.out, call.json);
        EXPECT_EQ(r.err, "");
    }
    // Without --json the usage text, as before.
    ToolRun r = Pqif("status Kestrel_K7 --frobnicate");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("pqif: unknown option --frobnicate\nusage: pqif status", 0), 0u);
}

TEST(PqifJson, NamesOutsideAsciiComeOutAsUnicodeEscapes) {
    // "B\xFCro" in the ANSI code page; JSON readers want Unicode, never raw ANSI bytes.
    ToolRun r = Pqif("status \"Pqif B\xFCro\" --json");
    EXPECT_EQ(r.exitCode, 1u);
    ExpectOneJsonLine(r);
    EXPECT_TRUE(std::all_of(r.out.begin(), r.out.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\n';
    })) << r.out;
    if (::GetACP() == 1252) {
        EXPECT_NE(r.out.find("\"printer\":\"Pqif B\\u00fcro\""), std::string::npos) << r.out;
    }
}

TEST(PqifJson, AReplyThatCouldNotBeReadKeepsTheReportAndAddsTheError) {
    SimPrinter sim("Pqif_Json_K7");
    sim.Channels({{4, ChannelFlagStatus, 0}});
    sim.DeviceId("MFG:Vorne;CMD:VRPL;MDL:Vorne Kestrel K7;CLS:PRINTER;");
    sim.Fail("KLGetStatus", -16);
    TargetKeys keys;
    keys.Add(SelectByPrinter, "json", "Pqif_Json_K7");

    ToolRun r = Pqif("status Pqif_Json_K7 --json");
    EXPECT_EQ(r.exitCode, 1u);
    ExpectOneJsonLine(r);
    EXPECT_NE(r.out.find("\"call\":1,\"resultCode\":11,\"result\":\"not available\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(",\"error\":\"the printer's reply could not be read\",\"exitCode\":1}\n"),
              std::string::npos)
        << r.out;
}

} // namespace
