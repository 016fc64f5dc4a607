// The pure rules of the print-manager connection: value sizes by kind, the
// server part of printer names, and how a binding is composed.
#include <gtest/gtest.h>

#include <string>

#include "jobs/PmNames.h"
#include "jobs/PmValueKinds.h"

namespace {

TEST(PmValueSizeTest, FollowsTheKindsTable) {
    const struct {
        int32_t kind;
        int32_t size;
    } table[] = {{2, 16},  {3, 4},   {21, 6},  {100, 4}, {101, 4}, {102, 8},  {103, 8},
                 {104, 4}, {200, 4}, {201, 4}, {5, 0},   {-1, 0},  {1000, 0}, {22, 0}};
    for (const auto& row : table) {
        int32_t value[4] = {};
        EXPECT_EQ(PmValueSize(row.kind, value), row.size) << "kind " << row.kind;
    }
    EXPECT_EQ(PmValueSize(0, "queue"), 6);
    EXPECT_EQ(PmValueSize(1, "Report.pdf"), 11);
    EXPECT_EQ(PmValueSize(1, ""), 1);
    EXPECT_EQ(PmValueSize(1, nullptr), 0);
    EXPECT_EQ(PmFixedValueSize(1), PmStringValue);
    EXPECT_EQ(sizeof PmPlaceholder - 1, static_cast<size_t>(PmPlaceholderSize));
}

TEST(PmNamesTest, ServerPartAndWhatTheServerIsSent) {
    std::string server;
    EXPECT_TRUE(PmServerOfPrinter("\\\\PRINTSRV\\Kestrel_K7", &server));
    EXPECT_EQ(server, "PRINTSRV");
    EXPECT_TRUE(PmServerOfPrinter("\\\\.\\Kestrel_K7", &server));
    EXPECT_EQ(server, ".");
    EXPECT_FALSE(PmServerOfPrinter("\\\\\\Kestrel_K7", &server)) << "empty server part";
    EXPECT_FALSE(PmServerOfPrinter("\\\\PRINTSRV", &server)) << "no queue part";
    EXPECT_FALSE(PmServerOfPrinter("Kestrel_K7", &server));
    EXPECT_FALSE(PmServerOfPrinter("\\Kestrel_K7", &server));
    EXPECT_FALSE(PmServerOfPrinter(nullptr, &server));

    EXPECT_STREQ(PmRemotePrinterName("\\\\PRINTSRV\\Kestrel_K7"), "Kestrel_K7");
    EXPECT_STREQ(PmRemotePrinterName("\\\\PRINTSRV\\Floor 2\\Kestrel"), "Floor 2\\Kestrel");
    EXPECT_STREQ(PmRemotePrinterName("\\\\PRINTSRV"), "\\\\PRINTSRV");
    EXPECT_STREQ(PmRemotePrinterName("Kestrel_K7"), "Kestrel_K7");
    EXPECT_STREQ(PmRemotePrinterName(nullptr), "");
}

std::string Parts(const PmBindingParts& p) {
    return p.protocolSequence + "|" + p.networkAddress + "|" + p.endpoint;
}

TEST(PmNamesTest, BindingRules) {
    const std::string pipe = PmPipeEndpoint;
    EXPECT_EQ(pipe, "\\pipe\\VORNE_PM_RPC_02");
    EXPECT_EQ(Parts(PmResolveBinding(".", "ncacn_np", pipe.c_str(), "HOST")), "ncalrpc||");
    EXPECT_EQ(Parts(PmResolveBinding(".other", "ncacn_np", pipe.c_str(), "HOST")), "ncalrpc||");
    EXPECT_EQ(Parts(PmResolveBinding("HOST", "ncacn_np", pipe.c_str(), "HOST")), "ncalrpc||");
    EXPECT_EQ(Parts(PmResolveBinding("host", "ncacn_np", pipe.c_str(), "HOST")),
              "ncacn_np|host|" + pipe);
    EXPECT_EQ(Parts(PmResolveBinding(nullptr, "ncacn_np", pipe.c_str(), "HOST")), "ncalrpc||");
    EXPECT_EQ(Parts(PmResolveBinding("", nullptr, nullptr, "HOST")), "ncalrpc||");
    EXPECT_EQ(Parts(PmResolveBinding("SRV", nullptr, nullptr, "HOST")), "ncacn_np|SRV|" + pipe);
    EXPECT_EQ(Parts(PmResolveBinding("SRV", "ncacn_ip_tcp", nullptr, "HOST")), "ncacn_ip_tcp|SRV|");
    EXPECT_EQ(Parts(PmResolveBinding("SRV", "ncacn_np", "\\pipe\\other", "")),
              "ncacn_np|SRV|\\pipe\\other");
}

} // namespace
