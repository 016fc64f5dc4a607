#include "tools/pqif/StatusReport.h"

#include <cstdio>

#include "tools/pqif/JsonText.h"

namespace {

const char* ActivityName(LONG activity) {
    switch (activity) {
    case PQIF_ACTIVITY_IDLE:
        return "idle";
    case PQIF_ACTIVITY_BUSY:
        return "busy";
    default:
        return "no reply decoded";
    }
}

const char* CallName(LONG call) {
    switch (call) {
    case 1:
        return "completed";
    case 0:
        return "no status to report";
    case -1:
        return "channel in use by another client";
    default:
        return "unexpected";
    }
}

std::string InkText(const PrinterStatus& r) {
    if (r.inkCount == 0)
        return "none reported";
    std::string out;
    for (int i = 0; i < r.inkCount; ++i) {
        if (i)
            out += ", ";
        out += "slot " + std::to_string(i) + " ";
        out += r.inkLevel[i] == InkLevelUnknown ? std::string("unknown")
                                                : std::to_string(r.inkLevel[i]) + "%";
    }
    return out;
}

std::string WarningText(const PrinterStatus& r) {
    if (r.warningCount == 0)
        return "none";
    std::string out;
    for (int i = 0; i < r.warningCount; ++i)
        out += (i ? " " : "") + Hex(r.warning[i], 2);
    return out;
}

} // namespace

std::string Hex(unsigned long value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*lX", digits, value);
    return text;
}

const char* ResultName(LONG code) {
    switch (code) {
    case PQIF_RESULT_READY:
        return "ready";
    case PQIF_RESULT_PAPER_ERROR:
        return "paper error";
    case PQIF_RESULT_COVER_OPEN:
        return "cover open";
    case PQIF_RESULT_INK_LOW:
        return "ink low";
    case PQIF_RESULT_INK_OUT:
        return "ink out";
    case PQIF_RESULT_NOT_AVAILABLE:
        return "not available";
    case PQIF_RESULT_ERROR:
        return "printer error";
    case PQIF_RESULT_MAINTENANCE:
        return "maintenance needed";
    case PQIF_RESULT_COMM_ERROR:
        return "communication error";
    case PQIF_RESULT_BUSY:
        return "busy";
    case PQIF_RESULT_PRINTING:
        return "printing";
    default:
        return "unknown";
    }
}

std::string FormatText(const StatusReport& r) {
    std::string out;
    auto line = [&out](const char* label, const std::string& value) {
        char head[24];
        std::snprintf(head, sizeof head, "%-15s", label);
        out += head + value + "\n";
    };
    line("Printer:", r.printer.empty() ? "(by port)" : r.printer);
    if (!r.port.empty())
        line("Port:", r.port);
    line("Model:", r.model.empty() ? "(unknown)" : r.model);
    std::string channels;
    for (const PQIF_CHANNEL_ENTRY& e : r.channels) {
        if (!channels.empty())
            channels += "; ";
        channels += Hex(static_cast<unsigned long>(e.channelId), 8) + " flags " + Hex(e.flags, 4) +
                    " value " + std::to_string(e.value);
    }
    line("Channels:", channels.empty() ? "none" : channels);
    line("Channel kind:", Hex(static_cast<unsigned long>(r.channelKind), 8));
    line("Call result:", std::to_string(r.call) + " (" + CallName(r.call) + ")");
    if (r.call != 1)
        return out;
    line("Result code:", std::to_string(r.resultCode) + " (" + ResultName(r.resultCode) + ")");
    line("Item number:", r.item >= 0 ? std::to_string(r.item) : "unknown");
    line("Printer state:", Hex(static_cast<unsigned long>(r.printerState), 2));
    line("Activity:", std::to_string(r.activity) + " (" + ActivityName(r.activity) + ")");
    line("Notify:", r.notify ? "yes" : "no");
    line("Sound:", r.sound ? "yes" : "no");
    if (r.hasReply) {
        line("Ink levels:", InkText(r.reply));
        line("Warnings:", WarningText(r.reply));
        if (r.reply.state == 0)
            line("Error code:", Hex(r.reply.error, 2));
    } else {
        line("Stored reply:", r.hasKey ? "none decoded" : "not recorded (no printer key)");
    }
    if (r.hasLastKnown) {
        line("Last answer:", r.lastAnswer + " (" + r.lastAnswerAge + " ago)");
        line("Ink then:", r.lastKnownLevels);
    }
    return out;
}

std::string FormatJson(const StatusReport& r, const std::string& error, int exitCode) {
    std::string out = "{";
    auto field = [&out](const char* name, const std::string& value) {
        if (out.size() > 1)
            out += ",";
        out += "\"" + std::string(name) + "\":" + value;
    };
    field("printer", JsonString(r.printer));
    field("port", JsonString(r.port));
    field("model", JsonString(r.model));
    std::string channels = "[";
    for (const PQIF_CHANNEL_ENTRY& e : r.channels) {
        if (channels.size() > 1)
            channels += ",";
        channels += "{\"id\":" + std::to_string(e.channelId) +
                    ",\"flags\":" + std::to_string(e.flags) +
                    ",\"value\":" + std::to_string(e.value) + "}";
    }
    field("channels", channels + "]");
    field("channelKind", std::to_string(r.channelKind));
    field("call", std::to_string(r.call));
    if (r.call == 1) {
        field("resultCode", std::to_string(r.resultCode));
        field("result", JsonString(ResultName(r.resultCode)));
        field("item", r.item >= 0 ? std::to_string(r.item) : "null");
        field("printerState", std::to_string(r.printerState));
        field("activity", std::to_string(r.activity));
        field("notify", std::to_string(r.notify));
        field("sound", std::to_string(r.sound));
    }
    if (r.hasReply) {
        std::string ink = "[";
        for (int i = 0; i < r.reply.inkCount; ++i) {
            ink += i ? "," : "";
            ink += r.reply.inkLevel[i] == InkLevelUnknown ? "null"
                                                          : std::to_string(r.reply.inkLevel[i]);
        }
        field("ink", ink + "]");
        std::string warnings = "[";
        for (int i = 0; i < r.reply.warningCount; ++i)
            warnings += (i ? "," : "") + std::to_string(r.reply.warning[i]);
        field("warnings", warnings + "]");
        field("error", std::to_string(r.reply.error));
        field("indicators", std::to_string(r.indicators));
    }
    if (r.hasLastKnown) {
        std::string ink = "[";
        for (int i = 0; i < r.lastKnown.inkCount; ++i) {
            ink += i ? "," : "";
            ink += r.lastKnown.inkLevel[i] == InkLevelUnknown
                       ? "null"
                       : std::to_string(r.lastKnown.inkLevel[i]);
        }
        field("lastAnswer", JsonString(r.lastAnswer));
        field("lastAnswerAge", JsonString(r.lastAnswerAge));
        field("lastKnownInk", ink + "]");
    }
    if (!error.empty()) {
        field("error", JsonString(error));
        field("exitCode", std::to_string(exitCode));
    }
    return out + "}\n";
}
